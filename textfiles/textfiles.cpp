#include "textfiles.h"

#include "cp932.h"
#include "failure.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStringDecoder>

#include <algorithm>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

namespace quillpix::textfiles {
namespace {

constexpr char kUtf8Mark[] = "\xEF\xBB\xBF";

QByteArray readAll(const QString& path) {
    // A FIFO would wait for a writer for ever, a device do what its driver does on open.
    struct stat st {};
    if (::stat(QFile::encodeName(path).constData(), &st) == 0 && !S_ISREG(st.st_mode) &&
        !S_ISDIR(st.st_mode))
        throw Failure(QCoreApplication::translate("textfiles", "ファイルを読めません: %1\n%2")
                          .arg(path, QCoreApplication::translate(
                                         "textfiles", "普通のファイルではありません（FIFO、"
                                                      "デバイスなど）")));
    QFile file(path);
    if (QFileInfo(path).isDir() || !file.open(QIODevice::ReadOnly))
        throw Failure(QCoreApplication::translate("textfiles", "ファイルを読めません: %1\n%2")
                          .arg(path, file.errorString()));
    QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        throw Failure(QCoreApplication::translate("textfiles", "ファイルを読めません: %1\n%2")
                          .arg(path, file.errorString()));
    return bytes;
}

[[noreturn]] void writeFailed(const QString& path, int error) {
    throw Failure(QCoreApplication::translate("textfiles", "ファイルを書けません: %1\n%2")
                      .arg(path, writeErrorText(error)));
}

QString readOnlyText() {
    return QCoreApplication::translate(
        "textfiles", "このファイルは読み取り専用です（書き込みが許可されていません）。"
                     "ファイルはそのままです。");
}

// Whether the user may change the file: the system's answer for this user, and for the
// superuser, whom the system lets write anything, whether any write permission is set at all.
bool mayBeWritten(const QByteArray& file, const struct stat& st) {
    if (::faccessat(AT_FDCWD, file.constData(), W_OK, AT_EACCESS) != 0)
        return false;
    return (st.st_mode & 0222) != 0;
}

QByteArray temporaryNameBeside(const QByteArray& target) {
    const qsizetype slash = target.lastIndexOf('/');
    return target.left(slash + 1) + ".qpx-XXXXXX";
}

} // namespace

// Written with plain system calls so that every failing write, the flush to the disk and the
// close report their own errno: a full disk or a size limit must name itself, and a size limit
// must fail the write, not end the program (main() ignores SIGXFSZ).
PendingFile::PendingFile(const QString& path, Durability durability)
    : m_path(path), m_durability(durability) {
    // A link is written through: the file it points to is replaced, the link stays.
    const QFileInfo info(path);
    m_target = QFile::encodeName(info.isSymLink() ? info.symLinkTarget() : path);
    // Replacing goes by renaming, which the folder allows even over a file its owner made
    // read-only: such a file is refused here, as the user meant to keep it.
    struct stat old {};
    const bool replacing = ::stat(m_target.constData(), &old) == 0 && S_ISREG(old.st_mode);
    if (replacing && !mayBeWritten(m_target, old))
        throw Failure(QCoreApplication::translate("textfiles", "ファイルを書けません: %1\n%2")
                          .arg(path, readOnlyText()));
    // A short name beside the target: the target's own name may already use up the 255 bytes
    // a name may have. The leading dot keeps it out of every listing while it exists.
    m_temporary = temporaryNameBeside(m_target);
    m_fd = ::mkostemp(m_temporary.data(), O_CLOEXEC);
    if (m_fd < 0)
        writeFailed(path, errno);
    // The new file keeps the old one's permissions; a new one may be read by everyone.
    const mode_t mode = replacing ? (old.st_mode & 07777) : mode_t(0644);
    if (::fchmod(m_fd, mode) != 0) {
        const int error = errno;
        discard();
        writeFailed(path, error);
    }
}

PendingFile::~PendingFile() {
    discard();
}

void PendingFile::discard() {
    if (m_fd >= 0) {
        ::close(m_fd);
        m_fd = -1;
        ::unlink(m_temporary.constData());
    }
}

void PendingFile::append(const char* data, qsizetype size) {
    if (m_fd < 0)
        writeFailed(m_path, EBADF);
    while (size > 0) {
        const ssize_t n = ::write(m_fd, data, size_t(size));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            writeFailed(m_path, n < 0 ? errno : ENOSPC);
        data += n;
        size -= n;
        m_written += n;
    }
}

void PendingFile::closeWritten() {
    if (m_fd < 0)
        writeFailed(m_path, EBADF);
    if (m_durability == Durability::Synced && ::fsync(m_fd) != 0)
        writeFailed(m_path, errno);
    const int fd = m_fd;
    m_fd = -1;
    if (::close(fd) != 0) {
        const int error = errno;
        ::unlink(m_temporary.constData());
        writeFailed(m_path, error);
    }
}

void PendingFile::commit() {
    closeWritten();
    // rename() replaces the old file in one step; QFile::rename would not replace it.
    if (::rename(m_temporary.constData(), m_target.constData()) != 0) {
        const int error = errno;
        ::unlink(m_temporary.constData());
        writeFailed(m_path, error);
    }
}

bool PendingFile::commitIfAbsent() {
    closeWritten();
    // The system refuses to rename over an existing name; where the file system cannot be
    // asked that (some network file systems), a hard link is made instead, which also fails
    // when the name exists.
    int result = ::renameat2(AT_FDCWD, m_temporary.constData(), AT_FDCWD, m_target.constData(),
                             RENAME_NOREPLACE);
    if (result != 0 && (errno == EINVAL || errno == ENOSYS)) {
        result = ::link(m_temporary.constData(), m_target.constData());
        const int error = errno;
        ::unlink(m_temporary.constData());
        errno = error;
    }
    if (result != 0) {
        const int error = errno;
        ::unlink(m_temporary.constData());
        if (error == EEXIST)
            return false;
        writeFailed(m_path, error);
    }
    return true;
}

int removeStalePending(const QString& folder, qint64 olderThanSeconds) {
    static const QRegularExpression name(QStringLiteral("^\\.qpx-[A-Za-z0-9]{6}$"));
    const QDir dir(folder);
    const qint64 now = QDateTime::currentSecsSinceEpoch();
    int removed = 0;
    for (const QString& entry :
         dir.entryList({QStringLiteral(".qpx-*")}, QDir::Files | QDir::Hidden | QDir::System)) {
        if (!name.match(entry).hasMatch())
            continue;
        const QByteArray path = QFile::encodeName(dir.filePath(entry));
        struct stat st {};
        if (::lstat(path.constData(), &st) != 0 || !S_ISREG(st.st_mode) ||
            st.st_uid != ::geteuid() || now - qint64(st.st_mtim.tv_sec) < olderThanSeconds)
            continue;
        if (::unlink(path.constData()) == 0)
            ++removed;
    }
    return removed;
}

namespace {

// The file goes under a temporary name beside the target and is renamed into place only when
// complete, so a failure leaves the old file.
void write(const QByteArray& bytes, const QString& path, Durability durability) {
    PendingFile file(path, durability);
    file.append(bytes.constData(), bytes.size());
    file.commit();
}

// The text as the line reader gives it back: every line (CR LF or a lone CR ends one, a lone LF
// stays inside) followed by CR LF. One pass, so a large file costs no more than its size.
QString terminateLines(const QString& text) {
    const qsizetype n = text.size();
    const char16_t* in = reinterpret_cast<const char16_t*>(text.constData());
    QString out(n + text.count(QLatin1Char('\r')) + 2, Qt::Uninitialized);
    char16_t* o = reinterpret_cast<char16_t*>(out.data());
    qsizetype w = 0;
    bool terminated = true;
    for (qsizetype i = 0; i < n; ++i) {
        if (in[i] == u'\r') {
            o[w++] = u'\r';
            o[w++] = u'\n';
            if (i + 1 < n && in[i + 1] == u'\n')
                ++i;
            terminated = true;
        } else {
            o[w++] = in[i];
            terminated = false;
        }
    }
    if (!terminated) {
        o[w++] = u'\r';
        o[w++] = u'\n';
    }
    out.truncate(w);
    return out;
}

bool isHiddenName(const QString& name) {
    return name.startsWith(QLatin1Char('.'));
}

} // namespace

QStringList joinPages(const QStringList& pageTexts) {
    QStringList lines;
    for (qsizetype i = 0; i < pageTexts.size(); ++i) {
        if (i > 0)
            lines << pageBreakLine();
        lines << splitLines(pageTexts[i]);
    }
    return lines;
}

QStringList splitLines(const QString& text) {
    QStringList lines;
    qsizetype pos = 0;
    const qsizetype n = text.size();
    while (pos < n) {
        const qsizetype cr = text.indexOf(QLatin1Char('\r'), pos);
        if (cr < 0) {
            lines << text.mid(pos);
            break;
        }
        lines << text.mid(pos, cr - pos);
        pos = cr + 1;
        if (pos < n && text[pos] == QLatin1Char('\n'))
            ++pos;
    }
    return lines;
}

QString readTextFile(const QString& path) {
    return linesOfCp932(readAll(path));
}

QString linesOfCp932(const QByteArray& bytes) {
    return terminateLines(cp932::decode(bytes));
}

QString linesOfUtf8(const QByteArray& utf8) {
    const QString text = normaliseLineEnds(cp932::decodeUtf8(utf8));
    // Only what would become "?"; a character with a form that reads back as another one
    // (U+301C as U+FF5E) goes as the Shift-JIS text has it.
    QStringList missing;
    const QString noForm = cp932::unrepresentable(text);
    for (qsizetype i = 0; i < noForm.size();) {
        const qsizetype len = noForm[i].isHighSurrogate() ? 2 : 1;
        const QString one = noForm.mid(i, len);
        i += len;
        if (cp932::encode(one) == "?")
            missing << one;
    }
    if (missing.isEmpty())
        return linesOfCp932(cp932::encode(text));
    // Runs of characters with a form go there and back, as the Shift-JIS text has them.
    QString out, run;
    const auto flush = [&] {
        out += cp932::decode(cp932::encode(run));
        run.clear();
    };
    for (qsizetype i = 0; i < text.size();) {
        const qsizetype len =
            text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate() ? 2
                                                                                             : 1;
        const QString one = text.mid(i, len);
        i += len;
        if (one.front().unicode() >= 0x80 && missing.contains(one)) {
            flush();
            out += one;
        } else {
            run += one;
        }
    }
    flush();
    return terminateLines(out);
}

namespace {

QString notTextMessage(const QString& path) {
    return QCoreApplication::translate("textfiles", "テキストファイルではありません: %1").arg(path);
}

// A byte-order mark of UTF-16 and its byte order; 0 when the bytes have none.
int utf16Mark(const QByteArray& bytes) {
    if (bytes.startsWith("\xFF\xFE"))
        return 1; // little-endian
    if (bytes.startsWith("\xFE\xFF"))
        return 2; // big-endian
    return 0;
}

bool isAscii(const QByteArray& bytes) {
    return std::all_of(bytes.begin(), bytes.end(),
                       [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

SavedText savedTextOf(const QByteArray& bytes, const QString& path) {
    if (bytes.startsWith(kUtf8Mark))
        return {terminateLines(normaliseLineEnds(cp932::decodeUtf8(bytes))), TextEncoding::Utf8};
    if (const int mark = utf16Mark(bytes)) {
        QStringDecoder decoder(mark == 1 ? QStringConverter::Utf16LE : QStringConverter::Utf16BE,
                               QStringConverter::Flag::Stateless);
        const QString text = decoder(bytes.mid(2));
        if (decoder.hasError() || text.contains(QChar(0)))
            throw Failure(notTextMessage(path));
        return {terminateLines(normaliseLineEnds(text)), TextEncoding::Utf8};
    }
    // Neither code page 932 nor UTF-8 holds a NUL in any character: such bytes are no text
    // (UTF-16 without its mark, a picture, an archive).
    if (bytes.contains('\0'))
        throw Failure(notTextMessage(path));
    // UTF-8 first: Japanese in UTF-8 often passes for code page 932 too (「東京都」 does), while
    // code page 932's kana and common kanji start with bytes UTF-8 never starts a character with.
    // ASCII whose lines all end in LF alone is UTF-8's way of writing, never code page 932's.
    const bool lfOnly = bytes.contains('\n') && !bytes.contains('\r');
    if (!isAscii(bytes) || lfOnly)
        if (const auto text = cp932::strictlyDecoded("UTF-8", bytes))
            return {terminateLines(normaliseLineEnds(*text)), TextEncoding::Utf8};
    if (const auto text = cp932::strictlyDecoded("windows-31j", bytes))
        return {terminateLines(*text), TextEncoding::ShiftJis};
    return {terminateLines(cp932::decode(bytes)), TextEncoding::ShiftJis};
}

} // namespace

SavedText readSavedText(const QString& path) {
    return savedTextOf(readAll(path), path);
}

QString readSavedResult(const QString& path) {
    return readSavedText(path).text;
}

TextEncoding encodingOf(const QString& path, TextEncoding fallback) {
    const QFileInfo info(path);
    if (!info.isFile() || info.size() == 0)
        return fallback;
    try {
        return readSavedText(path).encoding;
    } catch (const Failure&) {
        return fallback;
    }
}

QByteArray encodeText(const QString& text, TextEncoding encoding) {
    if (encoding == TextEncoding::ShiftJis)
        return cp932::encode(text);
    // Without a byte-order mark, which Unix tools show or trip over; reading tells UTF-8 apart
    // all the same (savedTextOf).
    QString lf = text;
    lf.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    return lf.toUtf8();
}

bool writtenIn(const QString& path, TextEncoding encoding) {
    if (!QFileInfo(path).isFile())
        return false;
    try {
        const QByteArray bytes = readAll(path);
        // ASCII without a line end reads the same in both; its line ends say which it is.
        const bool noLineEnd = !bytes.contains('\n') && !bytes.contains('\r');
        return (isAscii(bytes) && noLineEnd) || savedTextOf(bytes, path).encoding == encoding;
    } catch (const Failure&) {
        return false;
    }
}

bool isValidEncoding(const char* encoding, const QByteArray& bytes) {
    return cp932::strictlyDecoded(encoding, bytes).has_value();
}

QString readCp932(const QString& path) {
    return cp932::decode(readAll(path));
}

QStringList readLines(const QString& path) {
    return splitLines(cp932::decode(readAll(path)));
}

void writeLines(const QStringList& list, const QString& path, Durability durability,
                TextEncoding encoding) {
    QString text;
    for (const QString& line : list) {
        text += line;
        text += QStringLiteral("\r\n");
    }
    write(encodeText(text, encoding), path, durability);
}

bool isVisibleFile(const QString& path) {
    const QFileInfo info(path);
    const QString name = info.fileName();
    return !name.isEmpty() && !isHiddenName(name) && info.isFile();
}

QString writeErrorText(int error) {
    switch (error) {
    case ENOSPC:
        return QCoreApplication::translate(
            "textfiles", "ディスクがいっぱいです。空きを作ってからもう一度保存してください。");
    case EDQUOT:
        return QCoreApplication::translate("textfiles",
                                           "ディスクの使用量の上限（クォータ）に達しました。");
    case EACCES:
    case EPERM:
        return QCoreApplication::translate("textfiles", "書き込みが許可されていません。");
    case EROFS:
        return QCoreApplication::translate("textfiles", "読み取り専用の場所です。");
    case ENAMETOOLONG:
        return QCoreApplication::translate("textfiles", "ファイル名が長すぎます。");
    case EFBIG:
        return QCoreApplication::translate("textfiles", "ファイルの大きさの上限を超えました。");
    default:
        return QString::fromLocal8Bit(std::strerror(error));
    }
}

QString normaliseLineEnds(const QString& text) {
    // Two linear passes over preallocated text; QString::replace grows the text piecemeal,
    // which on a large engine output costs more than the whole conversion.
    const qsizetype n = text.size();
    const char16_t* in = reinterpret_cast<const char16_t*>(text.constData());
    QString withCrLf(n + text.count(QLatin1Char('\n')), Qt::Uninitialized);
    char16_t* out = reinterpret_cast<char16_t*>(withCrLf.data());
    qsizetype w = 0;
    for (qsizetype i = 0; i < n; ++i) {
        if (in[i] == u'\n')
            out[w++] = u'\r';
        out[w++] = in[i];
    }
    // Then every CR CR pair becomes one CR, left to right, the result not searched again.
    const qsizetype m = w;
    w = 0;
    for (qsizetype i = 0; i < m; ++i) {
        out[w++] = out[i];
        if (out[i] == u'\r' && i + 1 < m && out[i + 1] == u'\r')
            ++i;
    }
    withCrLf.truncate(w);
    return withCrLf;
}

void convertUtf8ToSjis(const QString& source, const QString& target, Durability durability) {
    write(sjisFromUtf8(readAll(source)), target, durability);
}

QByteArray sjisFromUtf8(const QByteArray& utf8) {
    return cp932::encode(normaliseLineEnds(cp932::decodeUtf8(utf8)));
}

QByteArray readBytes(const QString& path) {
    return readAll(path);
}

bool writeBytesIfAbsent(const QByteArray& bytes, const QString& path, Durability durability) {
    PendingFile file(path, durability);
    file.append(bytes.constData(), bytes.size());
    return file.commitIfAbsent();
}

void writeBytes(const QByteArray& bytes, const QString& path, Durability durability) {
    write(bytes, path, durability);
}

QString parentFolder(const QString& path) {
    // The last character is never examined, so a trailing "/" does not count.
    for (qsizetype k = path.size() - 2; k >= 0; --k)
        if (path[k] == QLatin1Char('/'))
            return path.left(k);
    return {};
}

QString savedResultPath(const QString& folder, const QString& pictureName) {
    return folder + QLatin1Char('/') + pictureName + QStringLiteral(".txt");
}

QString savedResultPath(const QString& folder, const QString& pictureName, int page) {
    if (page < 0)
        return savedResultPath(folder, pictureName);
    return folder + QLatin1Char('/') + pictureName + QStringLiteral(".p%1.txt").arg(page + 1);
}

} // namespace quillpix::textfiles
