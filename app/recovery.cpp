#include "recovery.h"

#include "failure.h"
#include "textfiles.h"

#include <QFile>
#include <QFileInfo>
#include <QTimer>
#include <QUrl>

namespace quillpix {
namespace {

const QByteArray kFirstLine("Quillpix recovery 1");
// A recovery file holds one box's text; anything much larger is not one.
constexpr qint64 kLargestFile = qint64(64) << 20;

} // namespace

QByteArray recoveryBytes(const RecoveryCopy& copy) {
    QByteArray bytes = kFirstLine + '\n';
    bytes += "folder=" + QUrl::toPercentEncoding(copy.folder) + '\n';
    bytes += "name=" + QUrl::toPercentEncoding(copy.name) + '\n';
    bytes += "page=" + QByteArray::number(copy.page) + '\n';
    bytes += '\n';
    bytes += copy.text.toUtf8();
    return bytes;
}

std::optional<RecoveryCopy> parseRecovery(const QByteArray& bytes) {
    const qsizetype headerEnd = bytes.indexOf("\n\n");
    if (headerEnd < 0)
        return std::nullopt;
    const QList<QByteArray> lines = bytes.left(headerEnd).split('\n');
    if (lines.size() != 4 || lines[0] != kFirstLine || !lines[1].startsWith("folder=") ||
        !lines[2].startsWith("name=") || !lines[3].startsWith("page="))
        return std::nullopt;
    RecoveryCopy copy;
    copy.folder = QUrl::fromPercentEncoding(lines[1].mid(7));
    copy.name = QUrl::fromPercentEncoding(lines[2].mid(5));
    bool ok = false;
    copy.page = lines[3].mid(5).toInt(&ok);
    if (!ok || copy.page < -1)
        return std::nullopt;
    copy.text = QString::fromUtf8(bytes.mid(headerEnd + 2));
    return copy;
}

RecoveryKeeper::RecoveryKeeper(const QString& programFolder, QObject* parent)
    : QObject(parent), m_path(programFolder + QStringLiteral("/quillpix.recovery")),
      m_pause(new QTimer(this)) {
    m_pause->setSingleShot(true);
    m_pause->setInterval(kPauseMs);
    connect(m_pause, &QTimer::timeout, this, [this] { write(false); });
}

void RecoveryKeeper::textChanged() {
    if (!m_kept)
        m_pause->start();
}

void RecoveryKeeper::discard() {
    m_pause->stop();
    if (!m_kept)
        QFile::remove(m_path);
}

void RecoveryKeeper::writeNow() {
    m_pause->stop();
    write(true);
}

void RecoveryKeeper::write(bool synced) {
    if (m_kept || !m_source)
        return;
    // A copy that cannot be written is no worse than none: the program goes on, or ends, as
    // it would have without it.
    try {
        textfiles::writeBytes(recoveryBytes(m_source()), m_path,
                              synced ? textfiles::Durability::Synced
                                     : textfiles::Durability::WorkFile);
    } catch (const Failure&) {
    }
}

std::optional<RecoveryCopy> RecoveryKeeper::left() const {
    // Only a plain file is opened: never a pipe or a device put in its place.
    const QFileInfo info(m_path);
    if (m_kept || !info.isFile() || info.size() > kLargestFile)
        return std::nullopt;
    try {
        return parseRecovery(textfiles::readBytes(m_path));
    } catch (const Failure&) {
        return std::nullopt;
    }
}

void RecoveryKeeper::keepForNextStart() {
    m_pause->stop();
    m_kept = true;
}

} // namespace quillpix
