// The Base64 dialog's own rules: what its buttons do to the two boxes, the decode error's road to the
// default error report, its keys, and the exchange button staying centred.
#include "tests/common/AnsweringPresenter.h"
#include "tools/Base64Dlg.h"

#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>

class TestBase64Dlg : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();
    void buttons_data();
    void buttons();
    void keys_data();
    void keys();
    void exchangeCentred_data();
    void exchangeCentred();

private:
    TAnsweringPresenter FPresenter;
};

void TestBase64Dlg::init()
{
    FPresenter.Answer = QMessageBox::Ok;
    FPresenter.Asked.clear();
    SetMessageBoxPresenter(&FPresenter);
}

void TestBase64Dlg::cleanup()
{
    SetMessageBoxPresenter(nullptr);
}

void TestBase64Dlg::buttons_data()
{
    const QString noMapping =
        QStringLiteral("No mapping for the Unicode character exists in the target multi-byte code page");
    QTest::addColumn<QString>("input");
    QTest::addColumn<QString>("output");
    QTest::addColumn<QString>("clicks"); // E encode, D decode, X exchange
    QTest::addColumn<QString>("memo1");
    QTest::addColumn<QString>("memo2");
    QTest::addColumn<QStringList>("reports");
    QTest::newRow("line breaks encode as CR LF") << "a\nb"
                                                 << ""
                                                 << "E"
                                                 << "a\nb"
                                                 << "YQ0KYg==" << QStringList();
    QTest::newRow("CR LF decodes to line breaks") << "YQ0KYg=="
                                                  << ""
                                                  << "D"
                                                  << "YQ0KYg=="
                                                  << "a\nb" << QStringList();
    QTest::newRow("encode, exchange, decode") << "\u00E9t\u00E9"
                                              << ""
                                              << "EXD"
                                              << "w6l0w6k="
                                              << "\u00E9t\u00E9" << QStringList();
    QTest::newRow("exchange twice restores both") << "in\nput"
                                                  << "out\n"
                                                  << "XX"
                                                  << "in\nput"
                                                  << "out\n"
                                                  << QStringList();
    // Bytes FF FE are no UTF-8 text.
    QTest::newRow("no text: reported, output kept") << "//4="
                                                    << "earlier"
                                                    << "D"
                                                    << "//4="
                                                    << "earlier" << QStringList {noMapping};
    QTest::newRow("no alphabet character: empty") << "= =\n"
                                                  << "earlier"
                                                  << "D"
                                                  << "= =\n"
                                                  << "" << QStringList();
}

void TestBase64Dlg::buttons()
{
    QFETCH(QString, input);
    QFETCH(QString, output);
    QFETCH(QString, clicks);
    Tdlg_quil_Base64 dialog;
    dialog.Memo1->setPlainText(input);
    dialog.Memo2->setPlainText(output);
    for (const QChar click : clicks) {
        QPushButton* button = click == u'E' ? dialog.bEnc : click == u'D' ? dialog.bDec : dialog.bExchange;
        button->click();
    }
    QTEST(dialog.Memo1->toPlainText(), "memo1");
    QTEST(dialog.Memo2->toPlainText(), "memo2");
    QTEST(FPresenter.Asked, "reports");
}

void TestBase64Dlg::keys_data()
{
    QTest::addColumn<QString>("box");
    QTest::addColumn<int>("key");
    QTest::addColumn<Qt::KeyboardModifiers>("modifiers");
    QTest::addColumn<bool>("closes");
    QTest::addColumn<bool>("selectsAll");
    QTest::newRow("Esc closes") << "Memo1" << int(Qt::Key_Escape) << Qt::KeyboardModifiers() << true << false;
    QTest::newRow("Esc in the output closes")
        << "Memo2" << int(Qt::Key_Escape) << Qt::KeyboardModifiers() << true << false;
    QTest::newRow("Shift+Esc stays") << "Memo1" << int(Qt::Key_Escape)
                                     << Qt::KeyboardModifiers(Qt::ShiftModifier) << false << false;
    QTest::newRow("Ctrl+Esc stays") << "Memo1" << int(Qt::Key_Escape)
                                    << Qt::KeyboardModifiers(Qt::ControlModifier) << false << false;
    QTest::newRow("Alt+Esc stays") << "Memo2" << int(Qt::Key_Escape) << Qt::KeyboardModifiers(Qt::AltModifier)
                                   << false << false;
    QTest::newRow("Ctrl+A in the input")
        << "Memo1" << int(Qt::Key_A) << Qt::KeyboardModifiers(Qt::ControlModifier) << false << true;
    QTest::newRow("Ctrl+A in the output")
        << "Memo2" << int(Qt::Key_A) << Qt::KeyboardModifiers(Qt::ControlModifier) << false << true;
}

void TestBase64Dlg::keys()
{
    QFETCH(QString, box);
    QFETCH(int, key);
    QFETCH(Qt::KeyboardModifiers, modifiers);
    Tdlg_quil_Base64 dialog;
    dialog.Memo1->setPlainText(QStringLiteral("first line\nsecond line"));
    dialog.Memo2->setPlainText(QStringLiteral("output\nlines"));
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    auto* memo = box == u"Memo1" ? dialog.Memo1 : dialog.Memo2;
    memo->setFocus();
    QTest::keyClick(memo, Qt::Key(key), modifiers);
    QFETCH(bool, closes);
    QCOMPARE(dialog.isVisible(), !closes);
    QFETCH(bool, selectsAll);
    QCOMPARE(memo->textCursor().selectedText().size() == memo->toPlainText().size(), selectsAll);
}

void TestBase64Dlg::exchangeCentred_data()
{
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("exchangeLeft");
    QTest::newRow("first size") << 509 << 232; // (509 - 44) / 2 = 232.5
    QTest::newRow("wider, even") << 800 << 378;
    QTest::newRow("narrower, odd") << 301 << 128;
}

void TestBase64Dlg::exchangeCentred()
{
    QFETCH(int, width);
    Tdlg_quil_Base64 dialog;
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    dialog.resize(width, dialog.height());
    QCOMPARE(dialog.Panel1->width(), width);
    QTEST(dialog.bExchange->x(), "exchangeLeft");
    QCOMPARE(dialog.bDec->geometry().right() + 1, width - 9);
}

QTEST_MAIN(TestBase64Dlg)
#include "tst_base64dlg.moc"
