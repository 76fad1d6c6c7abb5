// The hand-off in one process: the frame reader, the files a record opens, the private folder, the
// instance lock and the first instance's server against well-formed and hostile connections.
#include "codecs/HandoffFrame.h"
#include "shell/InstanceHandoff.h"

#include <QDir>
#include <QFile>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <atomic>
#include <fcntl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <thread>
#include <unistd.h>

Q_DECLARE_METATYPE(TIPCMessage)

namespace {

QByteArray ParamsBlock(const QString& text, TIPCType typ = ipcParams)
{
    TIPCMessage message;
    message.UID = 42;
    message.Typ = typ;
    message.StrData = text;
    return BuildIPCBlock(message);
}

QByteArray Header(uint32_t size, QByteArrayView magic = HandoffMagic)
{
    QByteArray header(magic.data(), magic.size());
    for (int i = 0; i < 4; ++i)
        header += char(size >> (8 * i) & 0xFF);
    return header;
}

bool Touch(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write("{}") == 2;
}

#define QTRY_VERIFY_WITH_TIMEOUT_NO_RETURN(expr, timeout)                                                    \
    do {                                                                                                     \
        QDeadlineTimer deadline_(timeout);                                                                   \
        while (!(expr) && !deadline_.hasExpired())                                                           \
            QTest::qWait(10);                                                                                \
    } while (false)

// SendHandoff blocks, so it runs beside the event loop that serves it.
THandoffSendResult SendBeside(const QString& path, const QByteArray& block)
{
    std::atomic<int> result {-1};
    std::thread sender([&] { result = SendHandoff(path, block, 5000); });
    QTRY_VERIFY_WITH_TIMEOUT_NO_RETURN(result != -1, 10000);
    sender.join();
    return THandoffSendResult(result.load());
}

mode_t ModeOf(const QString& path)
{
    struct stat st { };
    return ::lstat(QFile::encodeName(path).constData(), &st) == 0 ? st.st_mode & 07777 : 0;
}

} // namespace

class TestHandoff : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void frame_data();
    void frame();
    void frameInPieces();
    void filesToOpen();
    void privateDirectory();
    void peerCredentials();
    void instanceLock();
    void staleLock();
    void keptUntilDelivery();
    void hostileFrames_data();
    void hostileFrames();
    void idleConnectionsTimeOut();
    void noServer();

private:
    QTemporaryDir FDir;
};

void TestHandoff::initTestCase()
{
    qRegisterMetaType<TIPCMessage>();
    QVERIFY(FDir.isValid());
    // Private runtime and temporary folders, also when the test runs outside ctest.
    QVERIFY(QDir(FDir.path()).mkdir(QStringLiteral("runtime")));
    QVERIFY(QDir(FDir.path()).mkdir(QStringLiteral("tmp")));
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(FDir.filePath(QStringLiteral("runtime"))));
    qputenv("TMPDIR", QFile::encodeName(FDir.filePath(QStringLiteral("tmp"))));
}

void TestHandoff::frame_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("state");
    QTest::addColumn<QByteArray>("block");
    const QByteArray block = ParamsBlock(QStringLiteral("a.json"));
    QTest::newRow("record") << BuildHandoffFrame(block) << int(THandoffFrameReader::frsComplete) << block;
    QTest::newRow("raise only") << Header(0) << int(THandoffFrameReader::frsComplete) << QByteArray();
    QTest::newRow("header only") << Header(5) << int(THandoffFrameReader::frsIncomplete) << QByteArray();
    QTest::newRow("half a header") << Header(5).first(3) << int(THandoffFrameReader::frsIncomplete)
                                   << QByteArray();
    QTest::newRow("wrong magic") << Header(0, "QLHX") << int(THandoffFrameReader::frsInvalid) << QByteArray();
    QTest::newRow("over the cap") << Header(uint32_t(MaxHandoffBlock + 1))
                                  << int(THandoffFrameReader::frsInvalid) << QByteArray();
    QTest::newRow("announces 4 GiB") << Header(0xFFFFFFFF) << int(THandoffFrameReader::frsInvalid)
                                     << QByteArray();
    QTest::newRow("bytes after the frame")
        << BuildHandoffFrame(block) + "x" << int(THandoffFrameReader::frsInvalid) << QByteArray();
    QTest::newRow("at the cap") << Header(uint32_t(MaxHandoffBlock)) + QByteArray(MaxHandoffBlock, 'z')
                                << int(THandoffFrameReader::frsComplete) << QByteArray(MaxHandoffBlock, 'z');
}

void TestHandoff::frame()
{
    QFETCH(QByteArray, bytes);
    QFETCH(int, state);
    THandoffFrameReader reader;
    QCOMPARE(int(reader.Append(bytes)), state);
    QTEST(reader.Block(), "block");
}

void TestHandoff::frameInPieces()
{
    const QByteArray frame = BuildHandoffFrame(ParamsBlock(QStringLiteral("x\r\ny")));
    for (qsizetype piece = 1; piece < 12; ++piece) {
        THandoffFrameReader reader;
        for (qsizetype at = 0; at < frame.size(); at += piece)
            reader.Append(QByteArrayView(frame).sliced(at, qMin(piece, frame.size() - at)));
        QCOMPARE(reader.State(), THandoffFrameReader::frsComplete);
        QCOMPARE(reader.Block(), frame.sliced(HandoffHeaderSize));
        QCOMPARE(reader.Append("z"), THandoffFrameReader::frsInvalid);
    }
    QVERIFY(BuildHandoffFrame(QByteArray(MaxHandoffBlock + 1, 'a')).isEmpty());
}

void TestHandoff::filesToOpen()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString cjk = QString(QChar(0x4E00)) + QStringLiteral(".json");
    QVERIFY(Touch(dir.filePath("a.json")));
    QVERIFY(Touch(dir.filePath("b c.json")));
    QVERIFY(Touch(dir.filePath(cjk)));
    QVERIFY(QDir(dir.path()).mkdir("folder"));
    QCOMPARE(::mkfifo(QFile::encodeName(dir.filePath("fifo")).constData(), 0600), 0);
    QVERIFY(QFile::link(dir.filePath("a.json"), dir.filePath("link.json")));
    QVERIFY(QFile::link(dir.filePath("folder"), dir.filePath("folderlink")));
    QVERIFY(QFile::link(dir.filePath("gone"), dir.filePath("dangling")));

    const QString text =
        QStringList {QStringLiteral("b c.json"), QStringLiteral("-v"), QStringLiteral("/x:y"),
            QStringLiteral(""), dir.filePath("a.json"), cjk, QStringLiteral("folder"), QStringLiteral("fifo"),
            QStringLiteral("/dev/null"), QStringLiteral("link.json"), QStringLiteral("folderlink"),
            QStringLiteral("dangling"), QStringLiteral("missing.json"), QStringLiteral("a.json")}
            .join(u"\r\n");
    TIPCMessage message;
    message.Typ = ipcParams;
    message.StrData = text;
    const QStringList expected {dir.filePath("b c.json"), dir.filePath("a.json"), dir.filePath(cjk),
        dir.filePath("link.json"), dir.filePath("a.json")};
    QCOMPARE(IPCFilesToOpen(message, dir.path()), expected);
    // Relative names belong to the receiver's folder, whoever sent them.
    QVERIFY(IPCFilesToOpen(message, FDir.path()) == QStringList {dir.filePath("a.json")});
    message.Typ = ipcData;
    QVERIFY(IPCFilesToOpen(message, dir.path()).isEmpty());
    message.Typ = TIPCType(7);
    QVERIFY(IPCFilesToOpen(message, dir.path()).isEmpty());
}

void TestHandoff::privateDirectory()
{
    const QString fresh = FDir.filePath("fresh");
    QVERIFY(PreparePrivateDirectory(fresh));
    QCOMPARE(ModeOf(fresh), mode_t(0700));
    const QString wide = FDir.filePath("wide");
    QVERIFY(QDir(FDir.path()).mkdir("wide"));
    QCOMPARE(::chmod(QFile::encodeName(wide).constData(), 0777), 0);
    QVERIFY(PreparePrivateDirectory(wide));
    QCOMPARE(ModeOf(wide), mode_t(0700));
    // A link in its place is refused rather than followed, and so is a file.
    QVERIFY(QFile::link(fresh, FDir.filePath("linked")));
    QVERIFY(!PreparePrivateDirectory(FDir.filePath("linked")));
    QVERIFY(Touch(FDir.filePath("plain")));
    QVERIFY(!PreparePrivateDirectory(FDir.filePath("plain")));
    QVERIFY(!PreparePrivateDirectory(QStringLiteral("relative/path")));
    QVERIFY(!PreparePrivateDirectory(FDir.filePath("no/such/parent")));

    // A private runtime folder holds the hand-off folder.
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    const QString handoff = HandoffDirectory();
    QCOMPARE(handoff, runtime + QStringLiteral("/ravek-quillon"));
    QCOMPARE(ModeOf(handoff), mode_t(0700));
    // A runtime folder that others may write to, or none, is not trusted: the temporary folder is
    // used, but only when others cannot move things in it.
    const QByteArray saved = qgetenv("XDG_RUNTIME_DIR");
    QCOMPARE(::chmod(QFile::encodeName(wide).constData(), 0777), 0);
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(wide));
    const QString fallback = FDir.filePath(QStringLiteral("tmp/ravek-quillon-%1").arg(::geteuid()));
    QCOMPARE(HandoffDirectory(), fallback);
    qunsetenv("XDG_RUNTIME_DIR");
    QCOMPARE(HandoffDirectory(), fallback);
    const QByteArray tmp = QFile::encodeName(FDir.filePath(QStringLiteral("tmp")));
    QCOMPARE(::chmod(tmp.constData(), 0777), 0);
    QVERIFY(HandoffDirectory().isEmpty());
    QCOMPARE(::chmod(tmp.constData(), 01777), 0);
    QCOMPARE(HandoffDirectory(), fallback);
    QCOMPARE(::chmod(tmp.constData(), 0700), 0);
    qputenv("XDG_RUNTIME_DIR", saved);
}

void TestHandoff::peerCredentials()
{
    int pair[2];
    QCOMPARE(::socketpair(AF_UNIX, SOCK_STREAM, 0, pair), 0);
    QVERIFY(PeerIsSameUser(pair[0]));
    ::close(pair[0]);
    ::close(pair[1]);
    const int file = ::open("/dev/null", O_RDONLY);
    QVERIFY(!PeerIsSameUser(file));
    ::close(file);
    QVERIFY(!PeerIsSameUser(-1));
}

void TestHandoff::instanceLock()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    auto first = std::make_unique<TSingleInstance>(dir.path());
    TSingleInstance second(dir.path());
    QVERIFY(first->TryBecomeFirst());
    QVERIFY(first->Server());
    QCOMPARE(first->SocketPath(), dir.filePath("Twnd_quil_Main"));
    QCOMPARE(first->LockPath(), dir.filePath("{15D8D00A-2AB7-41E4-B263-03884B49CD2F}.lock"));
    QVERIFY(!second.TryBecomeFirst());
    QVERIFY(!second.LockUnavailable());
    QVERIFY(!second.Server());
    first.reset();
    QVERIFY(!QFile::exists(dir.filePath("Twnd_quil_Main")));
    QVERIFY(second.TryBecomeFirst());
    QVERIFY(second.Server());

    // A folder we may not write to gives no lock at all: no instance is running there.
    QTemporaryDir closed;
    QCOMPARE(::chmod(QFile::encodeName(closed.path()).constData(), 0500), 0);
    TSingleInstance locked(closed.path());
    if (::geteuid() != 0) {
        QVERIFY(!locked.TryBecomeFirst());
        QVERIFY(locked.LockUnavailable());
    }
    ::chmod(QFile::encodeName(closed.path()).constData(), 0700);
}

void TestHandoff::staleLock()
{
    // The lock of a process that is gone, and the socket file it left behind.
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QProcess gone;
    gone.start(QStringLiteral("/bin/true"), {});
    QVERIFY(gone.waitForStarted(10000));
    const qint64 pid = gone.processId();
    QVERIFY(gone.waitForFinished(10000));
    {
        QFile lock(dir.filePath("{15D8D00A-2AB7-41E4-B263-03884B49CD2F}.lock"));
        QVERIFY(lock.open(QIODevice::WriteOnly));
        lock.write(QByteArray::number(pid) + "\ntrue\n\n");
    }
    const int leftover = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address {};
    address.sun_family = AF_UNIX;
    const QByteArray socketPath = QFile::encodeName(dir.filePath("Twnd_quil_Main"));
    std::copy(socketPath.begin(), socketPath.end(), address.sun_path);
    QCOMPARE(::bind(leftover, reinterpret_cast<sockaddr*>(&address), sizeof(address)), 0);
    ::close(leftover);
    QVERIFY(QFile::exists(dir.filePath("Twnd_quil_Main")));
    QCOMPARE(SendHandoff(dir.filePath("Twnd_quil_Main"), {}), hsrNoServer);

    TSingleInstance instance(dir.path());
    QVERIFY(instance.TryBecomeFirst());
    QVERIFY(instance.Server());
    QCOMPARE(SendBeside(instance.SocketPath(), {}), hsrDelivered);
}

void TestHandoff::keptUntilDelivery()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    THandoffServer server;
    QVERIFY(server.Listen(dir.filePath("s")));
    QSignalSpy raised(&server, &THandoffServer::RaiseRequested);
    QSignalSpy received(&server, &THandoffServer::MessageReceived);
    // Before the window exists: the senders are answered, the records kept, raising dropped.
    QCOMPARE(SendBeside(server.SocketPath(), ParamsBlock(QStringLiteral("one"))), hsrDelivered);
    QCOMPARE(SendBeside(server.SocketPath(), {}), hsrDelivered);
    QCOMPARE(SendBeside(server.SocketPath(), ParamsBlock(QStringLiteral("two"))), hsrDelivered);
    QCOMPARE(received.count(), 0);
    server.StartDelivery();
    QCOMPARE(received.count(), 2);
    QCOMPARE(received.at(0).at(0).value<TIPCMessage>().StrData, u"one");
    QCOMPARE(received.at(1).at(0).value<TIPCMessage>().StrData, u"two");
    QCOMPARE(raised.count(), 0);
    // From now on each frame raises, then hands out its record.
    const QString cjk = QString(QChar(0x4E00)) + QChar(0x0100) + QStringLiteral("\r\n-x");
    QCOMPARE(SendBeside(server.SocketPath(), ParamsBlock(cjk)), hsrDelivered);
    QCOMPARE(raised.count(), 1);
    QCOMPARE(received.count(), 3);
    const TIPCMessage last = received.at(2).at(0).value<TIPCMessage>();
    QCOMPARE(last.StrData, cjk);
    QCOMPARE(last.Typ, ipcParams);
    QCOMPARE(last.UID, int64_t(42));
    QCOMPARE(SendBeside(server.SocketPath(), {}), hsrDelivered);
    QCOMPARE(raised.count(), 2);
    QCOMPARE(received.count(), 3);
}

void TestHandoff::hostileFrames_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("wrong magic") << QByteArray("GET / HTTP/1.0\r\n\r\n");
    QTest::newRow("over the cap") << Header(uint32_t(MaxHandoffBlock + 1)) + QByteArray(64, 'a');
    QTest::newRow("record too short") << Header(18) + QByteArray(18, '\0');
    QByteArray odd = ParamsBlock(QStringLiteral("ab"));
    odd.insert(18, 'x');
    QTest::newRow("odd UTF-16 record") << Header(uint32_t(odd.size())) + odd;
    QTest::newRow("bytes after the frame") << BuildHandoffFrame(ParamsBlock(QStringLiteral("a"))) + "more";
}

void TestHandoff::hostileFrames()
{
    QFETCH(QByteArray, bytes);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    THandoffServer server;
    QVERIFY(server.Listen(dir.filePath("s")));
    server.StartDelivery();
    QSignalSpy raised(&server, &THandoffServer::RaiseRequested);
    QSignalSpy received(&server, &THandoffServer::MessageReceived);
    QLocalSocket socket;
    socket.connectToServer(server.SocketPath());
    QVERIFY(socket.waitForConnected(2000));
    socket.write(bytes);
    socket.flush();
    QTRY_COMPARE_WITH_TIMEOUT(socket.state(), QLocalSocket::UnconnectedState, 5000);
    QVERIFY(!socket.readAll().contains("QLOK"));
    QCOMPARE(raised.count(), 0);
    QCOMPARE(received.count(), 0);
    // The server goes on serving.
    QCOMPARE(SendBeside(server.SocketPath(), ParamsBlock(QStringLiteral("ok"))), hsrDelivered);
    QCOMPARE(received.count(), 1);
}

void TestHandoff::idleConnectionsTimeOut()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    THandoffServer server;
    server.SetFrameTimeout(300);
    QVERIFY(server.Listen(dir.filePath("s")));
    server.StartDelivery();
    QSignalSpy received(&server, &THandoffServer::MessageReceived);
    // More idle connections than are served at once, and one that stops halfway through a frame.
    std::vector<std::unique_ptr<QLocalSocket>> idle;
    for (int i = 0; i < THandoffServer::MaxActiveConnections + 2; ++i) {
        idle.push_back(std::make_unique<QLocalSocket>());
        idle.back()->connectToServer(server.SocketPath());
        QVERIFY(idle.back()->waitForConnected(2000));
    }
    idle.front()->write(Header(100) + "abc");
    idle.front()->flush();
    // A real sender still gets through once the idle ones have been dropped.
    QElapsedTimer timer;
    timer.start();
    QCOMPARE(SendBeside(server.SocketPath(), ParamsBlock(QStringLiteral("late"))), hsrDelivered);
    QCOMPARE(received.count(), 1);
    QVERIFY(timer.elapsed() < 4000);
    for (const auto& socket : idle)
        QTRY_COMPARE_WITH_TIMEOUT(socket->state(), QLocalSocket::UnconnectedState, 3000);
}

void TestHandoff::noServer()
{
    QCOMPARE(SendHandoff(FDir.filePath("nobody"), {}), hsrNoServer);
    QVERIFY(Touch(FDir.filePath("notasocket")));
    QVERIFY(SendHandoff(FDir.filePath("notasocket"), {}) != hsrDelivered);
    // A listener that never answers: the sender gives up after its timeout.
    QLocalServer mute;
    QVERIFY(mute.listen(FDir.filePath("mute")));
    std::atomic<int> result {-1};
    std::thread sender(
        [&] { result = SendHandoff(FDir.filePath("mute"), ParamsBlock(QStringLiteral("x")), 300); });
    QTRY_VERIFY_WITH_TIMEOUT(result != -1, 5000);
    sender.join();
    QCOMPARE(result.load(), int(hsrFailed));
}

QTEST_GUILESS_MAIN(TestHandoff)
#include "tst_handoff.moc"
