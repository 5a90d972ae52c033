#include "instancechannel.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDataStream>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QThread>

#include <cerrno>
#include <cstring>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quillpix {
namespace {

// What a start writes: a version word first, then the paths, whether to capture and the
// names that cannot be opened. Every version reads the word first, so a window of another
// version refuses what it cannot read instead of misreading it.
constexpr quint32 kVersion = 2;
constexpr QDataStream::Version kStreamVersion = QDataStream::Qt_6_0;
// The window's answer: taken, or refused followed by the reason.
constexpr char kAcknowledged = 'k';
constexpr char kRefused = 'n';

QString systemError(int error) {
    return QString::fromLocal8Bit(std::strerror(error));
}

void refuse(QLocalSocket* socket, const QString& reason) {
    QByteArray bytes(1, kRefused);
    QDataStream out(&bytes, QIODevice::WriteOnly | QIODevice::Append);
    out.setVersion(kStreamVersion);
    out << reason;
    socket->write(bytes);
    socket->flush();
    socket->disconnectFromServer();
}

int remainingMs(const QDeadlineTimer& deadline) {
    return int(std::max<qint64>(1, deadline.remainingTime()));
}

} // namespace

WindowArguments parseWindowArguments(const QByteArrayList& arguments, const QString& startFolder) {
    WindowArguments parsed;
    bool options = true;
    const QDir start(startFolder);
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QByteArray& bytes = arguments[i];
        const QString word = QFile::decodeName(bytes);
        if (options && word == QLatin1String("--")) {
            options = false;
        } else if (options && word == QLatin1String("--capture")) {
            parsed.request.capture = true;
        } else if (options && word.startsWith(QLatin1Char('-')) && word.size() > 1) {
            parsed.error = word;
            return parsed;
        } else if (!word.isEmpty()) {
            const QString path = QDir::cleanPath(start.absoluteFilePath(word));
            // Bytes that do not come back from the text were lost in it.
            if (QFile::encodeName(word) == bytes)
                parsed.request.paths << path;
            else
                parsed.request.unnamable << path;
        }
    }
    return parsed;
}

QString unnamableMessage(const QStringList& unnamable) {
    return QCoreApplication::translate(
               "app", "次の名前は UTF-8 ではない文字を含むため、表示できず、開けません"
                      "(読めない文字は � で示します)。\n名前を UTF-8 に変えてから開いてください。"
                      "\n\n%1")
        .arg(unnamable.join(QLatin1Char('\n')));
}

namespace channel {

QString privateFolderProblem(const QString& path, uid_t uid, bool followLink) {
    const QByteArray name = QFile::encodeName(path);
    struct stat st {};
    if ((followLink ? ::stat(name.constData(), &st) : ::lstat(name.constData(), &st)) != 0)
        return QCoreApplication::translate("app", "%1 を調べられません: %2")
            .arg(path, systemError(errno));
    if (S_ISLNK(st.st_mode))
        return QCoreApplication::translate("app", "%1 はフォルダではなくリンクです。").arg(path);
    if (!S_ISDIR(st.st_mode))
        return QCoreApplication::translate("app", "%1 はフォルダではありません。").arg(path);
    if (st.st_uid != uid)
        return QCoreApplication::translate("app",
                                           "%1 はほかのユーザー (ユーザー ID %2) のフォルダです。")
            .arg(path)
            .arg(st.st_uid);
    if ((st.st_mode & 07777) != 0700)
        return QCoreApplication::translate("app",
                                           "%1 はほかのユーザーにも開かれています (モード %2、0700 "
                                           "でなければなりません)。")
            .arg(path)
            .arg(st.st_mode & 07777, 4, 8, QLatin1Char('0'));
    return {};
}

Folder socketFolder(const QString& runtimeFolder, const QString& tempFolder, uid_t uid) {
    // The session makes the runtime folder for its user alone; one that is not so is passed
    // over rather than trusted.
    if (!runtimeFolder.isEmpty() && privateFolderProblem(runtimeFolder, uid, true).isEmpty())
        return {runtimeFolder, {}};
    // In the shared temporary folder anyone may have made the name first: a folder found
    // there is used only when it is as this start would have made it.
    const QString own = tempFolder + QStringLiteral("/quillpix-") + QString::number(uid);
    if (::mkdir(QFile::encodeName(own).constData(), 0700) != 0 && errno != EEXIST)
        return {
            {},
            QCoreApplication::translate("app", "%1 を作れません: %2").arg(own, systemError(errno))};
    QString problem = privateFolderProblem(own, uid, false);
    if (!problem.isEmpty())
        return {{}, problem};
    return {own, {}};
}

qint64 peerUserId(qintptr descriptor) {
    ucred peer{};
    socklen_t size = sizeof peer;
    if (descriptor < 0 || ::getsockopt(int(descriptor), SOL_SOCKET, SO_PEERCRED, &peer, &size) != 0)
        return -1;
    return peer.uid;
}

} // namespace channel

InstanceChannel::InstanceChannel(const QString& programFolder, QObject* parent)
    : QObject(parent), m_programFolder(programFolder) {}

InstanceChannel::~InstanceChannel() {
    if (m_server)
        m_server->close();
}

InstanceChannel::SocketPath InstanceChannel::socketPath(const QString& programFolder) {
    const channel::Folder folder = channel::socketFolder(qEnvironmentVariable("XDG_RUNTIME_DIR"),
                                                         QDir::tempPath(), ::geteuid());
    if (folder.path.isEmpty())
        return {{}, folder.problem};
    // A socket's path is limited to about a hundred bytes: the workspace is named by a hash.
    const QString canonical = QFileInfo(programFolder).canonicalFilePath();
    const QByteArray hash =
        QCryptographicHash::hash((canonical.isEmpty() ? programFolder : canonical).toUtf8(),
                                 QCryptographicHash::Sha256)
            .toHex()
            .left(20);
    return {folder.path + QStringLiteral("/quillpix-") + QString::fromLatin1(hash) +
                QStringLiteral(".socket"),
            {}};
}

QString InstanceChannel::listenFailureMessage(const QString& error) {
    return QCoreApplication::translate(
               "app", "このウィンドウは、あとから起動した Quillpix からの依頼 (quillpix "
                      "PATH、--capture) を受け取れません。\n%1\n\n"
                      "このウィンドウはそのまま使えます。")
        .arg(error);
}

bool InstanceChannel::listen() {
    const SocketPath path = socketPath(m_programFolder);
    if (path.name.isEmpty()) {
        m_error = path.problem;
        return false;
    }
    QLocalServer::removeServer(path.name);
    m_server = new QLocalServer(this);
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    if (!m_server->listen(path.name)) {
        m_error = QStringLiteral("%1: %2").arg(path.name, m_server->errorString());
        return false;
    }
    connect(m_server, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* socket = m_server->nextPendingConnection()) {
            connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
            // Only the user's own programs may ask; the folder keeps others out, and this
            // holds even where it does not (the superuser).
            if (channel::peerUserId(socket->socketDescriptor()) != qint64(::geteuid())) {
                socket->abort();
                socket->deleteLater();
                continue;
            }
            connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
                QDataStream in(socket);
                in.setVersion(kStreamVersion);
                in.startTransaction();
                quint32 version = 0;
                in >> version;
                if (in.status() == QDataStream::Ok && version != kVersion) {
                    in.commitTransaction();
                    refuse(socket, QStringLiteral("the running window reads requests of "
                                                  "version %1, this one is of version %2; "
                                                  "close the window and start again")
                                       .arg(kVersion)
                                       .arg(version));
                    return;
                }
                WindowRequest request;
                in >> request.paths >> request.capture >> request.unnamable;
                if (!in.commitTransaction())
                    return;
                socket->write(&kAcknowledged, 1);
                socket->flush();
                socket->disconnectFromServer();
                emit requested(request);
            });
        }
    });
    return true;
}

InstanceChannel::Delivery InstanceChannel::send(const QString& programFolder,
                                                const WindowRequest& request, int timeoutMs) {
    using Outcome = Delivery::Outcome;
    const QDeadlineTimer deadline(timeoutMs);
    const SocketPath path = socketPath(programFolder);
    if (path.name.isEmpty())
        return {Outcome::NoWindow, path.problem};
    QLocalSocket socket;
    // The window takes the lock a moment before it listens.
    for (;;) {
        socket.connectToServer(path.name);
        if (socket.waitForConnected(remainingMs(deadline)))
            break;
        if (deadline.hasExpired())
            return {Outcome::NoWindow, QStringLiteral("no window answers on %1").arg(path.name)};
        QThread::msleep(100);
    }
    // The paths go to no one but this user's own window.
    const qint64 peer = channel::peerUserId(socket.socketDescriptor());
    if (peer != qint64(::geteuid()))
        return {Outcome::Refused,
                QStringLiteral("%1 is served by user id %2, not by this user; nothing was sent")
                    .arg(path.name)
                    .arg(peer)};
    QByteArray bytes;
    QDataStream out(&bytes, QIODevice::WriteOnly);
    out.setVersion(kStreamVersion);
    out << kVersion << request.paths << request.capture << request.unnamable;
    socket.write(bytes);
    const Delivery silent{Outcome::NoWindow,
                          QStringLiteral("the window on %1 did not answer").arg(path.name)};
    if (!socket.waitForBytesWritten(remainingMs(deadline)))
        return silent;
    while (socket.bytesAvailable() < 1)
        if (!socket.waitForReadyRead(remainingMs(deadline)))
            return silent;
    char answer = 0;
    socket.getChar(&answer);
    if (answer == kAcknowledged)
        return {Outcome::Delivered, {}};
    QString reason;
    if (answer == kRefused) {
        QDataStream in(&socket);
        in.setVersion(kStreamVersion);
        for (;;) {
            in.startTransaction();
            in >> reason;
            if (in.commitTransaction() || !socket.waitForReadyRead(remainingMs(deadline)))
                break;
        }
    }
    return {Outcome::Refused,
            reason.isEmpty() ? QStringLiteral("the window refused the request") : reason};
}

} // namespace quillpix
