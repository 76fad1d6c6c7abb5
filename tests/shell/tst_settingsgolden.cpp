// The settings one run of the program leaves in the store: every key, value name, type and value.
// A renamed class, object or property fails here instead of orphaning the settings users have.
#include "controls/MDIChildWindow.h"
#include "platform/RegistryHive.h"
#include "settings/LayoutManagerControl.h"
#include "settings/LayoutManagerStorage.h"
#include "shell/MainWnd.h"
#include "tests/common/AnsweringPresenter.h"
#include "viewer/ViewerWnd.h"

#include <QAction>
#include <QDir>
#include <QSplitter>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>

namespace {

QString TypeName(quint32 AType)
{
    switch (AType) {
    case REG_SZ:
        return QStringLiteral("REG_SZ");
    case REG_EXPAND_SZ:
        return QStringLiteral("REG_EXPAND_SZ");
    case REG_BINARY:
        return QStringLiteral("REG_BINARY");
    case REG_DWORD:
        return QStringLiteral("REG_DWORD");
    case REG_QWORD:
        return QStringLiteral("REG_QWORD");
    default:
        return QStringLiteral("type %1").arg(AType);
    }
}

// One line per value: key, name, type and the value as the registry editor would show it.
QString ValueText(const TRegistryValue& AValue)
{
    const QByteArray& data = AValue.Data;
    if ((AValue.Type == REG_SZ || AValue.Type == REG_EXPAND_SZ) && data.size() % 2 == 0) {
        QString text;
        for (qsizetype i = 0; i + 1 < data.size(); i += 2)
            text.append(QChar(qFromLittleEndian<quint16>(data.constData() + i)));
        // Text is stored with its terminating zero, nothing after it.
        return text.endsWith(QChar(0)) ? QLatin1Char('"') + text.chopped(1) + QLatin1Char('"')
                                       : QStringLiteral("unterminated ") + text;
    }
    if (AValue.Type == REG_DWORD && data.size() == 4)
        return QString::number(qFromLittleEndian<quint32>(data.constData()));
    if (AValue.Type == REG_QWORD && data.size() == 8)
        return QString::number(qFromLittleEndian<quint64>(data.constData()));
    return QString::fromLatin1(data.toHex(' '));
}

void DumpKey(TRegistryHive& AHive, const QString& AKey, const QString& AShown, QStringList& ALines)
{
    for (const QString& name : AHive.ValueNames(AKey)) {
        TRegistryValue value;
        AHive.QueryValue(AKey, name, value);
        ALines
            << QStringLiteral("%1 | %2 | %3 | %4").arg(AShown, name, TypeName(value.Type), ValueText(value));
    }
    for (const QString& sub : AHive.SubKeyNames(AKey))
        DumpKey(AHive, AKey + QLatin1Char('\\') + sub,
            AShown.isEmpty() ? sub : AShown + QLatin1Char('\\') + sub, ALines);
}

// Keys in the order the store lists them (values in the order they were first written); "<document>"
// stands for the opened file's path.
const char* const Expected = R"(
Software\Ravek\Quillon\1.x\MRU | Count | REG_DWORD | 1
Software\Ravek\Quillon\1.x\MRU | 000 | REG_SZ | "<document>"
Software\Ravek\Quillon\1.x\Tmdi_quil_Viewer | Size(1920x1080x96) | REG_SZ | "640,480"
Software\Ravek\Quillon\1.x\Tmdi_quil_Viewer | Pos(1920x1080x96) | REG_SZ | "12,34"
Software\Ravek\Quillon\1.x\Tmdi_quil_Viewer | Align | REG_DWORD | 0
Software\Ravek\Quillon\1.x\Tmdi_quil_Viewer | State | REG_DWORD | 0
Software\Ravek\Quillon\1.x\Tmdi_quil_Viewer | Style | REG_DWORD | 1
Software\Ravek\Quillon\1.x\Tmdi_quil_Viewer | LayoutReadOnly | REG_DWORD | 0
Software\Ravek\Quillon\1.x\Tmdi_quil_Viewer\Memo\Layout | Gutter.ShowLineNumbers | REG_DWORD | 1
Software\Ravek\Quillon\1.x\Tmdi_quil_Viewer\Memo\Layout | Gutter.LeadingZeros | REG_DWORD | 0
Software\Ravek\Quillon\1.x\Tmdi_quil_Viewer\Memo\Layout | Gutter.ZeroStart | REG_DWORD | 0
Software\Ravek\Quillon\1.x\Tmdi_quil_Viewer\Memo\Layout | Gutter.Visible | REG_DWORD | 1
Software\Ravek\Quillon\1.x\Tmdi_quil_Viewer\Memo\Layout | Options.AutoIndent | REG_DWORD | 0
Software\Ravek\Quillon\1.x\Tmdi_quil_Viewer\Memo\Layout | SelectionMode | REG_DWORD | 0
Software\Ravek\Quillon\1.x\Tmdi_quil_Viewer\Memo\Layout | WordWrap | REG_DWORD | 0
Software\Ravek\Quillon\1.x\Tmdi_quil_Viewer\Memo\Layout\Default | Gutter.ShowLineNumbers | REG_DWORD | 1
Software\Ravek\Quillon\1.x\Tmdi_quil_Viewer\Memo\Layout\Default | Gutter.LeadingZeros | REG_DWORD | 0
Software\Ravek\Quillon\1.x\Tmdi_quil_Viewer\Memo\Layout\Default | Gutter.ZeroStart | REG_DWORD | 0
Software\Ravek\Quillon\1.x\Tmdi_quil_Viewer\Memo\Layout\Default | Gutter.Visible | REG_DWORD | 1
Software\Ravek\Quillon\1.x\Tmdi_quil_Viewer\Memo\Layout\Default | Options.AutoIndent | REG_DWORD | 0
Software\Ravek\Quillon\1.x\Tmdi_quil_Viewer\Memo\Layout\Default | SelectionMode | REG_DWORD | 0
Software\Ravek\Quillon\1.x\Tmdi_quil_Viewer\Memo\Layout\Default | WordWrap | REG_DWORD | 0
Software\Ravek\Quillon\1.x\Tmdi_quil_Viewer\MsgPanel | Height | REG_DWORD | 150
Software\Ravek\Quillon\1.x\Tmdi_quil_Viewer\TreePanel | Width | REG_DWORD | 250
Software\Ravek\Quillon\1.x\Tmdi_quil_Viewer\ValueView\Layout | Gutter.ShowLineNumbers | REG_DWORD | 1
Software\Ravek\Quillon\1.x\Tmdi_quil_Viewer\ValueView\Layout | Gutter.LeadingZeros | REG_DWORD | 0
Software\Ravek\Quillon\1.x\Tmdi_quil_Viewer\ValueView\Layout | Gutter.ZeroStart | REG_DWORD | 0
Software\Ravek\Quillon\1.x\Tmdi_quil_Viewer\ValueView\Layout | Gutter.Visible | REG_DWORD | 1
Software\Ravek\Quillon\1.x\Tmdi_quil_Viewer\ValueView\Layout | Options.AutoIndent | REG_DWORD | 0
Software\Ravek\Quillon\1.x\Tmdi_quil_Viewer\ValueView\Layout | SelectionMode | REG_DWORD | 0
Software\Ravek\Quillon\1.x\Tmdi_quil_Viewer\ValueView\Layout | WordWrap | REG_DWORD | 0
Software\Ravek\Quillon\1.x\Tmdi_quil_Viewer\ValueView\Layout\Default | Gutter.ShowLineNumbers | REG_DWORD | 1
Software\Ravek\Quillon\1.x\Tmdi_quil_Viewer\ValueView\Layout\Default | Gutter.LeadingZeros | REG_DWORD | 0
Software\Ravek\Quillon\1.x\Tmdi_quil_Viewer\ValueView\Layout\Default | Gutter.ZeroStart | REG_DWORD | 0
Software\Ravek\Quillon\1.x\Tmdi_quil_Viewer\ValueView\Layout\Default | Gutter.Visible | REG_DWORD | 1
Software\Ravek\Quillon\1.x\Tmdi_quil_Viewer\ValueView\Layout\Default | Options.AutoIndent | REG_DWORD | 0
Software\Ravek\Quillon\1.x\Tmdi_quil_Viewer\ValueView\Layout\Default | SelectionMode | REG_DWORD | 0
Software\Ravek\Quillon\1.x\Tmdi_quil_Viewer\ValueView\Layout\Default | WordWrap | REG_DWORD | 0
Software\Ravek\Quillon\1.x\Twnd_quil_Main | Size(1920x1080x96) | REG_SZ | "900,700"
Software\Ravek\Quillon\1.x\Twnd_quil_Main | Pos(1920x1080x96) | REG_SZ | "52,62"
Software\Ravek\Quillon\1.x\Twnd_quil_Main | Align | REG_DWORD | 0
Software\Ravek\Quillon\1.x\Twnd_quil_Main | State | REG_DWORD | 0
Software\Ravek\Quillon\1.x\Twnd_quil_Main | Style | REG_DWORD | 2
Software\Ravek\Quillon\1.x\Twnd_quil_Main | LayoutReadOnly | REG_DWORD | 0
Software\Ravek\Quillon\1.x\Twnd_quil_Main\acGrid | Checked | REG_DWORD | 1
Software\Ravek\Quillon\1.x\Twnd_quil_Main\acPersistent | Checked | REG_DWORD | 1
Software\Ravek\Quillon\1.x\Twnd_quil_Main\acTreeLines | Checked | REG_DWORD | 0
Software\Ravek\Quillon\1.x\Twnd_quil_Main\acValueCol | Checked | REG_DWORD | 0
)";

} // namespace

class TestSettingsGolden : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void oneRun();

private:
    QTemporaryDir FDir;
    TAnsweringPresenter FPresenter;
};

void TestSettingsGolden::initTestCase()
{
    QStandardPaths::setTestModeEnabled(true);
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    SetMessageBoxPresenter(&FPresenter);
    // One desktop for the window bounds, whatever screen the test runs on.
    TLayoutManager::DesktopMetrics = [](const QWidget*) { return TDesktopMetrics {1920, 1080, 96}; };
}

void TestSettingsGolden::oneRun()
{
    QDir(QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + QStringLiteral("/ravek"))
        .removeRecursively();
    LayoutStorage = CreateLayoutStorage();
    const QString document = FDir.filePath(QStringLiteral("doc.json"));
    {
        QFile file(document);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(R"({"a":[1,2,{"b":null}]})");
    }

    auto* w = new Twnd_quil_Main;
    w->show();
    // Each option once: persistence on, then the view options away from their defaults.
    w->acPersistent->trigger();
    w->acValueCol->trigger();
    w->acGrid->trigger();
    w->acTreeLines->trigger();
    Tmdi_quil_Viewer* doc = w->OpenFile(document);
    QVERIFY(doc);
    TMDIChildWindow* frame = TMDIChildWindow::Of(doc);
    frame->showNormal();
    frame->setGeometry(12, 34, 640, 480);
    doc->Splitter1->setSizes({250, 390});
    doc->ExitSizeMove();
    // The main window moved and sized by the user, then the document closed and the program ended.
    // The frame is moved; the position stored is the client area's (the offscreen frame is 2 pixels wide).
    w->move(50, 60);
    w->resize(900, 700);
    w->ExitSizeMove();
    frame->close();
    QTRY_VERIFY(w->DocumentWindows().isEmpty());
    w->close();
    delete w;

    auto* storage = static_cast<TLayoutManagerRegistryStorage*>(LayoutStorage.get());
    storage->Open(true);
    std::shared_ptr<TRegistryHive> hive = storage->RootKey();
    QStringList lines;
    DumpKey(*hive, QString(), QString(), lines);
    LayoutStorage.reset();
    QVERIFY(FPresenter.Asked.isEmpty());

    const QStringList expected = QString::fromUtf8(Expected).trimmed().split(QLatin1Char('\n'));
    lines.replaceInStrings(QLatin1Char('"') + document + QLatin1Char('"'), QStringLiteral("\"<document>\""));
    if (lines != expected)
        qWarning("%s", qPrintable(lines.join(QLatin1Char('\n'))));
    QCOMPARE(lines, expected);
}

QTEST_MAIN(TestSettingsGolden)
#include "tst_settingsgolden.moc"
