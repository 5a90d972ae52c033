#include "cp932.h"
#include "failure.h"
#include "settingsfile.h"
#include "textfiles.h"
#include "writeplace.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>
#include <sched.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace quillpix;

namespace {

QByteArray readBytes(const QString& path) {
    QFile f(path);
    f.open(QIODevice::ReadOnly);
    return f.readAll();
}

void writeBytes(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes);
}

} // namespace

constexpr int kCannotLimit = 77;

// In a child: "old" in the target, then the limit, then a write of large, checked in full.
// Returns 0 when the write failed as it should, naming the file and the cause, kCannotLimit when
// the limit cannot be set up, another number for the check that failed.
int writeInChild(const QString& limit, const QString& writer, const QString& cause,
                 const QString& source, const QString& target, const QByteArray& large) {
    const QString folder = QFileInfo(target).path();
    if (limit == QLatin1String("disk")) {
        // A 64 KiB file system of our own, in a user and mount namespace of this child only.
        const uid_t uid = ::getuid();
        const gid_t gid = ::getgid();
        if (::unshare(CLONE_NEWUSER | CLONE_NEWNS) != 0)
            return kCannotLimit;
        auto put = [](const char* file, const QByteArray& text) {
            QFile f(QString::fromLatin1(file));
            return f.open(QIODevice::WriteOnly) && f.write(text) == text.size();
        };
        put("/proc/self/setgroups", "deny");
        if (!put("/proc/self/uid_map", "0 " + QByteArray::number(uid) + " 1") ||
            !put("/proc/self/gid_map", "0 " + QByteArray::number(gid) + " 1") ||
            ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
            ::mount("none", QFile::encodeName(folder).constData(), "tmpfs", 0, "size=64k") != 0)
            return kCannotLimit;
    }
    {
        QFile old(target);
        if (!old.open(QIODevice::WriteOnly) || old.write("old\r\n") != 5)
            return 10;
    }
    if (limit == QLatin1String("size")) {
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit small{64 * 1024, 64 * 1024};
        if (::setrlimit(RLIMIT_FSIZE, &small) != 0)
            return 11;
    }
    try {
        if (writer == QLatin1String("convert"))
            textfiles::convertUtf8ToSjis(source, target, textfiles::Durability::WorkFile);
        else
            textfiles::writeLines({QString::fromLatin1(large)}, target,
                                  writer == QLatin1String("lines")
                                      ? textfiles::Durability::Synced
                                      : textfiles::Durability::WorkFile);
        return 12;
    } catch (const Failure& f) {
        if (!f.text().contains(target) || !f.text().contains(cause))
            return 13;
    }
    if (readBytes(target) != "old\r\n")
        return 14;
    if (QDir(folder).entryList(QDir::Files) != QStringList{QStringLiteral("scan.bmp.txt")})
        return 15;
    return 0;
}

class TestTextFiles : public QObject {
    Q_OBJECT
    QTemporaryDir m_dir;
    QString path(const QString& name) const { return m_dir.filePath(name); }

private Q_SLOTS:
    void readTextFile_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("expected");
        QTest::newRow("no final break") << QByteArray("a\r\nb") << QStringLiteral("a\r\nb\r\n");
        QTest::newRow("empty file") << QByteArray() << QString();
        QTest::newRow("two final breaks") << QByteArray("a\r\n\r\n") << QStringLiteral("a\r\n\r\n");
        QTest::newRow("lone CR ends a line") << QByteArray("a\rb") << QStringLiteral("a\r\nb\r\n");
        QTest::newRow("lone LF stays") << QByteArray("a\nb\r\n") << QStringLiteral("a\nb\r\n");
        QTest::newRow("code page 932")
            << QByteArray("\x82\xa0\x87\x40\r\n") << QStringLiteral("あ①\r\n");
        QTest::newRow("half-width katakana") << QByteArray("\xb1\xb2") << QStringLiteral("ｱｲ\r\n");
        QTest::newRow("invalid lead byte is substituted")
            << QByteArray("x\xa0y") << QStringLiteral("x\uFFFDy\r\n");
    }
    void readTextFile() {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, expected);
        writeBytes(path("r.txt"), bytes);
        QCOMPARE(textfiles::readTextFile(path("r.txt")), expected);
    }

    void readSavedResult_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("expected"); // "" with no encoding: refused as no text
        QTest::addColumn<QString>("encoding"); // what readSavedText finds: sjis, utf8
        QTest::newRow("code page 932")
            << QByteArray("\x93\xfa\x96\x7b\r\n") << QStringLiteral("日本\r\n") << "sjis";
        QTest::newRow("UTF-8 from a Linux editor, LF ends lines")
            << QByteArray("\xe6\x97\xa5\xe6\x9c\xac\xe8\xaa\x9e\n\xe3\x81\x82")
            << QStringLiteral("日本語\r\nあ\r\n") << "utf8";
        QTest::newRow("UTF-8 with CR LF and a lone CR")
            << QByteArray("\xe3\x81\x82\r\nb\rc") << QStringLiteral("あ\r\nb\r\nc\r\n") << "utf8";
        QTest::newRow("UTF-8 with byte-order mark")
            << QByteArray("\xEF\xBB\xBF\xe3\x81\x82\r\n") << QStringLiteral("あ\r\n") << "utf8";
        // Without the mark these bytes are valid code page 932 too, and would read as that.
        QTest::newRow("UTF-8 with byte-order mark and LF, valid code page 932 without it")
            << QByteArray("\xEF\xBB\xBF\xe6\x9d\xb1\xe4\xba\xac\xe9\x83\xbd\n\n")
            << QStringLiteral("東京都\r\n\r\n") << "utf8";
        // These bytes are valid code page 932 too; UTF-8 written without its mark still reads
        // as UTF-8, as it was saved.
        QTest::newRow("UTF-8 without the mark, valid code page 932 too")
            << QByteArray("\xe6\x9d\xb1\xe4\xba\xac\xe9\x83\xbd\n") << QStringLiteral("東京都\r\n")
            << "utf8";
        QTest::newRow("UTF-8 byte-order mark, rest invalid")
            << QByteArray("\xEF\xBB\xBF"
                          "a\xff")
            << QStringLiteral("a\uFFFD\r\n") << "utf8";
        // "é" in UTF-8 is also two half-width katakana in code page 932: UTF-8 wins, as its
        // files carry no mark; saving writes the same bytes back.
        QTest::newRow("valid in both reads as UTF-8")
            << QByteArray("\xc3\xa9") << QStringLiteral("é\r\n") << "utf8";
        QTest::newRow("code page 932 kana and kanji are never UTF-8")
            << QByteArray("\x82\xa0\x93\xfa") << QStringLiteral("あ日\r\n") << "sjis";
        QTest::newRow("ASCII") << QByteArray("abc\r\n") << QStringLiteral("abc\r\n") << "sjis";
        QTest::newRow("ASCII, LF alone ends lines")
            << QByteArray("a\nb\n") << QStringLiteral("a\r\nb\r\n") << "utf8";
        QTest::newRow("ASCII with CR LF keeps its lone LF")
            << QByteArray("a\nb\r\n") << QStringLiteral("a\nb\r\n") << "sjis";
        QTest::newRow("invalid in both: code page 932 with substitutes")
            << QByteArray("\x82\xa0\xff") << QStringLiteral("あ\uFFFD\r\n") << "sjis";
        QTest::newRow("empty") << QByteArray() << QString() << "sjis";
        // What a Windows editor saves as "Unicode": kept whole, written back as UTF-8.
        QTest::newRow("UTF-16 little-endian with its mark, outside Shift-JIS")
            << QByteArray("\xFF\xFE\xd7\x9d\r\x00\n\x00\x42\xd8\xb7\xdf", 12)
            << QStringLiteral("鷗\r\n𠮷\r\n") << "utf8";
        QTest::newRow("UTF-16 big-endian with its mark, LF")
            << QByteArray("\xFE\xFF\x30\x42\x00\n", 6) << QStringLiteral("あ\r\n") << "utf8";
        QTest::newRow("UTF-16 holding a NUL") << QByteArray("\xFF\xFE"
                                                            "a\x00\x00\x00",
                                                            6)
                                              << QString() << "";
        QTest::newRow("a NUL in code page 932 bytes") << QByteArray("\x82\xa0\x00"
                                                                    "b",
                                                                    4)
                                                      << QString() << "";
    }
    void readSavedResult() {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, expected);
        QFETCH(QString, encoding);
        const QString file = path("saved.bmp.txt");
        writeBytes(file, bytes);
        if (encoding.isEmpty()) {
            QVERIFY_THROWS_EXCEPTION(Failure, textfiles::readSavedText(file));
            // Not text: the caller's choice stands.
            QCOMPARE(textfiles::encodingOf(file, textfiles::TextEncoding::Utf8),
                     textfiles::TextEncoding::Utf8);
            return;
        }
        const textfiles::SavedText saved = textfiles::readSavedText(file);
        QCOMPARE(saved.text, expected);
        QCOMPARE(textfiles::readSavedResult(file), expected);
        const auto found = encoding == QLatin1String("utf8") ? textfiles::TextEncoding::Utf8
                                                             : textfiles::TextEncoding::ShiftJis;
        QCOMPARE(saved.encoding, found);
        QCOMPARE(textfiles::encodingOf(file, textfiles::TextEncoding::Utf8),
                 bytes.isEmpty() ? textfiles::TextEncoding::Utf8 : found);
    }

    void readTextFileMissingNamesThePath() {
        try {
            textfiles::readTextFile(path("missing.txt"));
            QFAIL("no failure");
        } catch (const Failure& f) {
            QVERIFY(f.text().contains(path("missing.txt")));
        }
    }

    void writeLines_data() {
        QTest::addColumn<QStringList>("list");
        QTest::addColumn<QByteArray>("expected");
        QTest::addColumn<QString>("name");
        const QString w = QStringLiteral("w.txt");
        QTest::newRow("an entry holding CR LF")
            << QStringList{QStringLiteral("cmd\r\npause")} << QByteArray("cmd\r\npause\r\n") << w;
        QTest::newRow("no entry") << QStringList{} << QByteArray() << w;
        QTest::newRow("several entries, the first empty")
            << QStringList{QString(), QStringLiteral("a"), QString(), QStringLiteral("b")}
            << QByteArray("\r\na\r\n\r\nb\r\n") << w;
        QTest::newRow("circled one is two bytes")
            << QStringList{QStringLiteral("①")} << QByteArray("\x87\x40\r\n") << w;
        QTest::newRow("no code page 932 form")
            << QStringList{QStringLiteral("a〜😀b")} << QByteArray("a??b\r\n") << w;
        // Result names that just fit the 255 bytes a name may have.
        QTest::newRow("a name of 255 bytes")
            << QStringList{QStringLiteral("x")} << QByteArray("x\r\n")
            << QString(QString(247, QLatin1Char('p')) + QStringLiteral(".bmp.txt"));
        QTest::newRow("a name of 254 bytes, Japanese")
            << QStringList{QStringLiteral("x")} << QByteArray("x\r\n")
            << QString(QString(82, QChar(0x3042)) + QStringLiteral(".png.txt"));
    }
    void writeLines() {
        QFETCH(QStringList, list);
        QFETCH(QByteArray, expected);
        QFETCH(QString, name);
        QTemporaryDir dir;
        const QString target = dir.filePath(name);
        textfiles::writeLines(list, target);
        QCOMPARE(readBytes(target), expected);
        // Written again over the first; nothing else is left in the folder.
        textfiles::writeLines(list, target);
        QCOMPARE(readBytes(target), expected);
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{name});
    }

    void writeLinesInAnEncoding_data() {
        QTest::addColumn<QStringList>("list");
        QTest::addColumn<bool>("utf8");
        QTest::addColumn<QByteArray>("expected");
        QTest::addColumn<QString>("readBack"); // readSavedResult of the file
        const QStringList nihon{QStringLiteral("日本"), QStringLiteral("ab")};
        QTest::newRow("Shift-JIS, CR LF")
            << nihon << false << QByteArray("\x93\xfa\x96\x7b\r\nab\r\n")
            << QStringLiteral("日本\r\nab\r\n");
        QTest::newRow("UTF-8: no mark, LF")
            << nihon << true << QByteArray("\xe6\x97\xa5\xe6\x9c\xac\nab\n")
            << QStringLiteral("日本\r\nab\r\n");
        QTest::newRow("UTF-8 holds what code page 932 cannot")
            << QStringList{QStringLiteral("a😀b")} << true
            << QByteArray("a\xf0\x9f\x98\x80"
                          "b\n")
            << QStringLiteral("a😀b\r\n");
        QTest::newRow("UTF-8: an entry's CR LF and lone LF both become LF; the form feed stays")
            << QStringList{QStringLiteral("a\r\nb\nc"), QStringLiteral("\f")} << true
            << QByteArray("a\nb\nc\n\f\n") << QStringLiteral("a\r\nb\r\nc\r\n\f\r\n");
    }
    void writeLinesInAnEncoding() {
        QFETCH(QStringList, list);
        QFETCH(bool, utf8);
        QFETCH(QByteArray, expected);
        QFETCH(QString, readBack);
        const textfiles::TextEncoding encoding =
            utf8 ? textfiles::TextEncoding::Utf8 : textfiles::TextEncoding::ShiftJis;
        const QString target = path("e.txt");
        textfiles::writeLines(list, target, textfiles::Durability::Synced, encoding);
        QCOMPARE(readBytes(target), expected);
        QCOMPARE(textfiles::readSavedResult(target), readBack);
        QVERIFY(textfiles::writtenIn(target, encoding));
        QVERIFY(!textfiles::writtenIn(target, utf8 ? textfiles::TextEncoding::ShiftJis
                                                   : textfiles::TextEncoding::Utf8));
    }

    void writeLinesFailureKeepsTheOldFile() {
        // A folder standing where the file would go cannot be replaced.
        QDir(m_dir.path()).mkpath(QStringLiteral("blocked.txt"));
        QVERIFY_THROWS_EXCEPTION(Failure,
                                 textfiles::writeLines({QStringLiteral("x")}, path("blocked.txt")));
        writeBytes(path("keep.txt"), "old\r\n");
        QVERIFY_THROWS_EXCEPTION(
            Failure, textfiles::writeLines({QStringLiteral("x")}, path("nofolder/keep.txt")));
        QCOMPARE(readBytes(path("keep.txt")), QByteArray("old\r\n"));
        // A file made read-only is kept as it is, by the superuser too, and named; so is the
        // file a link leads to.
        QVERIFY(QFile::setPermissions(path("keep.txt"), QFileDevice::ReadOwner |
                                                            QFileDevice::ReadGroup |
                                                            QFileDevice::ReadOther));
        QVERIFY(QFile::link(path("keep.txt"), path("link.txt")));
        for (const char* name : {"keep.txt", "link.txt"}) {
            try {
                textfiles::writeLines({QStringLiteral("x")}, path(name));
                QFAIL("a read-only file was replaced");
            } catch (const Failure& f) {
                QVERIFY2(f.text().contains(path(name)), qPrintable(f.text()));
                QVERIFY2(f.text().contains(QStringLiteral("読み取り専用")), qPrintable(f.text()));
            }
            QCOMPARE(readBytes(path("keep.txt")), QByteArray("old\r\n"));
            QVERIFY(
                !(QFileInfo(path("keep.txt")).permissions() &
                  (QFileDevice::WriteOwner | QFileDevice::WriteGroup | QFileDevice::WriteOther)));
        }
        // One write permission is enough: this user's own.
        QVERIFY(QFile::setPermissions(path("keep.txt"),
                                      QFileDevice::ReadOwner | QFileDevice::WriteOwner));
        textfiles::writeLines({QStringLiteral("x")}, path("link.txt"));
        QCOMPARE(readBytes(path("keep.txt")), QByteArray("x\r\n"));
        QVERIFY(QFileInfo(path("link.txt")).isSymLink());
    }

    // A write that the system refuses part-way fails like any other: the message names the file
    // and the cause, the old file stays and no temporary file is left. Run in a child process,
    // which takes the size limit or mounts a small file system of its own.
    void writeBeyondTheSpaceFails_data() {
        QTest::addColumn<QString>("limit");
        QTest::addColumn<QString>("writer");
        QTest::addColumn<QString>("cause");
        const QString sizeLimit = QStringLiteral("大きさの上限");
        const QString fullDisk = QStringLiteral("ディスクがいっぱい");
        QTest::newRow("size limit, saved result") << "size"
                                                  << "lines" << sizeLimit;
        QTest::newRow("size limit, work file") << "size"
                                               << "work file" << sizeLimit;
        QTest::newRow("size limit, engine output converted") << "size"
                                                             << "convert" << sizeLimit;
        QTest::newRow("full disk, saved result") << "disk"
                                                 << "lines" << fullDisk;
        QTest::newRow("full disk, work file") << "disk"
                                              << "work file" << fullDisk;
    }
    void writeBeyondTheSpaceFails() {
        QFETCH(QString, limit);
        QFETCH(QString, writer);
        QFETCH(QString, cause);
        const QString folder = path(QStringLiteral("small"));
        QDir().mkpath(folder);
        const QString target = folder + QStringLiteral("/scan.bmp.txt");
        const QString source = path(QStringLiteral("engine.txt"));
        const QByteArray large(256 * 1024, 'x');
        writeBytes(source, large);
        const pid_t pid = ::fork();
        if (pid == 0)
            ::_exit(writeInChild(limit, writer, cause, source, target, large));
        int status = 0;
        QCOMPARE(::waitpid(pid, &status, 0), pid);
        QVERIFY(WIFEXITED(status));
        if (WEXITSTATUS(status) == kCannotLimit)
            QSKIP("no file system of limited size can be mounted here");
        QCOMPARE(WEXITSTATUS(status), 0);
    }

    void isVisibleFile_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("expected");
        QTest::newRow("plain file") << "exists.bmp.txt" << true;
        QTest::newRow("folder") << "afolder" << false;
        QTest::newRow("hidden file") << ".hidden.txt" << false;
        QTest::newRow("missing") << "nothing.txt" << false;
        // "x*.bmp" and "xy.bmp.txt" side by side: the star is part of the name, not a wildcard.
        QTest::newRow("star matches only itself") << "x*.bmp.txt" << false;
        QTest::newRow("question mark matches only itself") << "exists.bm?.txt" << false;
        QTest::newRow("name with a star") << "st*r?.bmp.txt" << true;
        QTest::newRow("brackets are plain characters") << "[ab].txt" << true;
    }
    void isVisibleFile() {
        QFETCH(QString, name);
        QFETCH(bool, expected);
        writeBytes(path("exists.bmp.txt"), "x");
        writeBytes(path(".hidden.txt"), "x");
        writeBytes(path("[ab].txt"), "x");
        writeBytes(path("xy.bmp.txt"), "x");
        writeBytes(path("st*r?.bmp.txt"), "x");
        QDir(m_dir.path()).mkpath(QStringLiteral("afolder"));
        QCOMPARE(textfiles::isVisibleFile(path(name)), expected);
    }

    // Links are made in "F"; "F2" beside it shares its name's start.
    void writeRefusal_data() {
        QTest::addColumn<QString>("link");   // made in F, "" for none
        QTest::addColumn<QString>("target"); // where it points, relative to the top folder
        QTest::addColumn<QString>("path");   // written, relative to F
        QTest::addColumn<bool>("refused");
        QTest::newRow("a new file") << ""
                                    << ""
                                    << "new.txt" << false;
        QTest::newRow("a new file in a new folder") << ""
                                                    << ""
                                                    << "pdf/.lines/a.lines" << false;
        QTest::newRow("a link within the folder") << "a.txt"
                                                  << "F/b.txt"
                                                  << "a.txt" << false;
        QTest::newRow("a folder link within the folder") << "pdf"
                                                         << "F/sub"
                                                         << "pdf/x.pdf" << false;
        QTest::newRow("a link to a folder beside it, its name longer") << "a.txt"
                                                                       << "F2/a.txt"
                                                                       << "a.txt" << true;
        QTest::newRow("a folder link out, the file not there yet") << "pdf"
                                                                   << "F2"
                                                                   << "pdf/.lines/a.lines" << true;
        QTest::newRow("a dangling folder link") << "pdf"
                                                << "nowhere"
                                                << "pdf/x.pdf" << true;
        QTest::newRow("outside the folder") << ""
                                            << ""
                                            << "../F2/a.txt" << true;
    }
    void writeRefusal() {
        QFETCH(QString, link);
        QFETCH(QString, target);
        QFETCH(QString, path);
        QFETCH(bool, refused);
        QTemporaryDir top;
        const QString f = top.filePath(QStringLiteral("F"));
        QVERIFY(QDir(top.path()).mkpath(QStringLiteral("F/sub")) &&
                QDir(top.path()).mkpath(QStringLiteral("F2")));
        writeBytes(f + QStringLiteral("/b.txt"), "b");
        writeBytes(top.filePath(QStringLiteral("F2/a.txt")), "a");
        if (!link.isEmpty())
            QVERIFY(QFile::link(top.filePath(target), f + u'/' + link));
        const QString reason = textfiles::writeRefusal(f + u'/' + path, f);
        QVERIFY2(reason.isEmpty() != refused, qPrintable(reason));
    }

    void convertUtf8ToSjis_data() {
        QTest::addColumn<QByteArray>("utf8");
        QTest::addColumn<QByteArray>("expected");
        QTest::newRow("LF becomes CR LF") << QByteArray("a\nb\n") << QByteArray("a\r\nb\r\n");
        QTest::newRow("CR LF unchanged") << QByteArray("a\r\nb\r\n") << QByteArray("a\r\nb\r\n");
        QTest::newRow("lone CR unchanged") << QByteArray("a\rb") << QByteArray("a\rb");
        QTest::newRow("byte-order mark skipped")
            << QByteArray("\xEF\xBB\xBF\xE3\x81\x82\n") << QByteArray("\x82\xa0\r\n");
        QTest::newRow("form feed kept") << QByteArray("x\n\x0c") << QByteArray("x\r\n\x0c");
        QTest::newRow("no code page 932 form")
            << QByteArray("\xF0\x9F\x98\x80|\xE3\x80\x9C") << QByteArray("?|?");
        QTest::newRow("invalid UTF-8") << QByteArray("a\xff"
                                                     "b")
                                       << QByteArray("a?b");
        QTest::newRow("empty") << QByteArray() << QByteArray();
    }
    void convertUtf8ToSjis() {
        QFETCH(QByteArray, utf8);
        QFETCH(QByteArray, expected);
        writeBytes(path("in.txt"), utf8);
        textfiles::convertUtf8ToSjis(path("in.txt"), path("out.txt"));
        QCOMPARE(readBytes(path("out.txt")), expected);
    }

    // A UTF-8 result keeps what Shift-JIS cannot hold; everything else reads as the Shift-JIS
    // result has it.
    void linesOfUtf8_data() {
        QTest::addColumn<QByteArray>("utf8");
        QTest::addColumn<QString>("expected");
        QTest::addColumn<bool>("asShiftJis");
        QTest::newRow("every character has a form") << QByteArray("あ\n") << "あ\r\n" << true;
        QTest::newRow("a kanji Shift-JIS lacks") << QByteArray("森鷗外\n") << "森鷗外\r\n" << false;
        QTest::newRow("beyond the first plane, whole")
            << QByteArray("\xF0\xA0\xAE\xB7野家") << "\U00020BB7野家\r\n"
            << false;
        QTest::newRow("among characters with a form, at both ends")
            << QByteArray("〜a\r\nb\xF0\x9F\x98\x80") << "〜a\r\nb\U0001F600\r\n"
            << false;
        QTest::newRow("a question mark is a question mark") << QByteArray("?\n") << "?\r\n" << true;
        QTest::newRow("lone CR ends a line") << QByteArray("a\rb") << "a\r\nb\r\n" << true;
        QTest::newRow("empty") << QByteArray() << "" << true;
    }
    void linesOfUtf8() {
        QFETCH(QByteArray, utf8);
        QFETCH(QString, expected);
        QFETCH(bool, asShiftJis);
        QCOMPARE(textfiles::linesOfUtf8(utf8), expected);
        QCOMPARE(textfiles::linesOfCp932(textfiles::sjisFromUtf8(utf8)) == expected, asShiftJis);
    }

    void convertMissingSourceLeavesTarget() {
        writeBytes(path("target.txt"), "before");
        QVERIFY_THROWS_EXCEPTION(
            Failure, textfiles::convertUtf8ToSjis(path("none.txt"), path("target.txt")));
        QCOMPARE(readBytes(path("target.txt")), QByteArray("before"));
    }

    void parentFolder_data() {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("expected");
        QTest::newRow("folder") << "/OCR/bin"
                                << "/OCR";
        QTest::newRow("trailing separator not counted") << "/OCR/bin/"
                                                        << "/OCR";
        QTest::newRow("top folder") << "/OCR"
                                    << "";
        QTest::newRow("root") << "/"
                              << "";
        QTest::newRow("no separator") << "name"
                                      << "";
        QTest::newRow("doubled separator") << "/a//b"
                                           << "/a/";
        QTest::newRow("empty") << ""
                               << "";
    }
    void parentFolder() {
        QFETCH(QString, path);
        QFETCH(QString, expected);
        QCOMPARE(textfiles::parentFolder(path), expected);
    }

    // Settings last from one start to the next, and a file that is not there gives fallbacks.
    void settingsFileKeepsListsAndFlags() {
        QTemporaryDir dir;
        const textfiles::SettingsFile missing(dir.filePath(QStringLiteral("nowhere")));
        QVERIFY(missing.list(QStringLiteral("folders")).isEmpty());
        QVERIFY(missing.flag(QStringLiteral("on"), true));
        textfiles::SettingsFile settings(dir.path());
        const QStringList folders{QStringLiteral("/home/a/スキャン, 2024"), QStringLiteral("/b")};
        settings.setList(QStringLiteral("folders"), folders);
        settings.setFlag(QStringLiteral("on"), true);
        const textfiles::SettingsFile again(dir.path());
        QCOMPARE(again.list(QStringLiteral("folders")), folders);
        QVERIFY(again.flag(QStringLiteral("on")));
        QVERIFY(!again.flag(QStringLiteral("other")));
        QCOMPARE(again.path(), dir.filePath(QStringLiteral("quillpix.ini")));
    }

    // A file of more than the settings could ever need is damage: it reads as the fallbacks
    // and is set aside, whole, by the next change.
    void settingsFileBoundsWhatItReads_data() {
        QTest::addColumn<qint64>("size");
        QTest::addColumn<bool>("read");
        QTest::newRow("at the limit") << textfiles::SettingsFile::kLargestFile << true;
        QTest::newRow("one byte over") << textfiles::SettingsFile::kLargestFile + 1 << false;
        // -1: a named pipe, whose reading would wait for a writer that never comes.
        QTest::newRow("a pipe") << qint64(-1) << false;
    }
    void settingsFileBoundsWhatItReads() {
        QFETCH(qint64, size);
        QFETCH(bool, read);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("quillpix.ini"));
        QByteArray bytes("[General]\r\non=true\r\nfolders=/a, /b\r\n");
        // Comment lines make up the size.
        while (bytes.size() < size)
            bytes += ';' + QByteArray(std::min<qint64>(size - bytes.size() - 3, 200), 'x') + "\r\n";
        bytes.truncate(size);
        if (size < 0) {
            QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
        } else {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
            QCOMPARE(file.write(bytes), size);
        }
        textfiles::SettingsFile settings(dir.path());
        const QStringList before = read ? QStringList{"/a", "/b"} : QStringList();
        QCOMPARE(settings.list(QStringLiteral("folders")), before);
        QCOMPARE(settings.flag(QStringLiteral("on")), read);
        QCOMPARE(QFileInfo(path).size(), std::max<qint64>(size, 0));

        settings.setList(QStringLiteral("folders"), {QStringLiteral("/c")});
        if (size < 0) {
            // Not the program's file: left as it is, the settings as the fallbacks.
            QVERIFY(settings.list(QStringLiteral("folders")).isEmpty());
            QVERIFY(!QFileInfo(path).isFile() && QFileInfo::exists(path));
            return;
        }
        QCOMPARE(settings.list(QStringLiteral("folders")), QStringList(QStringLiteral("/c")));
        QCOMPARE(settings.flag(QStringLiteral("on")), read);
        QCOMPARE(QFileInfo::exists(path + QStringLiteral(".too-large")), !read);
        if (!read)
            QCOMPARE(QFileInfo(path + QStringLiteral(".too-large")).size(), size);
    }

    // A settings file that cannot be written (a folder, a pipe, a device) is never opened: a
    // change reports that it was not kept and the file stays as it was; the message naming
    // the file comes once per run, not at every change.
    void settingsFileRefusesWhatItCannotKeep_data() {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<bool>("kept");
        QTest::newRow("missing, folder writable") << "missing" << true;
        QTest::newRow("a plain file") << "file" << true;
        QTest::newRow("a folder") << "folder" << false;
        QTest::newRow("a pipe") << "fifo" << false;
        QTest::newRow("a link to /dev/zero") << "zero" << false;
    }
    void settingsFileRefusesWhatItCannotKeep() {
        QFETCH(QString, kind);
        QFETCH(bool, kept);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("quillpix.ini"));
        if (kind == "file")
            QVERIFY(QFile(path).open(QIODevice::WriteOnly));
        else if (kind == "folder")
            QVERIFY(QDir().mkpath(path));
        else if (kind == "fifo")
            QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
        else if (kind == "zero")
            QVERIFY(QFile::link(QStringLiteral("/dev/zero"), path));
        textfiles::SettingsFile settings(dir.path());
        QCOMPARE(settings.whyNotKept().isEmpty(), kept);
        QCOMPARE(settings.setList(QStringLiteral("folders"), {QStringLiteral("/c")}), kept);
        QCOMPARE(settings.setFlag(QStringLiteral("on"), true), kept);
        QCOMPARE(settings.list(QStringLiteral("folders")),
                 kept ? QStringList(QStringLiteral("/c")) : QStringList());
        QCOMPARE(settings.flag(QStringLiteral("on")), kept);
        if (kept)
            return;
        QVERIFY(QFileInfo::exists(path) && !QFileInfo(path).isFile());
        const QString message = textfiles::unkeptSettingsMessage(settings);
        QVERIFY(message.contains(path));
        QVERIFY(message.contains(settings.whyNotKept()));
        QCOMPARE(textfiles::unkeptSettingsMessage(textfiles::SettingsFile(dir.path())), QString());
    }
};

QTEST_GUILESS_MAIN(TestTextFiles)
#include "test_textfiles.moc"
