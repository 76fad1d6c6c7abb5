// The About dialog: its texts for the version information of different builds (and of a file
// without any), its links, the keys that close it, and moving it by its top panel.
#include "about/AboutDlg.h"
#include "about/VersionInfo.h"

#include <QFile>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

namespace {

void PutLe32(QByteArray& ABytes, qsizetype AAt, uint32_t AValue)
{
    for (int i = 0; i < 4; ++i)
        ABytes[AAt + i] = char(AValue >> (8 * i) & 0xFF);
}

// A version block as the build writes it: file version a.b.c.d, flags and string pairs.
QByteArray Block(uint32_t AFileMS, uint32_t AFileLS, uint32_t AFlags, const QList<QByteArray>& AStrings)
{
    QByteArray block("QVERINFO");
    block.append(VersionBlockHeaderSize - block.size(), '\0');
    PutLe32(block, 12, AFileMS);
    PutLe32(block, 16, AFileLS);
    PutLe32(block, 28, AFlags);
    for (const QByteArray& text : AStrings)
        block += text + '\0';
    PutLe32(block, 8, uint32_t(block.size()));
    return block;
}

const QList<QByteArray> Strings {"ProductName", "Quillon", "FileDescription", "JSON viewer", "LegalCopyright",
    "Copyright Ravek", "BuildTimestamp", "2020-01-02 03:04:05"};

} // namespace

class TestAboutDlg : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void texts_data();
    void texts();
    void links();
    void closingKeys_data();
    void closingKeys();
    void dragByTopPanel();
};

void TestAboutDlg::texts_data()
{
    QTest::addColumn<QString>("source"); // "own" executable, a file with "none", else the block
    QTest::addColumn<QByteArray>("block");
    QTest::addColumn<QString>("product");
    QTest::addColumn<QString>("version");
    QTest::addColumn<QString>("timestamp");
    QTest::addColumn<QString>("copyright");
    QTest::addColumn<QString>("description");
    QTest::newRow("the program's own") << "own" << QByteArray() << "Quillon"
                                       << "Version 1.4.0.0"
                                       << "2019-08-21 08:30:41"
                                       << "Copyright \u00A9 2019 Ravek"
                                       << "Quillon";
    QTest::newRow("pre-release with build number")
        << "block" << Block(0x00020000, 7, VersionFlagPreRelease, Strings) << "Quillon"
        << "Version 2.0.0.7 BETA 7"
        << "2020-01-02 03:04:05"
        << "Copyright Ravek"
        << "JSON viewer";
    QTest::newRow("pre-release without build number")
        << "block" << Block(0x00020000, 0, VersionFlagPreRelease, Strings) << "Quillon"
        << "Version 2.0.0.0 BETA"
        << "2020-01-02 03:04:05"
        << "Copyright Ravek"
        << "JSON viewer";
    QTest::newRow("debug build") << "block" << Block(0x00010002, 0x00030004, VersionFlagDebug, Strings)
                                 << "Quillon"
                                 << "Version 1.2.3.4 DEBUG"
                                 << "2020-01-02 03:04:05"
                                 << "Copyright Ravek"
                                 << "JSON viewer";
    QTest::newRow("empty comments") << "block"
                                    << Block(0x00010000, 0, 0, Strings + QList<QByteArray> {"Comments", ""})
                                    << "Quillon"
                                    << "Version 1.0.0.0"
                                    << "2020-01-02 03:04:05"
                                    << "Copyright Ravek"
                                    << "JSON viewer";
    QTest::newRow("comments replace the description")
        << "block" << Block(0x00010000, 0, 0, Strings + QList<QByteArray> {"Comments", "Nightly"})
        << "Quillon"
        << "Version 1.0.0.0"
        << "2020-01-02 03:04:05"
        << "Copyright Ravek"
        << "Nightly";
    QTest::newRow("file without version information") << "none" << QByteArray() << ""
                                                      << "Version "
                                                      << ""
                                                      << ""
                                                      << "";
}

void TestAboutDlg::texts()
{
    QFETCH(QString, source);
    QFETCH(QByteArray, block);
    QTemporaryDir dir;
    if (source == u"own") {
        QVERIFY(ReadVersionInfo(QCoreApplication::applicationFilePath(), AppVersionInfo));
    } else if (source == u"none") {
        const QString path = dir.filePath(QStringLiteral("plain.txt"));
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write("no block here") > 0);
        file.close();
        QVERIFY(!ReadVersionInfo(path, AppVersionInfo));
    } else {
        AppVersionInfo = TVersionInfo();
        QVERIFY(ReadVersionBlock(block, AppVersionInfo));
    }
    Tdlg_quil_About dialog;
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    QTEST(dialog.lProduct->text(), "product");
    QTEST(dialog.lVer->text(), "version");
    QTEST(dialog.lVer->toolTip(), "timestamp");
    QTEST(dialog.lCR->text(), "copyright");
    QTEST(dialog.lDesc->text(), "description");
    // The terms of use fit without a scroll bar.
    QCOMPARE(dialog.mLic->document()->blockCount(), 4);
    QCOMPARE(dialog.mLic->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
    QVERIFY(!dialog.mLic->textCursor().hasSelection());
    QCOMPARE(dialog.mLic->textCursor().position(), 0);
}

void TestAboutDlg::links()
{
    QList<QUrl> opened;
    const auto previous = Tdlg_quil_About::OpenUrl;
    Tdlg_quil_About::OpenUrl = [&opened](const QUrl& AUrl) { opened << AUrl; };
    Tdlg_quil_About dialog;
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    QCOMPARE(dialog.lEmail->text(), u"quillon@ravek.example");
    QCOMPARE(dialog.lWWW->text(), u"www.ravek.example/quillon");
    QTest::mouseClick(dialog.lEmail, Qt::LeftButton);
    QTest::mouseClick(dialog.lWWW, Qt::LeftButton);
    QTest::mouseClick(dialog.lWWW, Qt::RightButton);
    QCOMPARE(opened,
        (QList<QUrl> {QUrl("mailto:quillon@ravek.example"), QUrl("https://www.ravek.example/quillon")}));
    QVERIFY(dialog.isVisible());
    Tdlg_quil_About::OpenUrl = previous;
}

void TestAboutDlg::closingKeys_data()
{
    QTest::addColumn<int>("key");
    QTest::newRow("Enter") << int(Qt::Key_Return);
    QTest::newRow("Escape") << int(Qt::Key_Escape);
}

void TestAboutDlg::closingKeys()
{
    QFETCH(int, key);
    Tdlg_quil_About dialog;
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    QTest::keyClick(&dialog, Qt::Key(key));
    QVERIFY(!dialog.isVisible());
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
}

void TestAboutDlg::dragByTopPanel()
{
    Tdlg_quil_About dialog;
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    const QPoint start = dialog.pos();
    const QPoint grip(20, 10);
    QTest::mousePress(dialog.lProduct, Qt::LeftButton, {}, grip);
    QTest::mouseMove(dialog.lProduct, grip + QPoint(30, 20));
    QTest::mouseRelease(dialog.lProduct, Qt::LeftButton, {}, grip + QPoint(30, 20));
    QCOMPARE(dialog.pos(), start + QPoint(30, 20));
}

QTEST_MAIN(TestAboutDlg)
#include "tst_aboutdlg.moc"
