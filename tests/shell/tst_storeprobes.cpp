// Hostile settings: a value of every registry type at every key the program reads must neither stop the
// program from starting nor from opening, showing and closing a document.
#include "controls/MDIChildWindow.h"
#include "platform/Notice.h"
#include "platform/RegistryHive.h"
#include "settings/LayoutManagerControl.h"
#include "settings/LayoutManagerStorage.h"
#include "shell/MainWnd.h"
#include "tests/common/AnsweringPresenter.h"
#include "viewer/ViewerWnd.h"

#include <QAction>
#include <QDir>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>

#include <limits>
#include <memory>

namespace {

// Every value the program reads: section and name.
QList<QPair<QString, QString>> ReadKeys()
{
    const QString suffix = QStringLiteral("(1920x1080x96)");
    QList<QPair<QString, QString>> keys;
    for (const char* window : {"Twnd_quil_Main", "Tmdi_quil_Viewer"})
        for (const QString& name :
            {QStringLiteral("Align"), QStringLiteral("Pos") + suffix, QStringLiteral("Size") + suffix,
                QStringLiteral("State"), QStringLiteral("Style"), QStringLiteral("LayoutReadOnly")})
            keys.append({QString::fromLatin1(window), name});
    for (const char* option : {"acPersistent", "acValueCol", "acGrid", "acTreeLines"})
        keys.append({QStringLiteral("Twnd_quil_Main\\") + QLatin1String(option), QStringLiteral("Checked")});
    keys.append({QStringLiteral("MRU"), QStringLiteral("Count")});
    keys.append({QStringLiteral("MRU"), QStringLiteral("000")});
    keys.append({QStringLiteral("Tmdi_quil_Viewer\\TreePanel"), QStringLiteral("Width")});
    for (const char* view : {"ValueView", "Memo"})
        for (const char* name : {"Gutter.ShowLineNumbers", "Gutter.LeadingZeros", "Gutter.ZeroStart",
                 "Gutter.Visible", "Options.AutoIndent", "WordWrap", "SelectionMode"})
            keys.append({QStringLiteral("Tmdi_quil_Viewer\\%1\\Layout").arg(QLatin1String(view)),
                QLatin1String(name)});
    return keys;
}

struct TProbeValue {
    const char* Name;
    quint32 Type;
    QByteArray Data;
};

QByteArray Little64(quint64 AValue)
{
    QByteArray data(8, Qt::Uninitialized);
    qToLittleEndian(AValue, data.data());
    return data;
}

QList<TProbeValue> ProbeValues()
{
    return {
        {"text", REG_SZ, TLayoutManagerRegistryStorage::EncodeString(QStringLiteral("7"))},
        {"text-huge-pair", REG_SZ,
            TLayoutManagerRegistryStorage::EncodeString(QStringLiteral("99999,99999"))},
        {"expandable-text", REG_EXPAND_SZ,
            TLayoutManagerRegistryStorage::EncodeString(QStringLiteral("%HOME%"))},
        {"binary-8", REG_BINARY, QByteArray(8, '\xff')},
        {"binary-long", REG_BINARY, QByteArray(4096, '\x01')},
        {"dword-largest", REG_DWORD, QByteArray("\xff\xff\xff\x7f", 4)},
        {"qword-largest", REG_QWORD, Little64(quint64(std::numeric_limits<qint64>::max()))},
        {"none-empty", REG_NONE, QByteArray()},
        {"multi-text", 7, QByteArray("a\0\0\0\0\0", 6)},
        {"unknown-type", 0x7fffffff, QByteArray("\x05", 1)},
    };
}

} // namespace

class TestStoreProbes : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void everyTypeAtEveryKey_data();
    void everyTypeAtEveryKey();

private:
    QTemporaryDir FDir;
    TAnsweringPresenter FPresenter;
    QStringList FNotices;
};

void TestStoreProbes::initTestCase()
{
    QStandardPaths::setTestModeEnabled(true);
    SetMessageBoxPresenter(&FPresenter);
    FPresenter.Answer = QMessageBox::Ok;
    TLayoutManager::DesktopMetrics = [](const QWidget*) { return TDesktopMetrics {1920, 1080, 96}; };
    // Errors of restoring and saving go to the error report, as in the program.
    SetNoticeHandler([this](TNoticeKind, const QString& AText) { FNotices << AText; });
}

void TestStoreProbes::everyTypeAtEveryKey_data()
{
    QTest::addColumn<QString>("section");
    QTest::addColumn<QString>("name");
    QTest::addColumn<quint32>("type");
    QTest::addColumn<QByteArray>("data");
    for (const auto& [section, name] : ReadKeys())
        for (const TProbeValue& value : ProbeValues())
            QTest::addRow("%s|%s|%s", qPrintable(section), qPrintable(name), value.Name)
                << section << name << value.Type << value.Data;
}

void TestStoreProbes::everyTypeAtEveryKey()
{
    QFETCH(QString, section);
    QFETCH(QString, name);
    QFETCH(quint32, type);
    QFETCH(QByteArray, data);
    // One store for all rows (creating a store syncs the disk): emptied before each.
    if (!LayoutStorage)
        LayoutStorage = CreateLayoutStorage();
    LayoutStorage->DeleteSection(QString());
    auto* storage = static_cast<TLayoutManagerRegistryStorage*>(LayoutStorage.get());
    const QString document = FDir.filePath(QStringLiteral("doc.json"));
    {
        QFile file(document);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("[1,{\"a\":2}]");
    }
    // Persistence on and one recent file, so that every stored value is read and written.
    storage->WriteInteger(QStringLiteral("Twnd_quil_Main\\acPersistent"), QStringLiteral("Checked"), 1);
    storage->WriteInteger(QStringLiteral("MRU"), QStringLiteral("Count"), 1);
    storage->WriteString(QStringLiteral("MRU"), QStringLiteral("000"), document);
    QCOMPARE(storage->RootKey()->SetValue(storage->RootKeyName() + section, name, type, data),
        TRegistryResult::rrOk);
    FPresenter.Asked.clear();
    FNotices.clear();

    try {
        std::unique_ptr<Twnd_quil_Main> w = std::make_unique<Twnd_quil_Main>();
        w->show();
        // Shown at a size the screens can hold.
        QVERIFY(w->width() <= w->screen()->virtualSize().width());
        Tmdi_quil_Viewer* doc = w->OpenFile(document);
        QVERIFY(doc);
        QCOMPARE(doc->Counts(), (TJSONCounts {1, 1, 2}));
        TMDIChildWindow* frame = TMDIChildWindow::Of(doc);
        frame->showNormal();
        frame->move(frame->x() + 5, frame->y());
        doc->ExitSizeMove();
        w->ExitSizeMove();
        frame->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(w->DocumentWindows().isEmpty());
        w->close();
        w.reset();
    } catch (const std::exception& e) {
        QFAIL(e.what());
    }
    // Each problem reaches the user as a message naming the value, and the store still works.
    for (const QString& told : FPresenter.Asked + FNotices)
        QVERIFY2(told.contains(QLatin1Char('\'') + name + QLatin1Char('\'')), qPrintable(told));
    QVERIFY(storage->RootKey()->CheckIntegrity());
}

QTEST_MAIN(TestStoreProbes)
#include "tst_storeprobes.moc"
