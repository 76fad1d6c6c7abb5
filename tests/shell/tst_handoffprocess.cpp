// The hand-off between real processes: the helper runs the program's start-up with a stand-in
// window and logs what it would open (see HandoffHelper.cpp).
#include "codecs/HandoffFrame.h"
#include "shell/InstanceHandoff.h"

#include <QDir>
#include <QFile>
#include <QLocalSocket>
#include <QLockFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <memory>
#include <sys/stat.h>

Q_DECLARE_METATYPE(TIPCMessage)

namespace {

constexpr int StartTimeoutMs = 20000;

// waitForFinished answers false for a process that has already been seen to end.
bool Ended(QProcess* process)
{
    return process->state() == QProcess::NotRunning || process->waitForFinished(StartTimeoutMs);
}

} // namespace

class TestHandoffProcess : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();
    void twoFilesInOrder();
    void unicodeNames();
    void switchesDropped();
    void relativeToSenderFolder();
    void toolkitOptionsAreNoItems();
    void noArgumentsRaises();
    void startAndEndOrder();
    void twentyAtOnce();
    void killedFirstInstance();
    void randomBytes();
    void slowWindow();
    void firstNotListeningYet();
    void firstEndsMeanwhile();
    void informationSwitchesLeaveFirstAlone();

private:
    QProcess* Start(const QStringList& arguments, const QString& folder = QString(), int windowDelayMs = 0);
    // Starts the first instance and waits until its window exists.
    QProcess* StartFirst(const QStringList& arguments = {}, const QString& folder = QString());
    // Runs a later start to its end; it must end by itself with exit code 0.
    bool RunSecond(const QStringList& arguments, const QString& folder = QString());
    void QuitFirst(QProcess* first);
    QStringList LogLines() const;
    QStringList Opened() const;
    bool WaitForLog(
        const std::function<bool(const QStringList&)>& ready, int timeoutMs = StartTimeoutMs) const;
    QString File(const QString& name);
    QString SocketPath() const { return FRuntime->path() + QStringLiteral("/ravek-quillon/Twnd_quil_Main"); }

    std::unique_ptr<QTemporaryDir> FRuntime;
    std::unique_ptr<QTemporaryDir> FWork;
    QString FLog;
    std::vector<std::unique_ptr<QProcess>> FProcesses;
};

void TestHandoffProcess::init()
{
    FRuntime = std::make_unique<QTemporaryDir>();
    FWork = std::make_unique<QTemporaryDir>();
    QVERIFY(FRuntime->isValid() && FWork->isValid());
    QCOMPARE(::chmod(QFile::encodeName(FRuntime->path()).constData(), 0700), 0);
    FLog = FWork->filePath(QStringLiteral("helper.log"));
}

void TestHandoffProcess::cleanup()
{
    // Never leave a process behind, whatever the test did.
    for (const auto& process : FProcesses) {
        if (process->state() != QProcess::NotRunning) {
            process->kill();
            process->waitForFinished(5000);
        }
    }
    FProcesses.clear();
}

QProcess* TestHandoffProcess::Start(const QStringList& arguments, const QString& folder, int windowDelayMs)
{
    auto process = std::make_unique<QProcess>();
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), FRuntime->path());
    environment.insert(QStringLiteral("QUILLON_HELPER_LOG"), FLog);
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    environment.insert(QStringLiteral("QUILLON_HELPER_WINDOW_DELAY_MS"), QString::number(windowDelayMs));
    process->setProcessEnvironment(environment);
    process->setWorkingDirectory(folder.isEmpty() ? FWork->path() : folder);
    process->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process->setStandardOutputFile(QProcess::nullDevice());
    process->start(QStringLiteral(HANDOFF_HELPER), arguments);
    FProcesses.push_back(std::move(process));
    return FProcesses.back().get();
}

QProcess* TestHandoffProcess::StartFirst(const QStringList& arguments, const QString& folder)
{
    QProcess* process = Start(arguments, folder);
    if (!process->waitForStarted(StartTimeoutMs))
        return nullptr;
    const QString marker = QStringLiteral("first %1 ").arg(process->processId());
    if (!WaitForLog([&](const QStringList& lines) {
            return std::any_of(
                lines.begin(), lines.end(), [&](const QString& l) { return l.startsWith(marker); });
        }))
        return nullptr;
    return process;
}

bool TestHandoffProcess::RunSecond(const QStringList& arguments, const QString& folder)
{
    QProcess* process = Start(arguments, folder);
    return Ended(process) && process->exitStatus() == QProcess::NormalExit && process->exitCode() == 0;
}

void TestHandoffProcess::QuitFirst(QProcess* first)
{
    QVERIFY(RunSecond({QStringLiteral("--quit-helper")}));
    QVERIFY(Ended(first));
    QCOMPARE(first->exitStatus(), QProcess::NormalExit);
    QCOMPARE(first->exitCode(), 0);
}

QStringList TestHandoffProcess::LogLines() const
{
    QFile file(FLog);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QStringList lines = QString::fromUtf8(file.readAll()).split(u'\n');
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

QStringList TestHandoffProcess::Opened() const
{
    QStringList opened;
    for (const QString& line : LogLines()) {
        if (line.startsWith(u"open "))
            opened += line.mid(5);
    }
    return opened;
}

bool TestHandoffProcess::WaitForLog(const std::function<bool(const QStringList&)>& ready, int timeoutMs) const
{
    QDeadlineTimer deadline(timeoutMs);
    while (!ready(LogLines())) {
        if (deadline.hasExpired())
            return false;
        QTest::qWait(20);
    }
    return true;
}

QString TestHandoffProcess::File(const QString& name)
{
    const QString path = FWork->filePath(name);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return {};
    file.write("[]");
    return path;
}

void TestHandoffProcess::twoFilesInOrder()
{
    QProcess* first = StartFirst();
    QVERIFY(first);
    const QString b = File(QStringLiteral("b.json"));
    const QString a = File(QStringLiteral("a.json"));
    QVERIFY(RunSecond({QStringLiteral("b.json"), a}));
    // The second instance ended only after its record was taken: the names are there already.
    QCOMPARE(Opened(), (QStringList {b, a}));
    QuitFirst(first);
}

void TestHandoffProcess::unicodeNames()
{
    QProcess* first = StartFirst();
    QVERIFY(first);
    // U+4E00 is 00 4E in UTF-16LE: a zero byte inside the record.
    const QString one = File(QString(QChar(0x4E00)) + QStringLiteral(".json"));
    const QString mixed = File(QStringLiteral("x ") + QChar(0x4E00) + QChar(0x0100) + QChar(0x00E9)
        + QStringLiteral(" \U0001F600.json"));
    QVERIFY(!one.isEmpty() && !mixed.isEmpty());
    QVERIFY(RunSecond({one, QFileInfo(mixed).fileName()}));
    QCOMPARE(Opened(), (QStringList {one, mixed}));
    QuitFirst(first);
}

void TestHandoffProcess::switchesDropped()
{
    QProcess* first = StartFirst();
    QVERIFY(first);
    const QString a = File(QStringLiteral("a.json"));
    QVERIFY(RunSecond({QStringLiteral("-v"), QStringLiteral("/mode:x;y"), a, QStringLiteral("--flag"),
        QStringLiteral("missing.json"), FWork->path(), QStringLiteral("/dev/zero")}));
    QCOMPARE(Opened(), QStringList {a});
    QuitFirst(first);
}

void TestHandoffProcess::relativeToSenderFolder()
{
    // Both folders hold "same.json"; only the sender's holds "only.json".
    QTemporaryDir firstFolder;
    QTemporaryDir secondFolder;
    QVERIFY(QDir(secondFolder.path()).mkdir(QStringLiteral("sub")));
    for (const QString& path : {firstFolder.filePath(QStringLiteral("same.json")),
             secondFolder.filePath(QStringLiteral("same.json")),
             secondFolder.filePath(QStringLiteral("only.json"))}) {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
    }
    QProcess* first = StartFirst({}, firstFolder.path());
    QVERIFY(first);
    // The sender makes its names absolute, and clean, against its own folder.
    QVERIFY(
        RunSecond({QStringLiteral("same.json"), QStringLiteral("sub/../only.json")}, secondFolder.path()));
    QCOMPARE(Opened(),
        (QStringList {secondFolder.filePath(QStringLiteral("same.json")),
            secondFolder.filePath(QStringLiteral("only.json"))}));
    QuitFirst(first);
}

void TestHandoffProcess::toolkitOptionsAreNoItems()
{
    // A file named like the value of the toolkit's own option.
    const QString named = File(QStringLiteral("offscreen"));
    QProcess* first = StartFirst({QStringLiteral("-platform"), QStringLiteral("offscreen")});
    QVERIFY(first);
    QVERIFY(Opened().isEmpty());
    const QString a = File(QStringLiteral("a.json"));
    QVERIFY(RunSecond({QStringLiteral("-platform"), QStringLiteral("offscreen"), a}));
    QCOMPARE(Opened(), QStringList {a});
    QVERIFY(QFileInfo::exists(named));
    QuitFirst(first);
}

void TestHandoffProcess::noArgumentsRaises()
{
    QProcess* first = StartFirst();
    QVERIFY(first);
    QVERIFY(RunSecond({}));
    QVERIFY(LogLines().contains(QStringLiteral("raise")));
    QVERIFY(Opened().isEmpty());
    QCOMPARE(first->state(), QProcess::Running);
    QuitFirst(first);
}

void TestHandoffProcess::startAndEndOrder()
{
    const QString own = File(QStringLiteral("own.json"));
    QProcess* first = StartFirst({own});
    QVERIFY(first);
    const QString pid = QString::number(first->processId());
    QVERIFY(RunSecond({}));
    QuitFirst(first);
    const QStringList lines = LogLines();
    // The first instance: storage, then the window (with the version block of its executable read)
    // and its own file, and at the end the storage released after the window, exit code 0.
    const QStringList own_steps =
        lines.filter(QRegularExpression(QStringLiteral("^\\w+ (\\w+ )?") + pid + QStringLiteral("\\b")));
    QCOMPARE(own_steps,
        (QStringList {QStringLiteral("storage up ") + pid,
            QStringLiteral("first ") + pid + QStringLiteral(" 1.4.0.0"),
            QStringLiteral("storage down ") + pid,
            QStringLiteral("first ") + pid + QStringLiteral(" exit 0")}));
    QCOMPARE(lines.indexOf(QStringLiteral("open ") + own),
        lines.indexOf(QStringLiteral("first ") + pid + QStringLiteral(" 1.4.0.0")) + 1);
    // Each later start: storage up and down around its hand-off, exit code 0, no window.
    QCOMPARE(lines.filter(QRegularExpression(QStringLiteral("^second [0-9]+ exit 0$"))).size(), 2);
    QCOMPARE(lines.filter(QRegularExpression(QStringLiteral("^storage up "))).size(), 3);
    QCOMPARE(lines.filter(QRegularExpression(QStringLiteral("^storage down "))).size(), 3);
    QCOMPARE(lines.count(QStringLiteral("raise")), 2);
}

void TestHandoffProcess::twentyAtOnce()
{
    constexpr int Count = 20;
    QList<QProcess*> processes;
    QStringList expected;
    for (int i = 0; i < Count; ++i) {
        const QString a = File(QStringLiteral("p%1a.json").arg(i));
        const QString b = File(QStringLiteral("p%1b.json").arg(i));
        expected << a << b;
        processes << Start({a, b});
    }
    // All but one end by themselves; the one left is the first instance.
    QDeadlineTimer deadline(60000);
    QProcess* first = nullptr;
    for (;;) {
        int running = 0;
        for (QProcess* p : processes) {
            if (p->state() != QProcess::NotRunning) {
                ++running;
                first = p;
            }
        }
        if (running <= 1)
            break;
        QVERIFY2(!deadline.hasExpired(), "later starts did not end");
        QTest::qWait(50);
    }
    QVERIFY(first);
    for (QProcess* p : processes) {
        if (p != first) {
            QCOMPARE(p->exitStatus(), QProcess::NormalExit);
            QCOMPARE(p->exitCode(), 0);
        }
    }
    const QStringList lines = LogLines();
    QCOMPARE(lines.filter(QRegularExpression(QStringLiteral("^first [0-9]+ "))).size(), 1);
    QVERIFY(lines.contains(QStringLiteral("first %1 1.4.0.0").arg(first->processId())));
    QCOMPARE(lines.filter(QRegularExpression(QStringLiteral("^second [0-9]+ exit 0$"))).size(), Count - 1);
    // No name lost, none twice, and each start's two names in their order.
    const QStringList opened = Opened();
    QCOMPARE(opened.size(), 2 * Count);
    QStringList sorted = opened;
    sorted.sort();
    QStringList all = expected;
    all.sort();
    QCOMPARE(sorted, all);
    for (int i = 0; i < Count; ++i)
        QVERIFY(opened.indexOf(expected.at(2 * i)) < opened.indexOf(expected.at(2 * i + 1)));
    QuitFirst(first);
}

void TestHandoffProcess::killedFirstInstance()
{
    QProcess* crashed = StartFirst();
    QVERIFY(crashed);
    QCOMPARE(::kill(pid_t(crashed->processId()), SIGKILL), 0);
    QVERIFY(Ended(crashed));
    // Its lock file and socket are still there; the next start becomes first all the same.
    QVERIFY(QFile::exists(SocketPath()));
    const QString own = File(QStringLiteral("own.json"));
    QProcess* next = StartFirst({own});
    QVERIFY2(next, "the start after the crash did not become the first instance");
    const QString later = File(QStringLiteral("later.json"));
    QVERIFY(RunSecond({later}));
    QCOMPARE(Opened(), (QStringList {own, later}));
    QuitFirst(next);
}

void TestHandoffProcess::randomBytes()
{
    QProcess* first = StartFirst();
    QVERIFY(first);
    const QString a = File(QStringLiteral("a.json"));
    QRandomGenerator random(20240521);
    QList<QByteArray> attacks;
    for (int i = 0; i < 40; ++i) {
        QByteArray bytes(int(random.bounded(1, 4096)), Qt::Uninitialized);
        for (char& c : bytes)
            c = char(random.bounded(256));
        // Some of them with a valid start, so that they get past the magic.
        if (i % 4 == 0)
            bytes.replace(0, 4, HandoffMagic.toByteArray());
        attacks << bytes;
    }
    QByteArray header = HandoffMagic.toByteArray();
    header += QByteArray("\xFF\xFF\xFF\x7F", 4); // 2 GiB announced
    attacks << header;
    TIPCMessage data;
    data.Typ = ipcData; // well-formed, naming a file, but not a request to open
    data.StrData = a;
    attacks << BuildHandoffFrame(BuildIPCBlock(data));
    QByteArray shortRecord = HandoffMagic.toByteArray() + QByteArray("\x05\0\0\0", 4) + "abcde";
    attacks << shortRecord;

    // An idle connection stays open during all of it.
    QLocalSocket idle;
    idle.connectToServer(SocketPath());
    QVERIFY(idle.waitForConnected(5000));
    for (const QByteArray& bytes : attacks) {
        QLocalSocket socket;
        socket.connectToServer(SocketPath());
        QVERIFY(socket.waitForConnected(5000));
        socket.write(bytes);
        socket.flush();
        socket.disconnectFromServer();
        if (socket.state() != QLocalSocket::UnconnectedState)
            socket.waitForDisconnected(2000);
    }
    // Still alive, still serving, and nothing of the above was opened.
    QVERIFY(RunSecond({a}));
    QCOMPARE(first->state(), QProcess::Running);
    QCOMPARE(Opened(), QStringList {a});
    QuitFirst(first);
}

void TestHandoffProcess::slowWindow()
{
    // The first instance listens as soon as it holds the lock; what arrives before its window
    // exists is kept and opened once the window is there.
    const QString own = File(QStringLiteral("own.json"));
    QProcess* first = Start({own}, QString(), 1500);
    QVERIFY(first->waitForStarted(StartTimeoutMs));
    QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(SocketPath()), StartTimeoutMs);
    const QString early = File(QStringLiteral("early.json"));
    QVERIFY(RunSecond({early}));
    QVERIFY(WaitForLog(
        [&](const QStringList& lines) { return lines.contains(QStringLiteral("open ") + early); }));
    QCOMPARE(Opened(), (QStringList {own, early}));
    QuitFirst(first);
}

void TestHandoffProcess::firstNotListeningYet()
{
    // This test holds the lock and opens the socket only later: the second start keeps trying.
    const QString folder = FRuntime->path() + QStringLiteral("/ravek-quillon");
    QVERIFY(PreparePrivateDirectory(folder));
    TSingleInstance held(folder);
    QLockFile lock(held.LockPath());
    QVERIFY(lock.tryLock(0));
    const QString a = File(QStringLiteral("a.json"));
    QProcess* second = Start({a});
    QVERIFY(second->waitForStarted(StartTimeoutMs));
    QTest::qWait(600);
    QCOMPARE(second->state(), QProcess::Running);
    THandoffServer server;
    QVERIFY(server.Listen(held.SocketPath()));
    server.StartDelivery();
    QSignalSpy received(&server, &THandoffServer::MessageReceived);
    QTRY_COMPARE_WITH_TIMEOUT(received.count(), 1, StartTimeoutMs);
    QCOMPARE(IPCFilesToOpen(received.at(0).at(0).value<TIPCMessage>(), FWork->path()), QStringList {a});
    QVERIFY(Ended(second));
    QCOMPARE(second->exitCode(), 0);
}

void TestHandoffProcess::firstEndsMeanwhile()
{
    // The lock is held but nobody listens, and then the holder ends: the start becomes the first.
    const QString folder = FRuntime->path() + QStringLiteral("/ravek-quillon");
    QVERIFY(PreparePrivateDirectory(folder));
    TSingleInstance held(folder);
    QLockFile lock(held.LockPath());
    QVERIFY(lock.tryLock(0));
    const QString a = File(QStringLiteral("a.json"));
    QProcess* next = Start({a});
    QVERIFY(next->waitForStarted(StartTimeoutMs));
    QTest::qWait(500);
    lock.unlock();
    const QString marker = QStringLiteral("first %1 ").arg(next->processId());
    QVERIFY(WaitForLog([&](const QStringList& lines) {
        return std::any_of(
            lines.begin(), lines.end(), [&](const QString& l) { return l.startsWith(marker); });
    }));
    QCOMPARE(Opened(), QStringList {a});
    QuitFirst(next);
}

void TestHandoffProcess::informationSwitchesLeaveFirstAlone()
{
    QProcess* first = StartFirst();
    QVERIFY(first);
    const qsizetype before = LogLines().size();
    for (const QString& request : {QStringLiteral("--version"), QStringLiteral("--help")}) {
        QProcess process;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), FRuntime->path());
        environment.insert(QStringLiteral("QUILLON_HELPER_LOG"), FLog);
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        process.setProcessEnvironment(environment);
        process.setWorkingDirectory(FWork->path());
        process.start(QStringLiteral(HANDOFF_HELPER), {request, File(QStringLiteral("a.json"))});
        QVERIFY(process.waitForFinished(StartTimeoutMs));
        QCOMPARE(process.exitStatus(), QProcess::NormalExit);
        QCOMPARE(process.exitCode(), 0);
        const QString output = QString::fromUtf8(process.readAllStandardOutput());
        QVERIFY2(output.startsWith(
                     request == u"--help" ? QStringLiteral("Usage: ") : QStringLiteral("Ravek Quillon 1.")),
            qPrintable(output));
    }
    // Neither start reached the storage, the instance check or the running window: all they left is
    // their own end.
    const QStringList added = LogLines().mid(before);
    QCOMPARE(added.size(), 2);
    for (const QString& line : added)
        QVERIFY2(line.startsWith(u"second ") && line.endsWith(u" exit 0"), qPrintable(line));
    QuitFirst(first);
}

QTEST_GUILESS_MAIN(TestHandoffProcess)
#include "tst_handoffprocess.moc"
