#pragma once

#include <QString>
#include <QStringList>

// Reading and writing the program's own text files: code page 932, CR LF line ends, no
// byte-order mark. Paths use "/". A file that cannot be read or written throws a Failure
// (platform/failure.h) that names the path.
namespace quillpix::textfiles {

// The two encodings the program writes text in. Shift-JIS (code page 932) with CR LF is the
// program's own and the default; UTF-8 is written with a byte-order mark and LF line ends on
// request. The mark is what makes reading it back certain: short UTF-8 Japanese ("東京都") is
// also valid code page 932.
enum class TextEncoding { ShiftJis, Utf8 };

// The bytes of a text whose line ends are CR LF, in the encoding: Shift-JIS as it is (characters
// without a form become "?"), UTF-8 without a byte-order mark and every CR LF and every lone LF
// as LF.
QByteArray encodeText(const QString& text, TextEncoding encoding);
// Whether the file reads as the encoding's text (as a saved result is read: UTF-8 with or without
// its byte-order mark, ASCII by its line ends); ASCII without a line end is either. A missing
// file gives false.
bool writtenIn(const QString& path, TextEncoding encoding);

// The lines of a text: a line ends at CR LF or at a lone CR; a lone LF stays inside the line.
// A terminator after the last line adds no empty line; an empty text has no lines.
QStringList splitLines(const QString& text);

// The line between two pages of a text: a form feed alone, as pdftotext marks page breaks.
inline QString pageBreakLine() {
    return QStringLiteral("\f");
}
// The lines of the pages' texts joined: each page's lines (splitLines), and a page-break line
// before every page but the first. An empty page adds no line, so its page breaks still count it.
QStringList joinPages(const QStringList& pageTexts);

// The whole file, every line followed by CR LF (the last one too).
QString readTextFile(const QString& path);
// What readTextFile gives for a file holding these code page 932 bytes.
QString linesOfCp932(const QByteArray& bytes);
// The same for UTF-8 bytes (the engine's output) as linesOfCp932 gives them once converted
// (sjisFromUtf8), except that a character without a code page 932 form stays as it is instead
// of becoming "?": the text a UTF-8 result is saved from, every other character just as a
// Shift-JIS result has it.
QString linesOfUtf8(const QByteArray& utf8);
// A result saved beside a picture, as readTextFile gives it, but also when someone edited it
// elsewhere: a file that starts with the UTF-8 byte-order mark is UTF-8; otherwise a file that
// is valid code page 932 is read as such (pure ASCII reads the same either way), one that is
// not but is valid UTF-8 is UTF-8, and one valid in neither is code page 932 with substitutes.
// A UTF-8 file's LF ends its line, as CR LF does (a Linux editor's and the program's own UTF-8).
// Code page 932 comes first because a wrong guess that way loses nothing: saving writes the
// same bytes back. UTF-16 with its mark is read too; bytes that are no text throw a Failure
// (readSavedText).
QString readSavedResult(const QString& path);
// A saved result as it was found: its text (as readSavedResult gives it) and the encoding to
// write it back in, so that saving it again loses no character and changes no encoding.
struct SavedText {
    QString text;
    TextEncoding encoding = TextEncoding::ShiftJis;
};
// Reads a saved result as readSavedResult does, and says which encoding it was in: UTF-8 when
// it starts with the UTF-8 mark or is valid UTF-8 only; UTF-16 (with its byte-order mark, as a
// Windows editor writes "Unicode") is read and given as UTF-8, the encoding that holds every
// character it can. Bytes that are no text (a NUL outside UTF-16) throw a Failure naming the
// file, as does a file that cannot be read.
SavedText readSavedText(const QString& path);
// The encoding readSavedText finds in the file; a missing, unreadable or empty file gives
// fallback.
TextEncoding encodingOf(const QString& path, TextEncoding fallback = TextEncoding::ShiftJis);
// Whether the bytes are valid in the ICU encoding ("windows-31j", "UTF-8"), nothing substituted.
bool isValidEncoding(const char* encoding, const QByteArray& bytes);
// The whole code page 932 file decoded, its line ends as they are.
QString readCp932(const QString& path);
// The lines of a code page 932 file, without their terminators.
QStringList readLines(const QString& path);
// How a written file reaches the disk. The user's files are in place only once they are on the
// disk. Work files, which every run rewrites, do not wait for the disk: that wait would be most
// of a recognition's own time. Both are renamed into place, so a failure leaves the old file.
// A failing write (a full disk, a quota, a file-size limit) throws a Failure naming the file and
// the cause in words; the program must ignore SIGXFSZ for a size limit to come back as an error.
enum class Durability { Synced, WorkFile };

// A file written piece by piece, for contents too large to hold in memory at once: it grows
// under a temporary name beside path and takes path's place in one step at commit(), keeping
// the old file's permissions (a link is written through). A failure, or the object going
// without commit(), removes the temporary file and leaves the old file as it was. Failing
// writes throw a Failure naming path and the cause, as writeLines does.
class PendingFile {
public:
    PendingFile(const QString& path, Durability durability);
    ~PendingFile();
    PendingFile(const PendingFile&) = delete;
    PendingFile& operator=(const PendingFile&) = delete;

    void append(const char* data, qsizetype size);
    qint64 written() const { return m_written; }
    void commit();
    // Takes path's place only while nothing lies there: false, the temporary file removed and
    // whatever appeared at path left as it is, when something does. The check and the rename
    // are one step, so a file saved meanwhile by another program is never replaced.
    bool commitIfAbsent();

private:
    void discard();
    // The temporary file on the disk (when Synced) and closed, ready to take its place.
    void closeWritten();

    QString m_path;
    Durability m_durability;
    QByteArray m_target;
    QByteArray m_temporary;
    int m_fd = -1;
    qint64 m_written = 0;
};

// Removes from the folder the temporary files a PendingFile left when the program was killed
// before commit() or its own clean-up (SIGKILL, a power cut): only names of exactly the form
// it gives them (".qpx-" and six letters or digits), only plain files (never a link) of this
// user, and only those not modified for olderThanSeconds, longer than any writer of the
// program goes without writing. Gives how many went.
int removeStalePending(const QString& folder, qint64 olderThanSeconds);

// Writes every entry, each followed by CR LF (encodeText: LF in UTF-8). The file is written
// under a temporary name and renamed into place, so a failure leaves the old file.
void writeLines(const QStringList& list, const QString& path,
                Durability durability = Durability::Synced,
                TextEncoding encoding = TextEncoding::ShiftJis);
// True when path names a plain file whose name is not hidden (a leading "."): the program's
// own files, as the file list shows them. The name is taken literally: "*" and "?" are
// ordinary characters in Linux file names. A folder gives false.
bool isVisibleFile(const QString& path);
// The cause of a failed write, for the user: a full disk, a quota and a size limit in Japanese,
// anything else as the system words it.
QString writeErrorText(int error);
// Reads the UTF-8 file (a leading byte-order mark skipped) and writes it as code page 932 with
// CR LF line ends: every LF becomes CR LF, then every CR CR pair becomes one CR.
void convertUtf8ToSjis(const QString& source, const QString& target,
                       Durability durability = Durability::Synced);
// The bytes convertUtf8ToSjis writes for a file holding these UTF-8 bytes.
QByteArray sjisFromUtf8(const QByteArray& utf8);
// The bytes of a file, read whole; a file that cannot be read throws a Failure naming it.
QByteArray readBytes(const QString& path);
// Writes the bytes as writeLines writes its text: under a temporary name, renamed into place.
void writeBytes(const QByteArray& bytes, const QString& path,
                Durability durability = Durability::Synced);
// The same for a new file: false, nothing written, when path exists by the time the bytes
// are in place (PendingFile::commitIfAbsent).
bool writeBytesIfAbsent(const QByteArray& bytes, const QString& path,
                        Durability durability = Durability::Synced);
// The text before the last "/", a "/" in the last position not counting; "" when none.
QString parentFolder(const QString& path);
// The line-end rule of convertUtf8ToSjis on its own.
QString normaliseLineEnds(const QString& text);
// The text saved for a picture lies beside it: scan01.bmp -> scan01.bmp.txt.
QString savedResultPath(const QString& folder, const QString& pictureName);
// The text saved for page `page` (index from 0) of a multi-page document: page 3 of scan.pdf
// -> scan.pdf.p3.txt. A negative page (a picture, a one-page document) gives the plain name.
// A saved result X.txt belongs to a picture X with a picture extension; "scan.pdf.p3" has
// none, so a page's file never clashes with another picture's, nor with another page's.
QString savedResultPath(const QString& folder, const QString& pictureName, int page);

} // namespace quillpix::textfiles
