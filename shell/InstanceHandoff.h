#pragma once
// Single instance and the hand-off of a second start's file names to the first instance.
//
// A lock file in a private per-user folder decides which process is the first instance; the first
// instance then listens on a local socket named after its main window class, which plays the part
// of that window: a second instance connects, asks it to raise itself and hands over its arguments
// as one record (codecs/IPCMessage.h) in one frame (codecs/HandoffFrame.h), waits for the answer and
// ends. Only processes of the same user can reach the socket, and the first instance checks the
// peer's user id anyway; a frame that is too large, malformed or too slow in coming is dropped
// without effect.

#include "codecs/IPCMessage.h"

#include <QHash>
#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>

#include <memory>

class QLocalServer;
class QLocalSocket;
class QLockFile;
class QTimer;
class QWidget;

// The instance name (the name of the instance lock) and the class name of the main window, which
// names the socket of the first instance.
inline constexpr QStringView InstanceName = u"{15D8D00A-2AB7-41E4-B263-03884B49CD2F}";
inline constexpr QStringView MainWindowClassName = u"Twnd_quil_Main";

// The private folder of the lock and the socket: "ravek-quillon" under $XDG_RUNTIME_DIR when that
// is an absolute folder of this user that nobody else may write to, else "ravek-quillon-<uid>" in
// the temporary folder ($TMPDIR or /tmp) when that is sticky or closed to others.
// Created with mode 0700 when missing; an existing folder must be a real folder (no link) owned by
// this user, and its mode is narrowed to 0700. Empty when no such folder can be had.
QString HandoffDirectory();
// Makes PATH such a private folder; false when it cannot be created or is not safe to use.
bool PreparePrivateDirectory(const QString& APath);

// True when the process at the other end of the connected local socket DESCRIPTOR runs as this user.
bool PeerIsSameUser(qintptr ADescriptor);

// The first instance's side: listens on the socket and turns every valid frame into a raise
// request and, when the frame holds a record, the decoded record. Until StartDelivery the records
// are kept (they are answered at once, so the second instances can end) and raise requests are
// dropped; StartDelivery hands out the kept records, in the order they came, and every later one.
class THandoffServer : public QObject {
    Q_OBJECT
public:
    explicit THandoffServer(QObject* AParent = nullptr);
    ~THandoffServer() override;

    // Listens at SOCKETPATH, removing what a crashed first instance may have left there. Call only
    // while holding the instance lock.
    bool Listen(const QString& ASocketPath);
    QString SocketPath() const;

    void StartDelivery();

    // How long a connection may take to bring its frame (and to take the answer), and how many
    // are served at once (more wait in the queue of the socket).
    static constexpr int FrameTimeoutMs = 5000;
    void SetFrameTimeout(int AMs) { FFrameTimeoutMs = AMs; }
    static constexpr int MaxActiveConnections = 8;
    static constexpr int MaxKeptMessages = 4096;

Q_SIGNALS:
    void RaiseRequested();
    void MessageReceived(const TIPCMessage& AMessage);

private:
    struct TConnection;
    void AcceptPending();
    void ReadFrom(QLocalSocket* ASocket);
    void Drop(QLocalSocket* ASocket);
    void Finished(QLocalSocket* ASocket);
    void Deliver(const TIPCMessage& AMessage);

    std::unique_ptr<QLocalServer> FServer;
    QHash<QLocalSocket*, std::shared_ptr<TConnection>> FConnections;
    QList<TIPCMessage> FKept;
    bool FDelivering = false;
    int FFrameTimeoutMs = FrameTimeoutMs;
};

// The second instance's side. Connects to SOCKETPATH, sends the frame of BLOCK (empty: raise only)
// and waits up to REPLYTIMEOUTMS for the answer.
enum THandoffSendResult { hsrDelivered, hsrNoServer, hsrFailed };
THandoffSendResult SendHandoff(
    const QString& ASocketPath, const QByteArray& ABlock, int AReplyTimeoutMs = 10000);

// The instance lock and the socket of the first instance, held for the life of the process.
class TSingleInstance {
public:
    // DIRECTORY is the private folder (HandoffDirectory()); the lock is named after NAME, the socket
    // after WINDOWCLASS.
    explicit TSingleInstance(const QString& ADirectory, const QString& AName = InstanceName.toString(),
        const QString& AWindowClass = MainWindowClassName.toString());
    ~TSingleInstance();

    // Takes the lock. True when this process is the first instance; it then listens too.
    // False while another process holds the lock, and when the lock cannot be taken at all (see
    // LockUnavailable).
    bool TryBecomeFirst();
    // The lock could not be taken for another reason than a running first instance.
    bool LockUnavailable() const { return FLockUnavailable; }

    QString LockPath() const;
    QString SocketPath() const;
    // The first instance's server; null in a second instance or when listening failed.
    THandoffServer* Server() const { return FServer.get(); }

private:
    QString FSocketPath;
    std::unique_ptr<QLockFile> FLock;
    std::unique_ptr<THandoffServer> FServer;
    bool FLockUnavailable = false;
};

// How long a second instance keeps trying to reach a first instance that holds the lock but is not
// listening yet (or has just ended, in which case the second one becomes the first).
inline constexpr int HandoffConnectRetryMs = 2000;

// Decides whether this process is the first instance. True: another instance runs (it was asked to
// raise its window and, when SENDPARAMETERS is set and there are arguments, was handed ARGUMENTS as
// one ipcParams record); the caller must end. False: this process is the first instance (also when
// no lock can be had at all); it then holds the lock and serves hand-offs, see InstanceServer().
// SENDERWINDOW is carried for the record only (0); GLOBAL asks for a lock shared by all users,
// which this platform does not offer: the lock is always per user.
bool CheckInstance(const QString& AName, const QString& AWindowClass, bool AActivate, bool ASendParameters,
    quintptr ASenderWindow, bool AGlobal, const QStringList& AArguments);
// The same with the process's own arguments (those of CommandLine once it exists).
bool CheckInstance(const QString& AName, const QString& AWindowClass, bool AActivate, bool ASendParameters,
    quintptr ASenderWindow, bool AGlobal);
// The items as a later start hands them over: relative names made absolute against AFOLDER and
// cleaned ("a/../b.json" is AFOLDER/b.json), so that the running instance, whose folder may differ,
// finds the same files. Empty items, switches beginning with "-" and absolute names stay as they are.
QStringList AbsoluteItems(const QStringList& AItems, const QString& AFolder);
// The process-wide instance state that CheckInstance set up, and its release at exit.
THandoffServer* InstanceServer();
void ReleaseInstance();

// The files a received record asks to open, in order: for an ipcParams record every line of its text
// (switches included) that names an existing regular file, links followed; a relative name is taken
// relative to CURRENTFOLDER. Folders, FIFOs, devices and sockets are left out, as is everything of
// another kind of record.
QStringList IPCFilesToOpen(const TIPCMessage& AMessage, const QString& ACurrentFolder);
// The same rule for a list of command-line items (the program's own arguments).
QStringList FilesToOpen(const QStringList& AItems, const QString& ACurrentFolder);

// Restores a minimised or hidden WINDOW, raises it and makes it the active window.
void RestoreAndActivate(QWidget* AWindow);
