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
bool FitsSocketPath(const QString& APath)
{
    return QFile::encodeName(APath).size() < qsizetype(sizeof(sockaddr_un::sun_path));
}

// A folder that only this user may change: ours, and not writable by group or others.
bool IsOwnClosedFolder(const QByteArray& APath)
{
    struct stat st { };
    return ::lstat(APath.constData(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == ::geteuid()
        && (st.st_mode & (S_IWGRP | S_IWOTH)) == 0;
}

std::unique_ptr<TSingleInstance> ProcessInstance;

// NAME as one file name: no folder separators, not empty.
QString FileNamePart(const QString& AName)
{
    QString part = AName;
    part.replace(u'/', u'_');
    part.replace(QChar(0), u'_');
    return part.isEmpty() || part == u"." || part == u".." ? QStringLiteral("_") + part : part;
}

} // namespace

bool PreparePrivateDirectory(const QString& APath)
{
    const QByteArray native = QFile::encodeName(APath);
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

bool PeerIsSameUser(qintptr ADescriptor)
{
    ucred credentials {};
    socklen_t size = sizeof(credentials);
    if (::getsockopt(int(ADescriptor), SOL_SOCKET, SO_PEERCRED, &credentials, &size) != 0
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

THandoffServer::THandoffServer(QObject* AParent)
    : QObject(AParent)
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

bool THandoffServer::Listen(const QString& ASocketPath)
{
    if (!FitsSocketPath(ASocketPath))
        return false;
    // We hold the instance lock, so whatever is at the path is left over from a first instance that
    // ended without cleaning up.
    QLocalServer::removeServer(ASocketPath);
    FServer->setMaxPendingConnections(MaxActiveConnections);
    return FServer->listen(ASocketPath);
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

void THandoffServer::ReadFrom(QLocalSocket* ASocket)
{
    const auto it = FConnections.constFind(ASocket);
    if (it == FConnections.cend())
        return;
    const std::shared_ptr<TConnection> connection = it.value();
    if (connection->Answered) {
        // Nothing may follow a frame.
        if (ASocket->bytesAvailable() > 0)
            Drop(ASocket);
        return;
    }
    while (ASocket->bytesAvailable() > 0) {
        char chunk[16384];
        const qint64 got = ASocket->read(chunk, sizeof(chunk));
        if (got <= 0)
            break;
        if (connection->Reader.Append(QByteArrayView(chunk, got)) == THandoffFrameReader::frsInvalid) {
            Drop(ASocket);
            return;
        }
    }
    if (connection->Reader.State() != THandoffFrameReader::frsComplete)
        return;

    const QByteArray block = connection->Reader.Block();
    TIPCMessage message;
    const bool hasMessage = !block.isEmpty();
    if (hasMessage && !ReadIPCMessage(block, message)) {
        Drop(ASocket);
        return;
    }
    if (hasMessage && !FDelivering && FKept.size() >= MaxKeptMessages) {
        Drop(ASocket);
        return;
    }
    connection->Answered = true;
    connection->Timer->start(FFrameTimeoutMs); // for the answer to leave
    if (FDelivering)
        Q_EMIT RaiseRequested();
    if (hasMessage)
        Deliver(message);
    // The answer tells the sender that its record was taken.
    if (FConnections.contains(ASocket)) {
        ASocket->write(HandoffReply.data(), HandoffReply.size());
        ASocket->disconnectFromServer();
    }
}

void THandoffServer::Deliver(const TIPCMessage& AMessage)
{
    if (FDelivering)
        Q_EMIT MessageReceived(AMessage);
    else
        FKept.append(AMessage);
}

void THandoffServer::Drop(QLocalSocket* ASocket)
{
    if (!FConnections.contains(ASocket))
        return;
    ASocket->abort();
    Finished(ASocket);
}

void THandoffServer::Finished(QLocalSocket* ASocket)
{
    if (FConnections.remove(ASocket) == 0)
        return;
    disconnect(ASocket, nullptr, this, nullptr);
    ASocket->deleteLater();
    // A free place: serve the next waiting connection, outside this socket's signal.
    QTimer::singleShot(0, this, &THandoffServer::AcceptPending);
}

// ---- the second instance's side ----

THandoffSendResult SendHandoff(const QString& ASocketPath, const QByteArray& ABlock, int AReplyTimeoutMs)
{
    const QByteArray frame = BuildHandoffFrame(ABlock);
    if (frame.isEmpty())
        return hsrFailed;
    QLocalSocket socket;
    socket.connectToServer(ASocketPath);
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
    QDeadlineTimer deadline(AReplyTimeoutMs);
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

TSingleInstance::TSingleInstance(const QString& ADirectory, const QString& AName, const QString& AWindowClass)
    : FSocketPath(ADirectory + u'/' + FileNamePart(AWindowClass))
    , FLock(std::make_unique<QLockFile>(ADirectory + u'/' + FileNamePart(AName) + QStringLiteral(".lock")))
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

bool CheckInstance(const QString& AName, const QString& AWindowClass, bool AActivate, bool ASendParameters,
    quintptr ASenderWindow, bool AGlobal, const QStringList& AArguments)
{
    Q_UNUSED(ASenderWindow);
    Q_UNUSED(AGlobal); // the lock is per user on this platform
    ProcessInstance.reset();
    const QString directory = HandoffDirectory();
    if (directory.isEmpty())
        return false; // no private folder: run as the first instance, without hand-off
    auto instance = std::make_unique<TSingleInstance>(directory, AName, AWindowClass);

    QByteArray block;
    if (ASendParameters && !AArguments.isEmpty()) {
        TIPCMessage message;
        message.UID = IPCSenderUID();
        message.Typ = ipcParams;
        message.StrData = BuildIPCParamsText(AArguments);
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
        if (!AActivate)
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

bool CheckInstance(const QString& AName, const QString& AWindowClass, bool AActivate, bool ASendParameters,
    quintptr ASenderWindow, bool AGlobal)
{
    // The running instance works in its own folder: relative names are made absolute here first.
    return CheckInstance(AName, AWindowClass, AActivate, ASendParameters, ASenderWindow, AGlobal,
        AbsoluteItems(
            CommandLine ? CommandLine->FSL : TCommandLine::ProcessArguments(), QDir::currentPath()));
}

QStringList AbsoluteItems(const QStringList& AItems, const QString& AFolder)
{
    QStringList result;
    result.reserve(AItems.size());
    const QDir base(AFolder);
    for (const QString& item : AItems) {
        if (item.isEmpty() || item.startsWith(u'-') || QDir::isAbsolutePath(item))
            result.append(item);
        else
            result.append(QDir::cleanPath(base.absoluteFilePath(item)));
    }
    return result;
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

QStringList IPCFilesToOpen(const TIPCMessage& AMessage, const QString& ACurrentFolder)
{
    if (AMessage.Typ != ipcParams)
        return {};
    return FilesToOpen(TCommandLine(AMessage.StrData).FSL, ACurrentFolder);
}

QStringList FilesToOpen(const QStringList& AItems, const QString& ACurrentFolder)
{
    QStringList files;
    const QDir folder(ACurrentFolder);
    for (const QString& item : AItems) {
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

void RestoreAndActivate(QWidget* AWindow)
{
    if (!AWindow)
        return;
    if (AWindow->isMinimized())
        AWindow->setWindowState((AWindow->windowState() & ~Qt::WindowMinimized) | Qt::WindowActive);
    if (!AWindow->isVisible())
        AWindow->show();
    AWindow->raise();
    AWindow->activateWindow();
}
