#pragma once

#include <QByteArrayList>
#include <QObject>
#include <QString>
#include <QStringList>

#include <sys/types.h>

class QLocalServer;

namespace quillpix {

// What a start asks of the window: open paths, read a region of the screen, or only come to
// the front (neither).
struct WindowRequest {
    QStringList paths; // absolute
    bool capture = false;
    // Paths whose bytes are not UTF-8 (a Shift-JIS name from an old archive): Qt holds a file
    // name as UTF-8 text, so such a name can be neither opened nor shown as it is. Absolute,
    // each bad byte as U+FFFD, to be told.
    QStringList unnamable;
    bool operator==(const WindowRequest&) const = default;
};

// The window's arguments after Qt took its own, as the bytes the program was given:
// "--capture" and paths, made absolute against the folder the program was started in. A word
// beginning with "-" that is not "--capture" (or "--" ending the options) is refused: error
// then names it.
struct WindowArguments {
    WindowRequest request;
    QString error;
};
WindowArguments parseWindowArguments(const QByteArrayList& arguments, const QString& startFolder);

// What the window tells the user of the paths it was handed but cannot name.
QString unnamableMessage(const QStringList& unnamable);

namespace channel {

// Why path is not a folder only the user uid may enter, or empty when it is: a directory of
// uid with mode 0700 exactly. With followLink false a link in its place is refused too.
QString privateFolderProblem(const QString& path, uid_t uid, bool followLink);

// The folder the window's sockets lie in: the runtime folder when it is private, else
// "quillpix-<uid>" in tempFolder, made with mode 0700 when missing. A folder that another
// user could have made or may enter is never used: path is then empty and problem says why.
struct Folder {
    QString path;
    QString problem;
};
Folder socketFolder(const QString& runtimeFolder, const QString& tempFolder, uid_t uid);

// The user id of the process at the other end of a connected local socket, -1 when unknown.
qint64 peerUserId(qintptr descriptor);

} // namespace channel

// One window per workspace (see InstanceLock): the window that holds the lock listens on a
// local socket of its own, and a later start on the same workspace hands it its request
// instead of opening a second window. The socket lies in a folder only its user may enter (see
// channel::socketFolder), named after the program folder, and each end checks that the other
// is the same user: no other user can take the requests or send any.
class InstanceChannel : public QObject {
    Q_OBJECT
public:
    explicit InstanceChannel(const QString& programFolder, QObject* parent = nullptr);
    ~InstanceChannel() override;

    // Starts listening; only the holder of the lock may, so a socket left by a killed window
    // is removed first. False when the socket cannot be made: error() then says why.
    bool listen();
    QString error() const { return m_error; }
    // What the window tells the user when it cannot listen.
    static QString listenFailureMessage(const QString& error);

    // What became of a request handed to the window.
    struct Delivery {
        enum class Outcome {
            Delivered,
            // None listening, or one still starting that did not get there in time.
            NoWindow,
            // The other end is another user's, or the window cannot read this request.
            Refused,
        };
        Outcome outcome = Outcome::NoWindow;
        QString reason; // why not, in English for the command line
        bool delivered() const { return outcome == Outcome::Delivered; }
    };
    // Hands the request to the window listening for programFolder and waits until it has it,
    // at most timeoutMs.
    static Delivery send(const QString& programFolder, const WindowRequest& request,
                         int timeoutMs = 10000);

    // Where the socket for programFolder lies, with the environment's folders; empty with the
    // problem when there is no private folder for it.
    struct SocketPath {
        QString name;
        QString problem;
    };
    static SocketPath socketPath(const QString& programFolder);

Q_SIGNALS:
    void requested(const WindowRequest& request);

private:
    QString m_programFolder;
    QString m_error;
    QLocalServer* m_server = nullptr;
};

} // namespace quillpix
