#include "writeplace.h"

#include "failure.h"
#include "textfiles.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quillpix::textfiles {
namespace {

// A text file is judged by its first bytes: enough for any page of text, little to read.
constexpr qint64 kTextSample = 64 * 1024;

bool inside(const QString& canonical, const QString& root) {
    return canonical == root || canonical.startsWith(root + QLatin1Char('/'));
}

bool onlyTextControls(const QByteArray& bytes) {
    for (const char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        if ((b < 0x20 && b != '\r' && b != '\n' && b != '\t' && b != '\f') || b == 0x7F)
            return false;
    }
    return true;
}

} // namespace

QString writeRefusal(const QString& path, const QString& folder) {
    const QString root = QFileInfo(folder).canonicalFilePath();
    if (root.isEmpty() || !path.startsWith(folder + QLatin1Char('/')))
        return QCoreApplication::translate("textfiles",
                                           "保存先 %1 はフォルダ %2 の外です。書きません")
            .arg(path, folder);
    const QString name = path.mid(folder.size() + 1);
    // Each step from the folder down to the file: a link must lead somewhere within the folder.
    // The first step that does not exist yet ends the walk: what lies below it is made here.
    const QStringList steps = path.mid(folder.size() + 1).split(QLatin1Char('/'));
    QString place = folder;
    for (const QString& step : steps) {
        place += QLatin1Char('/') + step;
        const QFileInfo info(place);
        // A folder on the way is named when it is the link, not the file.
        const QString link = place == path ? QString() : QStringLiteral(" (%1)").arg(place);
        if (info.isSymLink() && !info.exists())
            return QCoreApplication::translate(
                       "textfiles",
                       "保存先 %1 は行き先のないリンクです%2。リンクの先には書きません")
                .arg(name, link);
        if (!info.exists())
            break;
        if (const QString canonical = info.canonicalFilePath(); !inside(canonical, root))
            return QCoreApplication::translate(
                       "textfiles", "保存先 %1 はフォルダの外 (%2) を指すリンクです%3。リンクの先"
                                    "には書きません")
                .arg(name, canonical, link);
    }
    return {};
}

void requireWritePlace(const QString& path, const QString& folder) {
    if (const QString refusal = writeRefusal(path, folder); !refusal.isEmpty())
        throw Failure(refusal);
}

bool holdsText(const QString& path) {
    // Only a plain file is looked into: opening a FIFO waits for a writer for ever, and opening a
    // device may do what its driver does on open. Checked before and, against a swap, after.
    const QByteArray name = QFile::encodeName(path);
    struct stat st {};
    if (::stat(name.constData(), &st) != 0 || !S_ISREG(st.st_mode))
        return false;
    const int fd = ::open(name.constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0)
        return false;
    QFile file;
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) ||
        !file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return false;
    }
    QByteArray head = file.read(kTextSample);
    // A character cut at the end of the sample is not a fault of the file: the sample ends at
    // its last line end instead (LF is never part of a character in either encoding).
    if (!file.atEnd()) {
        const qsizetype lastLf = head.lastIndexOf('\n');
        if (lastLf < 0)
            return false;
        head.truncate(lastLf + 1);
    }
    if (head.startsWith("\xEF\xBB\xBF"))
        head.remove(0, 3);
    return onlyTextControls(head) &&
           (isValidEncoding("windows-31j", head) || isValidEncoding("UTF-8", head));
}

} // namespace quillpix::textfiles
