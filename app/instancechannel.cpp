#include "instancechannel.h"

#include <QCryptographicHash>
#include <QDataStream>
#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QStandardPaths>
#include <QThread>

namespace quillpix {
namespace {

// What a start writes: the paths and whether to capture, after a version word, so a window of
// another version of the program is not misread.
constexpr quint32 kVersion = 1;
constexpr char kAcknowledged = 'k';

} // namespace

WindowArguments parseWindowArguments(const QStringList& arguments, const QString& startFolder) {
    WindowArguments parsed;
    bool options = true;
    const QDir start(startFolder);
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString& word = arguments[i];
        if (options && word == QLatin1String("--")) {
            options = false;
        } else if (options && word == QLatin1String("--capture")) {
            parsed.request.capture = true;
        } else if (options && word.startsWith(QLatin1Char('-')) && word.size() > 1) {
            parsed.error = word;
            return parsed;
        } else if (!word.isEmpty()) {
            parsed.request.paths << QDir::cleanPath(start.absoluteFilePath(word));
        }
    }
    return parsed;
}

InstanceChannel::InstanceChannel(const QString& programFolder, QObject* parent)
    : QObject(parent), m_name(socketName(programFolder)) {}

InstanceChannel::~InstanceChannel() {
    if (m_server)
        m_server->close();
}

QString InstanceChannel::socketName(const QString& programFolder) {
    // The runtime folder is the user's own; without one (asked for, Qt would make one and warn
    // on every start) the temporary folder serves, the socket then open to its user only.
    const QString folder = qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR")
                               ? QDir::tempPath()
                               : QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    // A socket's path is limited to about a hundred bytes: the workspace is named by a hash.
    const QString canonical = QFileInfo(programFolder).canonicalFilePath();
    const QByteArray hash =
        QCryptographicHash::hash((canonical.isEmpty() ? programFolder : canonical).toUtf8(),
                                 QCryptographicHash::Sha256)
            .toHex()
            .left(20);
    return folder + QStringLiteral("/quillpix-") + QString::fromLatin1(hash) +
           QStringLiteral(".socket");
}

bool InstanceChannel::listen() {
    QLocalServer::removeServer(m_name);
    m_server = new QLocalServer(this);
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    if (!m_server->listen(m_name))
        return false;
    connect(m_server, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* socket = m_server->nextPendingConnection()) {
            connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
            connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
                QDataStream in(socket);
                in.startTransaction();
                quint32 version = 0;
                WindowRequest request;
                in >> version >> request.paths >> request.capture;
                if (!in.commitTransaction())
                    return;
                socket->write(&kAcknowledged, 1);
                socket->flush();
                socket->disconnectFromServer();
                if (version == kVersion)
                    emit requested(request);
            });
        }
    });
    return true;
}

bool InstanceChannel::send(const QString& programFolder, const WindowRequest& request,
                           int timeoutMs) {
    const QDeadlineTimer deadline(timeoutMs);
    QLocalSocket socket;
    // The window takes the lock a moment before it listens.
    for (;;) {
        socket.connectToServer(socketName(programFolder));
        if (socket.waitForConnected(int(std::max<qint64>(1, deadline.remainingTime()))))
            break;
        if (deadline.hasExpired())
            return false;
        QThread::msleep(100);
    }
    QByteArray bytes;
    QDataStream out(&bytes, QIODevice::WriteOnly);
    out << kVersion << request.paths << request.capture;
    socket.write(bytes);
    if (!socket.waitForBytesWritten(int(std::max<qint64>(1, deadline.remainingTime()))))
        return false;
    while (socket.bytesAvailable() < 1)
        if (!socket.waitForReadyRead(int(std::max<qint64>(1, deadline.remainingTime()))))
            return false;
    char answer = 0;
    return socket.read(&answer, 1) == 1 && answer == kAcknowledged;
}

} // namespace quillpix
