// The form base on a desktop of two screens of different resolution: monitor numbers, the desktop
// suffix, centring on a screen, changes of monitor and of DPI.
#include "settings/LayoutManagerForm.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QScreen>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

class TScreenForm : public TLMForm {
    Q_OBJECT

public:
    TScreenForm()
        : TLMForm(nullptr, {})
    {
        resize(200, 100);
    }
};

class TestLMFormScreens : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void desktopSuffixFollowsNearestScreen();
    void monitorChanges();
    void centreOnMonitor();
};

void TestLMFormScreens::initTestCase()
{
    QStandardPaths::setTestModeEnabled(true);
    QCOMPARE(QGuiApplication::screens().size(), 2);
}

void TestLMFormScreens::desktopSuffixFollowsNearestScreen()
{
    TScreenForm form;
    form.move(100, 100);
    QCOMPARE(TLayoutManager::DesktopSuffix(&form), QStringLiteral("(1600x600x96)"));
    form.move(900, 100);
    QCOMPARE(TLayoutManager::DesktopSuffix(&form), QStringLiteral("(1600x600x144)"));
}

void TestLMFormScreens::monitorChanges()
{
    TScreenForm form;
    QList<QPair<int, int>> changes;
    QList<QPair<int, int>> dpis;
    bool changingSeen = false;
    form.OnMonitorChanged = [&](QObject*, int AOld, int ANew) { changes.append({AOld, ANew}); };
    form.OnBeforeMonitorDpiChanged = [&](QObject*, int AOld, int ANew) {
        changingSeen = form.DPIChanging();
        dpis.append({AOld, ANew});
    };
    form.move(100, 100);
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    QCOMPARE(form.MonitorNumber(), 0);
    form.move(150, 120);
    QVERIFY(changes.isEmpty());
    form.move(900, 100);
    QTRY_COMPARE(changes, (QList<QPair<int, int>> {{0, 1}}));
    form.move(950, 100);
    QCOMPARE(changes.size(), 1);
    form.move(100, 100);
    QTRY_COMPARE(changes, (QList<QPair<int, int>> {{0, 1}, {1, 0}}));
    QTRY_VERIFY(!dpis.isEmpty());
    QCOMPARE(dpis.first(), qMakePair(96, 144));
    QVERIFY(changingSeen);
    QVERIFY(!form.DPIChanging());
}

void TestLMFormScreens::centreOnMonitor()
{
    TScreenForm form;
    form.CenterToMonitor(1);
    QCOMPARE(form.pos(), QPoint(800 + (800 - 200) / 2, (600 - 100) / 2));
    form.CenterToDesktop();
    QCOMPARE(form.pos(), QPoint((1600 - 200) / 2, (600 - 100) / 2));
}

int main(int argc, char** argv)
{
    // Two screens side by side, the right one at 144 dpi.
    QTemporaryDir dir;
    const QString config = dir.filePath(QStringLiteral("screens.json"));
    QFile file(config);
    if (!file.open(QIODevice::WriteOnly))
        return 2;
    file.write(R"({"screens": [
        {"name": "left", "x": 0, "y": 0, "width": 800, "height": 600, "logicalDpi": 96, "logicalBaseDpi": 96, "dpr": 1},
        {"name": "right", "x": 800, "y": 0, "width": 800, "height": 600, "logicalDpi": 144, "logicalBaseDpi": 144, "dpr": 1}
    ]})");
    file.close();
    qputenv("QT_QPA_PLATFORM", "offscreen:configfile=" + QFile::encodeName(config));
    QApplication app(argc, argv);
    TestLMFormScreens test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_lmformscreens.moc"
