#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

class QLocalServer;

namespace quillpix {

// What a start asks of the window: open paths, read a region of the screen, or only come to
// the front (neither).
struct WindowRequest {
    QStringList paths; // absolute
    bool capture = false;
    bool operator==(const WindowRequest&) const = default;
};

// The window's arguments after Qt took its own: "--capture" and paths, made absolute against
// the folder the program was started in. A word beginning with "-" that is not "--capture"
// (or "--" ending the options) is refused: error then names it.
struct WindowArguments {
    WindowRequest request;
    QString error;
};
WindowArguments parseWindowArguments(const QStringList& arguments, const QString& startFolder);

// One window per workspace (see InstanceLock): the window that holds the lock listens on a
// local socket of its own, and a later start on the same workspace hands it its request
// instead of opening a second window. The socket lies in the user's runtime folder (the
// temporary folder where there is none), named after the program folder, and only its user
// may connect.
class InstanceChannel : public QObject {
    Q_OBJECT
public:
    explicit InstanceChannel(const QString& programFolder, QObject* parent = nullptr);
    ~InstanceChannel() override;

    // Starts listening; only the holder of the lock may, so a socket left by a killed window
    // is removed first. False when the socket cannot be made.
    bool listen();
    // Hands the request to the window listening for programFolder and waits until it has it.
    // False when no window answers within timeoutMs (none listening, or one still starting
    // that does not get there in time).
    static bool send(const QString& programFolder, const WindowRequest& request,
                     int timeoutMs = 10000);
    static QString socketName(const QString& programFolder);

Q_SIGNALS:
    void requested(const WindowRequest& request);

private:
    QString m_name;
    QLocalServer* m_server = nullptr;
};

} // namespace quillpix
