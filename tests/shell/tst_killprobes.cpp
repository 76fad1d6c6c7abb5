// The program killed (SIGKILL) at random moments of its start-up and of saving option changes: every
// time, the settings store stays sound and the next start finds nothing damaged.
#include "platform/Notice.h"
#include "platform/RegistryHive.h"

#include <QDir>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

#include <sqlite3.h>

#include <csignal>

class TestKillProbes : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void killedProgramLeavesSoundStore();
};

void TestKillProbes::killedProgramLeavesSoundStore()
{
    constexpr int Kills = 30;
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString document = dir.filePath(QStringLiteral("doc.json"));
    {
        QFile file(document);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("{\"a\":[1,2,3]}");
    }
    QDir().mkpath(dir.filePath(QStringLiteral("config")));
    QDir().mkpath(dir.filePath(QStringLiteral("runtime")));
    QFile::setPermissions(dir.filePath(QStringLiteral("runtime")),
        QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), dir.filePath(QStringLiteral("config")));
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), dir.filePath(QStringLiteral("runtime")));
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    const QString store = dir.filePath(QStringLiteral("config/ravek/quillon/registry.db"));
    // The same moments on every run, so that a finding can be repeated.
    QRandomGenerator random(20261209);
    int killedRunning = 0;
    for (int i = 0; i < Kills; ++i) {
        QProcess driver;
        driver.setProcessEnvironment(env);
        driver.start(QStringLiteral(SETTINGS_DRIVER), {document});
        QVERIFY(driver.waitForStarted());
        if (i % 2 == 0) {
            // During start-up: creating or opening the store, restoring the windows.
            QTest::qWait(int(random.bounded(400)));
        } else {
            // While options change and every change is saved.
            QVERIFY2(driver.waitForReadyRead(20000), driver.readAllStandardError().constData());
            QTest::qWait(int(random.bounded(300)));
        }
        const bool running = driver.readAllStandardOutput().contains("running");
        ::kill(pid_t(driver.processId()), SIGKILL);
        QVERIFY(driver.waitForFinished(20000));
        const QByteArray errors = driver.readAllStandardError();
        QVERIFY2(!errors.contains("notice:") && !errors.contains("box:"), errors.constData());
        killedRunning += running ? 1 : 0;
        if (!QFileInfo::exists(store))
            continue;
        sqlite3* db = nullptr;
        QCOMPARE(sqlite3_open_v2(QFile::encodeName(store).constData(), &db, SQLITE_OPEN_READWRITE, nullptr),
            SQLITE_OK);
        sqlite3_stmt* check = nullptr;
        QCOMPARE(sqlite3_prepare_v2(db, "PRAGMA integrity_check", -1, &check, nullptr), SQLITE_OK);
        QCOMPARE(sqlite3_step(check), SQLITE_ROW);
        const QString result =
            QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(check, 0)));
        sqlite3_finalize(check);
        sqlite3_close(db);
        QCOMPARE(result, QString("ok"));
    }
    QVERIFY(killedRunning >= Kills / 2);
    // The next start takes the store as it is.
    QStringList notices;
    SetNoticeHandler([&notices](TNoticeKind, const QString& AText) { notices << AText; });
    auto hive = TRegistryHive::Open(store);
    SetNoticeHandler({});
    QVERIFY2(notices.isEmpty(), qPrintable(notices.join(QLatin1Char('\n'))));
    QVERIFY(hive->IsPersistent());
    QVERIFY(hive->ValueExists(QStringLiteral("Software\\Ravek\\Quillon\\1.x\\Twnd_quil_Main\\acPersistent"),
        QStringLiteral("Checked")));
    QCOMPARE(QDir(QFileInfo(store).absolutePath()).entryList({QStringLiteral("*corrupt*")}), QStringList());
}

QTEST_GUILESS_MAIN(TestKillProbes)
#include "tst_killprobes.moc"
