#include "shell/InstanceHandoff.h"

#include "codecs/CmdLine.h"
#include "codecs/HandoffFrame.h"
#include "shell/Startup.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QThread>
#include <QTimer>
#include <QWidget>

#include <cerrno>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

constexpr int ConnectAttemptMs = 200;
constexpr int RetryPauseMs = 50;

// A socket path must fit sockaddr_un (107 bytes and the terminator).
bool FitsSocketPath(const QString& path)
{
    return QFile::encodeName(path).size() < qsizetype(sizeof(sockaddr_un::sun_path));
}

// A folder that only this user may change: ours, and not writable by group or others.
bool IsOwnClosedFolder(const QByteArray& path)
{
    struct stat st { };
    return ::lstat(path.constData(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == ::geteuid()
        && (st.st_mode & (S_IWGRP | S_IWOTH)) == 0;
}

std::unique_ptr<TSingleInstance> ProcessInstance;

// NAME as one file name: no folder separators, not empty.
QString FileNamePart(const QString& name)
{
    QString part = name;
    part.replace(u'/', u'_');
    part.replace(QChar(0), u'_');
    return part.isEmpty() || part == u"." || part == u".." ? QStringLiteral("_") + part : part;
}

} // namespace

bool PreparePrivateDirectory(const QString& path)
{
    const QByteArray native = QFile::encodeName(path);
    if (native.isEmpty() || !native.startsWith('/'))
        return false;
    if (::mkdir(native.constData(), 0700) != 0 && errno != EEXIST)
        return false;
    // lstat: a link planted in our place is refused, never followed.
    struct stat st { };
    if (::lstat(native.constData(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != ::geteuid())
        return false;
    if ((st.st_mode & 07777) != 0700 && ::chmod(native.constData(), 0700) != 0)
        return false;
    return true;
}

QString HandoffDirectory()
{
    const QByteArray runtime = qgetenv("XDG_RUNTIME_DIR");
    if (runtime.startsWith('/') && IsOwnClosedFolder(runtime)) {
        const QString path = QFile::decodeName(runtime) + QStringLiteral("/ravek-quillon");
        if (FitsSocketPath(path + u'/' + MainWindowClassName.toString()) && PreparePrivateDirectory(path))
            return path;
    }
    // The temporary folder ($TMPDIR or /tmp) when nobody else can remove or rename our folder in it:
    // it is ours and closed, or it has the sticky bit.
    const QString temp = QDir::tempPath();
    const QByteArray nativeTemp = QFile::encodeName(temp);
    struct stat st { };
    if (::stat(nativeTemp.constData(), &st) != 0 || !S_ISDIR(st.st_mode)
        || !(IsOwnClosedFolder(nativeTemp) || (st.st_mode & S_ISVTX)))
        return {};
    const QString fallback = temp + QStringLiteral("/ravek-quillon-%1").arg(::geteuid());
    if (!FitsSocketPath(fallback + u'/' + MainWindowClassName.toString()))
        return {};
    return PreparePrivateDirectory(fallback) ? fallback : QString();
}

bool PeerIsSameUser(qintptr descriptor)
{
    ucred credentials {};
    socklen_t size = sizeof(credentials);
    if (::getsockopt(int(descriptor), SOL_SOCKET, SO_PEERCRED, &credentials, &size) != 0
        || size != sizeof(credentials))
        return false;
    return credentials.uid == ::geteuid();
}

// ---- the first instance's side ----

struct THandoffServer::TConnection {
    THandoffFrameReader Reader;
    QTimer* Timer = nullptr; // owned by the socket
    bool Answered = false;
};

THandoffServer::THandoffServer(QObject* parent)
    : QObject(parent)
    , FServer(std::make_unique<QLocalServer>())
{
    connect(FServer.get(), &QLocalServer::newConnection, this, &THandoffServer::AcceptPending);
}

THandoffServer::~THandoffServer()
{
    // The sockets are children of the server; close it first so no signal reaches a half-destroyed
    // object.
    disconnect(FServer.get(), nullptr, this, nullptr);
    for (auto it = FConnections.cbegin(); it != FConnections.cend(); ++it)
        disconnect(it.key(), nullptr, this, nullptr);
    FConnections.clear();
    FServer->close();
}

bool THandoffServer::Listen(const QString& socketPath)
{
    if (!FitsSocketPath(socketPath))
        return false;
    // We hold the instance lock, so whatever is at the path is left over from a first instance that
    // ended without cleaning up.
    QLocalServer::removeServer(socketPath);
    FServer->setMaxPendingConnections(MaxActiveConnections);
    return FServer->listen(socketPath);
}

QString THandoffServer::SocketPath() const
{
    return FServer->fullServerName();
}

void THandoffServer::StartDelivery()
{
    if (FDelivering)
        return;
    FDelivering = true;
    const QList<TIPCMessage> kept = std::exchange(FKept, {});
    for (const TIPCMessage& message : kept)
        Q_EMIT MessageReceived(message);
}

void THandoffServer::AcceptPending()
{
    // Connections beyond the limit stay queued until an active one is done.
    while (FConnections.size() < MaxActiveConnections && FServer->hasPendingConnections()) {
        QLocalSocket* socket = FServer->nextPendingConnection();
        if (!socket)
            break;
        if (!PeerIsSameUser(socket->socketDescriptor())) {
            socket->abort();
            socket->deleteLater();
            continue;
        }
        auto connection = std::make_shared<TConnection>();
        connection->Timer = new QTimer(socket);
        connection->Timer->setSingleShot(true);
        connection->Timer->start(FFrameTimeoutMs);
        FConnections.insert(socket, connection);
        connect(connection->Timer, &QTimer::timeout, this, [this, socket] { Drop(socket); });
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] { ReadFrom(socket); });
        connect(socket, &QLocalSocket::disconnected, this, [this, socket] { Finished(socket); });
        connect(socket, &QLocalSocket::errorOccurred, this, [this, socket] { Finished(socket); });
        // Bytes may already be waiting.
        if (socket->bytesAvailable() > 0)
            ReadFrom(socket);
    }
}

void THandoffServer::ReadFrom(QLocalSocket* socket)
{
    const auto it = FConnections.constFind(socket);
    if (it == FConnections.cend())
        return;
    const std::shared_ptr<TConnection> connection = it.value();
    if (connection->Answered) {
        // Nothing may follow a frame.
        if (socket->bytesAvailable() > 0)
            Drop(socket);
        return;
    }
    while (socket->bytesAvailable() > 0) {
        char chunk[16384];
        const qint64 got = socket->read(chunk, sizeof(chunk));
        if (got <= 0)
            break;
        if (connection->Reader.Append(QByteArrayView(chunk, got)) == THandoffFrameReader::frsInvalid) {
            Drop(socket);
            return;
        }
    }
    if (connection->Reader.State() != THandoffFrameReader::frsComplete)
        return;

    const QByteArray block = connection->Reader.Block();
    TIPCMessage message;
    const bool hasMessage = !block.isEmpty();
    if (hasMessage && !ReadIPCMessage(block, message)) {
        Drop(socket);
        return;
    }
    if (hasMessage && !FDelivering && FKept.size() >= MaxKeptMessages) {
        Drop(socket);
        return;
    }
    connection->Answered = true;
    connection->Timer->start(FFrameTimeoutMs); // for the answer to leave
    if (FDelivering)
        Q_EMIT RaiseRequested();
    if (hasMessage)
        Deliver(message);
    // The answer tells the sender that its record was taken.
    if (FConnections.contains(socket)) {
        socket->write(HandoffReply.data(), HandoffReply.size());
        socket->disconnectFromServer();
    }
}

void THandoffServer::Deliver(const TIPCMessage& message)
{
    if (FDelivering)
        Q_EMIT MessageReceived(message);
    else
        FKept.append(message);
}

void THandoffServer::Drop(QLocalSocket* socket)
{
    if (!FConnections.contains(socket))
        return;
    socket->abort();
    Finished(socket);
}

void THandoffServer::Finished(QLocalSocket* socket)
{
    if (FConnections.remove(socket) == 0)
        return;
    disconnect(socket, nullptr, this, nullptr);
    socket->deleteLater();
    // A free place: serve the next waiting connection, outside this socket's signal.
    QTimer::singleShot(0, this, &THandoffServer::AcceptPending);
}

// ---- the second instance's side ----

THandoffSendResult SendHandoff(const QString& socketPath, const QByteArray& block, int replyTimeoutMs)
{
    const QByteArray frame = BuildHandoffFrame(block);
    if (frame.isEmpty())
        return hsrFailed;
    QLocalSocket socket;
    socket.connectToServer(socketPath);
    if (!socket.waitForConnected(ConnectAttemptMs)) {
        const QLocalSocket::LocalSocketError error = socket.error();
        return error == QLocalSocket::ServerNotFoundError || error == QLocalSocket::ConnectionRefusedError
                || error == QLocalSocket::SocketTimeoutError
            ? hsrNoServer
            : hsrFailed;
    }
    // Our folder is private, but hand names only to a process of our own user all the same.
    if (!PeerIsSameUser(socket.socketDescriptor()))
        return hsrFailed;
    QDeadlineTimer deadline(replyTimeoutMs);
    socket.write(frame);
    while (socket.bytesToWrite() > 0) {
        if (!socket.waitForBytesWritten(int(qMax<qint64>(1, deadline.remainingTime())))
            || deadline.hasExpired())
            return hsrFailed;
    }
    QByteArray reply;
    while (reply.size() < HandoffReply.size()) {
        if (socket.bytesAvailable() == 0
            && (deadline.hasExpired()
                || !socket.waitForReadyRead(int(qMax<qint64>(1, deadline.remainingTime())))))
            return hsrFailed;
        reply += socket.read(HandoffReply.size() - reply.size());
    }
    socket.disconnectFromServer();
    return reply == HandoffReply ? hsrDelivered : hsrFailed;
}

// ---- the instance lock ----

TSingleInstance::TSingleInstance(const QString& directory, const QString& name, const QString& windowClass)
    : FSocketPath(directory + u'/' + FileNamePart(windowClass))
    , FLock(std::make_unique<QLockFile>(directory + u'/' + FileNamePart(name) + QStringLiteral(".lock")))
{
}

TSingleInstance::~TSingleInstance()
{
    // The socket goes before the lock, so that no later first instance finds our socket in use.
    FServer.reset();
    FLock.reset();
}

bool TSingleInstance::TryBecomeFirst()
{
    if (FLock->isLocked())
        return true;
    // A lock left by a crashed instance is recognised as stale (its process is gone) and taken over.
    if (!FLock->tryLock(0)) {
        FLockUnavailable = FLock->error() != QLockFile::LockFailedError;
        return false;
    }
    FLockUnavailable = false;
    FServer = std::make_unique<THandoffServer>();
    if (!FServer->Listen(SocketPath())) {
        qWarning("Quillon: cannot listen at %ls; later starts cannot hand over their files",
            qUtf16Printable(SocketPath()));
        FServer.reset();
    }
    return true;
}

QString TSingleInstance::LockPath() const
{
    return FLock->fileName();
}

QString TSingleInstance::SocketPath() const
{
    return FSocketPath;
}

bool CheckInstance(const QString& name, const QString& windowClass, bool activate, bool sendParameters,
    quintptr senderWindow, bool global, const QStringList& arguments)
{
    Q_UNUSED(senderWindow);
    Q_UNUSED(global); // the lock is per user on this platform
    ProcessInstance.reset();
    const QString directory = HandoffDirectory();
    if (directory.isEmpty())
        return false; // no private folder: run as the first instance, without hand-off
    auto instance = std::make_unique<TSingleInstance>(directory, name, windowClass);

    QByteArray block;
    if (sendParameters && !arguments.isEmpty()) {
        TIPCMessage message;
        message.UID = IPCSenderUID();
        message.Typ = ipcParams;
        message.StrData = BuildIPCParamsText(arguments);
        block = BuildIPCBlock(message);
    }
    // The first instance may hold the lock but not listen yet, or end just now: keep trying for a
    // while, and take the lock ourselves when it became free.
    QDeadlineTimer deadline(HandoffConnectRetryMs);
    for (;;) {
        if (instance->TryBecomeFirst()) {
            ProcessInstance = std::move(instance);
            return false;
        }
        if (instance->LockUnavailable())
            return false; // as when the system gives no instance mutex: run as the first instance
        if (!activate)
            return true;
        const THandoffSendResult result = SendHandoff(instance->SocketPath(), block);
        if (result == hsrDelivered)
            return true;
        if (result == hsrFailed || deadline.hasExpired()) {
            qWarning("Quillon: could not hand over to the running instance");
            return true;
        }
        QThread::msleep(RetryPauseMs);
    }
}

bool CheckInstance(const QString& name, const QString& windowClass, bool activate, bool sendParameters,
    quintptr senderWindow, bool global)
{
    return CheckInstance(name, windowClass, activate, sendParameters, senderWindow, global,
        CommandLine ? CommandLine->FSL : TCommandLine::ProcessArguments());
}

THandoffServer* InstanceServer()
{
    return ProcessInstance ? ProcessInstance->Server() : nullptr;
}

void ReleaseInstance()
{
    ProcessInstance.reset();
}

// ---- the receiving window's part ----

QStringList IPCFilesToOpen(const TIPCMessage& message, const QString& currentFolder)
{
    if (message.Typ != ipcParams)
        return {};
    return FilesToOpen(TCommandLine(message.StrData).FSL, currentFolder);
}

QStringList FilesToOpen(const QStringList& items, const QString& currentFolder)
{
    QStringList files;
    const QDir folder(currentFolder);
    for (const QString& item : items) {
        if (item.isEmpty())
            continue;
        const QString path = QDir::isAbsolutePath(item) ? item : folder.filePath(item);
        struct stat st { };
        // stat follows links; only a regular file is opened (a FIFO or device would block the reader).
        if (::stat(QFile::encodeName(path).constData(), &st) == 0 && S_ISREG(st.st_mode))
            files.append(path);
    }
    return files;
}

void RestoreAndActivate(QWidget* window)
{
    if (!window)
        return;
    if (window->isMinimized())
        window->setWindowState((window->windowState() & ~Qt::WindowMinimized) | Qt::WindowActive);
    if (!window->isVisible())
        window->show();
    window->raise();
    window->activateWindow();
}
