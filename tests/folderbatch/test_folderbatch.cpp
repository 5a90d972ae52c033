#include "batchcli.h"
#include "batchcontroller.h"
#include "bookoutput.h"
#include "booktext.h"
#include "cp932.h"
#include "crop.h"
#include "enginesteps.h"
#include "filelistbox.h"
#include "frmmain.h"
#include "gifencoder.h"
#include "pagereader.h"
#include "pages.h"
#include "pagetexts.h"
#include "pdfoutput.h"
#include "pdfwriter.h"
#include "picturebox.h"
#include "picturelist.h"
#include "picturereading.h"
#include "reading.h"
#include "recognitionfixture.h"
#include "recordingplatform.h"
#include "tempworkspace.h"
#include "textfiles.h"
#include "textpicture.h"
#include "widgets.h"
#include "workpicture.h"

#include <QAction>
#include <QBuffer>
#include <QCryptographicHash>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QPainter>
#include <QPdfWriter>
#include <QProcess>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace quillpix;
using namespace quillpix::folderbatch;
using namespace quillpix::testing;

namespace {

// A `tesseract` first on PATH. It lists two languages (only "osd" in a --tessdata-dir), logs
// its process id, its arguments and the MD5 of the picture it was given (so a test tells which
// pixels the engine read), and writes the prepared output. With the file "unloadable" present
// it fails every run as an engine with damaged language data does; for a picture whose MD5
// names a file "fail-<md5>" it exits with status 1 after writing what that file holds (nothing,
// or a few bytes). With the file "slow" present it waits in a child whose id is logged too: the
// seconds the file holds or, when empty, a moment for the first three runs (the batch's trial on
// a blank picture and two pictures) and a minute for the others.
const char kEngine[] = R"sh(#!/bin/sh
here=$(dirname "$0")
if [ "$1" = --list-langs ]; then
  if [ "$2" = --tessdata-dir ]; then
    printf 'List of available languages in "%s/" (1):\nosd\n' "$3"
  else
    printf 'List of available languages in "/x/" (2):\neng\njpn\n'
  fi
  exit 0
fi
if [ -e "$here/unloadable" ]; then
  echo "Failed loading language 'jpn'" >&2; exit 1
fi
echo "$$" >> "$here/pids"
echo "$OMP_THREAD_LIMIT $*" >> "$here/runs"
md5=$(md5sum < "$1" | cut -c1-32)
echo "$md5" >> "$here/pictures"
if [ -e "$here/slow" ]; then
  s=$(cat "$here/slow")
  if [ -z "$s" ]; then
    if [ "$(wc -l < "$here/runs")" -gt 3 ]; then s=60; else s=0.4; fi
  fi
  sleep $s & echo "$!" >> "$here/pids"; wait
fi
if [ -e "$here/fail-$md5" ]; then
  cat "$here/fail-$md5" > "$2.txt"; [ -s "$2.txt" ] || rm "$2.txt"; exit 1
fi
cat "$here/output" > "$2.txt"
)sh";

QByteArray readAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeAll(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(file.write(bytes), bytes.size());
}

struct BatchEngine {
    QTemporaryDir dir;
    BatchEngine() {
        const QString script = dir.filePath(QStringLiteral("tesseract"));
        writeAll(script, kEngine);
        QFile::setPermissions(script, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        writeAll(dir.filePath(QStringLiteral("output")), {});
    }
    QString file(const QString& name) const { return dir.filePath(name); }
};

// The tmp.bmp bytes of the window's run on the whole picture at 100 %: its picture boxes and
// crop, with the selection's corners where the run puts them (the cut-out's surface is 4
// pixels narrower and lower than the region), declaring the picture's resolution as the
// selection's cut-out does.
QByteArray windowWorkPicture(const QString& folder, const QString& name) {
    PictureBox full(nullptr, PictureBox::Border::None), cutOut(nullptr, PictureBox::Border::Sunken);
    full.setAutoSize(true);
    cutOut.setAutoSize(true);
    full.setPicture(loadItem(folder, {name, -1}));
    cropSelection(full.picture(), 0, 0, full.picture().width() + 4, full.picture().height() + 4, 0,
                  0, 0, &cutOut);
    QImage crop = cutOut.surface();
    crop.setDotsPerMeterX(full.picture().dotsPerMeterX());
    crop.setDotsPerMeterY(full.picture().dotsPerMeterY());
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("tmp.bmp"));
    pipeline::writeWorkPicture(crop, path);
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QByteArray md5Of(const QByteArray& bytes) {
    return QCryptographicHash::hash(bytes, QCryptographicHash::Md5).toHex();
}

// The saved file for a result box that holds text: code page 932, CR LF after the text. The
// texts the tests expect are worked out by hand from the clean-up and save rules, not by them.
QByteArray savedFile(const QString& text) {
    return cp932::encode(text + QStringLiteral("\r\n"));
}

QStringList logLines(const QString& path) {
    return QString::fromUtf8(readAll(path)).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

QImage page(int seed, QImage::Format format) {
    QImage image(180 + seed * 7, 60 + seed, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter p(&image);
    p.fillRect(10 + seed, 10, 40, 20, QColor(seed * 30 % 256, 40, 90));
    p.end();
    return image.convertToFormat(format);
}

struct Run {
    int status = -1;
    QString out;
    QString err;
};

// The batch's language follows the locale: C unless a row asks for another.
QProcess* startBatch(const QStringList& arguments, const QString& enginePath,
                     const QString& tmpdir = {}, const QString& locale = QStringLiteral("C")) {
    auto* process = new QProcess;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"LC_ALL", "LC_MESSAGES", "QUILLPIX_LANG"})
        env.remove(QString::fromLatin1(name));
    env.insert(QStringLiteral("LANG"), locale);
    env.remove(QStringLiteral("DISPLAY"));
    env.remove(QStringLiteral("WAYLAND_DISPLAY"));
    env.remove(QStringLiteral("QT_QPA_PLATFORM"));
    // The engine's folder alone, or first before the system's.
    env.insert(QStringLiteral("PATH"), enginePath.contains(QLatin1Char(':'))
                                           ? enginePath
                                           : enginePath + QStringLiteral(":/usr/bin:/bin"));
    if (!tmpdir.isEmpty())
        env.insert(QStringLiteral("TMPDIR"), tmpdir);
    process->setProcessEnvironment(env);
    process->start(QStringLiteral(QUILLPIX_PROGRAM), arguments);
    return process;
}

Run runBatch(const QStringList& arguments, const QString& enginePath,
             const QString& locale = QStringLiteral("C")) {
    std::unique_ptr<QProcess> process(startBatch(arguments, enginePath, {}, locale));
    Run run;
    if (!process->waitForFinished(120000))
        return run;
    run.status = process->exitStatus() == QProcess::NormalExit ? process->exitCode() : -1;
    run.out = QString::fromLocal8Bit(process->readAllStandardOutput());
    run.err = QString::fromLocal8Bit(process->readAllStandardError());
    return run;
}

// Whether the process runs (a zombie, waiting for init to reap it, does not).
bool runs(const QByteArray& pid) {
    const QByteArray stat = readAll(QStringLiteral("/proc/%1/stat").arg(QString::fromLatin1(pid)));
    // "pid (name) state ...": the name may hold spaces, so the state follows the last ")".
    return !stat.isEmpty() && stat.mid(stat.lastIndexOf(')') + 2, 1) != "Z";
}

QStringList folderEntries(const QString& folder) {
    return QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name);
}

} // namespace

class TestFolderBatch : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void picturesAndShares_data();
    void picturesAndShares();
    void plannedOutputs_data();
    void plannedOutputs();
    void bookNames_data();
    void bookNames();
    void pdfPagesTakeTheScan_data();
    void pdfPagesTakeTheScan();
    void documentTextWaitsForEveryPage();
    void encodingOfTheTexts_data();
    void encodingOfTheTexts();
    void refusedStarts_data();
    void refusedStarts();
    void resultLinksStayInTheFolder_data();
    void resultLinksStayInTheFolder();
    void namesLeftOutAreReported();
    void logLinesAndJobs_data();
    void logLinesAndJobs();
    void savedBytesMatchTheWindow_data();
    void savedBytesMatchTheWindow();
    void engineFailuresAreFailures_data();
    void engineFailuresAreFailures();
    void realEngineReadsAPicture();
    void textRulesOfTheBatch_data();
    void textRulesOfTheBatch();
    void automaticReadingIsTheDefault();
    void libraryWarningsStayOffTheProgress();
    void analysisTheLibraryRefusesFailsThePicture();
    void aSpreadIsReadAsTwoPages_data();
    void aSpreadIsReadAsTwoPages();
    void controllerCancelsAfterTheRunningPictures();
    void windowMenuReadsTheShownFolder();
    void stopSignalLeavesNoHalfFile_data();
    void stopSignalLeavesNoHalfFile();
    void resultSavedMeanwhileIsKept_data();
    void resultSavedMeanwhileIsKept();
    void outputsReplaceOnlyTheirOwn_data();
    void outputsReplaceOnlyTheirOwn();
    void staleTemporariesAreCleared();
    void stopReachesTheEnginesTrial();
    void aFolderWhereTheResultGoesIsNoResult();
};

void TestFolderBatch::picturesAndShares_data() {
    QTest::addColumn<QStringList>("files");
    QTest::addColumn<int>("k");
    QTest::addColumn<int>("n");
    QTest::addColumn<QStringList>("expected");
    const QStringList files{"scan10.bmp", "scan2.BMP",     "Scan1.gif", ".hidden.bmp",
                            "scan3.doc",  "scan2.bmp.txt", "notes.txt", "scan11.Gif"};
    QTest::newRow("all, natural order, pictures only")
        << files << 1 << 1 << QStringList{"Scan1.gif", "scan2.BMP", "scan10.bmp", "scan11.Gif"};
    QTest::newRow("first of two") << files << 1 << 2 << QStringList{"Scan1.gif", "scan10.bmp"};
    QTest::newRow("last of two") << files << 2 << 2 << QStringList{"scan2.BMP", "scan11.Gif"};
    QTest::newRow("last of three") << files << 3 << 3 << QStringList{"scan10.bmp"};
    QTest::newRow("more shares than pictures") << files << 5 << 6 << QStringList{};
}

void TestFolderBatch::picturesAndShares() {
    QFETCH(QStringList, files);
    QFETCH(int, k);
    QFETCH(int, n);
    QFETCH(QStringList, expected);
    QTemporaryDir dir;
    for (const QString& f : files)
        writeAll(dir.filePath(f), "x");
    QStringList got;
    for (const PictureItem& item : takeShard(listPictures(dir.path()), k, n))
        got << item.file;
    QCOMPARE(got, expected);
}

void TestFolderBatch::plannedOutputs_data() {
    QTest::addColumn<QStringList>("items"); // "name" for a picture, "name:N" for page N from 1
    QTest::addColumn<QString>("book");
    QTest::addColumn<QStringList>("asked");   // the options of the outputs asked for
    QTest::addColumn<QStringList>("outputs"); // "name: pages", or "clash: ..." for a clash
    const QStringList folder{"a.jpg", "scan.pdf:1", "scan.pdf:2", "b.TIF:1", "b.TIF:2", "c.pdf"};
    QTest::newRow("each document of several pages has its text")
        << folder << "" << QStringList() << QStringList{"scan.pdf.txt: 2 3", "b.TIF.txt: 4 5"};
    QTest::newRow("the book holds every picture, in order")
        << folder << "/f/book.txt" << QStringList()
        << QStringList{"scan.pdf.txt: 2 3", "b.TIF.txt: 4 5", "book.txt: 1 2 3 4 5 6"};
    QTest::newRow("PDFs of the documents and the book, named after them")
        << folder << "/elsewhere/Book.TXT" << QStringList{"--pdf"}
        << QStringList{
               "scan.pdf.txt: 2 3",        "b.TIF.txt: 4 5",     "/elsewhere/Book.TXT: 1 2 3 4 5 6",
               "pdf/scan.pdf: 2 3",        "pdf/b.TIF.pdf: 4 5", "pdf/c.pdf: 6",
               "pdf/Book.pdf: 1 2 3 4 5 6"};
    QTest::newRow("an upper-case PDF keeps its name")
        << QStringList{"SCAN.PDF:1", "SCAN.PDF:2"} << "" << QStringList{"--pdf"}
        << QStringList{"SCAN.PDF.txt: 1 2", "pdf/SCAN.PDF: 1 2"};
    QTest::newRow("two documents following one another stay apart")
        << QStringList{"x.pdf:1", "x.pdf:2", "y.pdf:1", "y.pdf:2"} << "" << QStringList()
        << QStringList{"x.pdf.txt: 1 2", "y.pdf.txt: 3 4"};
    QTest::newRow("a book named like a page's result would replace it")
        << folder << "/f/scan.pdf.p2.txt" << QStringList()
        << QStringList{"clash: --book /f/scan.pdf.p2.txt is the name of a saved result",
                       "scan.pdf.txt: 2 3", "b.TIF.txt: 4 5"};
    QTest::newRow("a book named like a document's text would replace it")
        << folder << "/f/b.TIF.txt" << QStringList()
        << QStringList{"clash: --book /f/b.TIF.txt is the name", "scan.pdf.txt: 2 3",
                       "b.TIF.txt: 4 5"};
    QTest::newRow("two PDFs of one name")
        << QStringList{"s.tif:1", "s.tif:2", "s.tif.pdf:1", "s.tif.pdf:2"} << ""
        << QStringList{"--pdf"}
        << QStringList{"clash: s.tif and s.tif.pdf would both be written to pdf/s.tif.pdf",
                       "s.tif.txt: 1 2", "s.tif.pdf.txt: 3 4", "pdf/s.tif.pdf: 1 2"};
    QTest::newRow("hOCR and ALTO beside each result, and beside the book")
        << QStringList{"a.jpg", "scan.pdf:1"} << "/f/book.txt" << QStringList{"--alto", "--hocr"}
        << QStringList{"scan.pdf.txt: 2",         "book.txt: 1 2",     "a.jpg.hocr: 1",
                       "scan.pdf.p1.hocr: 2",     "book.hocr: 1 2",    "a.jpg.alto.xml: 1",
                       "scan.pdf.p1.alto.xml: 2", "book.alto.xml: 1 2"};
    QTest::newRow("a book without .txt gets the extension after its name")
        << QStringList{"a.jpg"} << "/f/notes" << QStringList{"--hocr"}
        << QStringList{"notes: 1", "a.jpg.hocr: 1", "notes.hocr: 1"};
    QTest::newRow("a book named like a picture's hOCR")
        << QStringList{"a.jpg"} << "/f/a.jpg.hocr" << QStringList{"--hocr"}
        << QStringList{"clash: the book and a.jpg would both be written to a.jpg.hocr",
                       "a.jpg.hocr: 1", "a.jpg.hocr.hocr: 1"};
}

void TestFolderBatch::plannedOutputs() {
    QFETCH(QStringList, items);
    QFETCH(QString, book);
    QFETCH(QStringList, asked);
    QFETCH(QStringList, outputs);
    QList<PictureItem> pictures;
    for (const QString& item : items)
        pictures.append({item.section(u':', 0, 0),
                         item.contains(u':') ? item.section(u':', 1).toInt() - 1 : -1});
    const OutputPlan plan = planOutputs(QStringLiteral("/f"), pictures, book, formatsAsked(asked));
    QStringList got;
    for (const QString& clash : plan.clashes)
        got << QStringLiteral("clash: ") + clash;
    for (const Output& output : plan.outputs) {
        QStringList pages;
        for (const PictureItem& page : output.pages)
            pages << QString::number(pictures.indexOf(page) + 1);
        QCOMPARE(output.target,
                 output.name.startsWith(u'/') ? output.name : QStringLiteral("/f/") + output.name);
        got << output.name + QStringLiteral(": ") + pages.join(u' ');
    }
    QCOMPARE(got.size(), outputs.size());
    for (qsizetype i = 0; i < got.size(); ++i)
        QVERIFY2(got[i].startsWith(outputs[i]), qPrintable(got.join(u'|')));
}

void TestFolderBatch::bookNames_data() {
    QTest::addColumn<QString>("book");    // "F/" stands for the folder
    QTest::addColumn<QString>("refusal"); // "" where the book may be written
    QTest::newRow("a picture of the folder") << "F/a.bmp"
                                             << "is a picture of the folder";
    QTest::newRow("the folder reached through a link") << "F/same/a.bmp"
                                                       << "is a picture of the folder";
    QTest::newRow("a picture's result") << "F/a.bmp.txt"
                                        << "is the name of a saved result";
    QTest::newRow("a document's text") << "F/scan.pdf.txt"
                                       << "is the name of a saved result";
    QTest::newRow("in pdf/") << "F/pdf/book.txt"
                             << "lies in pdf/";
    QTest::newRow("pdf/ itself") << "F/pdf"
                                 << "lies in pdf/";
    QTest::newRow("among the marks of pages read whole") << "F/.quillpix/whole/book.txt"
                                                         << "lies in .quillpix/";
    QTest::newRow("a file that is not text") << "F/data.bin"
                                             << "is not a text file";
    QTest::newRow("a folder") << "F/sub"
                              << "is not a text file";
    QTest::newRow("text with a NUL byte") << "F/nul.txt"
                                          << "is not a text file";
    QTest::newRow("an earlier book, code page 932 with page breaks") << "F/old.txt"
                                                                     << "";
    QTest::newRow("a book the batch wrote and marked") << "F/marked.txt"
                                                       << "";
    // Text, so the part looked at is judged whole; but no book of the batch's.
    QTest::newRow("UTF-8 text, a character across the part looked at")
        << "F/long.txt"
        << "is not a book the batch wrote";
    QTest::newRow("a note of the user's") << "F/notes.txt"
                                          << "is not a book the batch wrote";
    QTest::newRow("a FIFO, never opened") << "F/fifo"
                                          << "is not a text file";
    QTest::newRow("a FIFO out of the folder") << "O/fifo"
                                              << "is not a text file";
    QTest::newRow("a picture's extension") << "F/book.PNG"
                                           << "has the extension of a picture";
    QTest::newRow("a new file") << "F/new.txt"
                                << "";
}

// The book never takes the place of a file the batch reads or writes, nor of a file that is
// not text, whatever it is named.
void TestFolderBatch::bookNames() {
    QFETCH(QString, book);
    QFETCH(QString, refusal);
    QTemporaryDir dir;
    const QString f = dir.path();
    page(1, QImage::Format_RGB32).save(f + QStringLiteral("/a.bmp"));
    writeAll(f + QStringLiteral("/data.bin"), QByteArray("\x89PNG\r\n\x1a\n\0\0", 10));
    writeAll(f + QStringLiteral("/nul.txt"), QByteArray("text\0text\r\n", 12));
    // An earlier version's book of the three pages: two page-break lines.
    writeAll(f + QStringLiteral("/old.txt"),
             cp932::encode(QStringLiteral("頁\r\n\f\r\n頁\r\n\f\r\n頁\r\n")));
    writeAll(f + QStringLiteral("/notes.txt"), "my notes\r\n");
    writeAll(f + QStringLiteral("/marked.txt"), "one page\r\n");
    booktext::markWritten(f, f + QStringLiteral("/marked.txt"));
    QTemporaryDir other;
    QCOMPARE(::mkfifo(QFile::encodeName(f + QStringLiteral("/fifo")).constData(), 0600), 0);
    QCOMPARE(::mkfifo(QFile::encodeName(other.filePath(QStringLiteral("fifo"))).constData(), 0600),
             0);
    // The first 64 KiB end inside a three-byte character.
    writeAll(f + QStringLiteral("/long.txt"),
             QByteArray(65534, 'a') + "\n" + QStringLiteral("あいう\n").toUtf8().repeated(10));
    QVERIFY(QDir(f).mkdir(QStringLiteral("sub")) && QDir(f).mkdir(QStringLiteral("pdf")));
    QVERIFY(QFile::link(f, f + QStringLiteral("/same")));
    const QList<PictureItem> items{{"a.bmp", -1}, {"scan.pdf", 0}, {"scan.pdf", 1}};
    // Only the leading "F/" or "O/" stands for a folder: a temporary folder's name may hold
    // either.
    if (book.startsWith(u"F/"))
        book = f + u'/' + book.mid(2);
    else if (book.startsWith(u"O/"))
        book = other.path() + u'/' + book.mid(2);
    const OutputPlan plan = planOutputs(f, items, book, formatsAsked({}));
    if (refusal.isEmpty()) {
        QVERIFY2(plan.clashes.isEmpty(), qPrintable(plan.clashes.join(u'|')));
        QCOMPARE(plan.outputs.last().target, book);
    } else {
        QCOMPARE(plan.clashes.size(), 1);
        QVERIFY2(plan.clashes.first().contains(refusal), qPrintable(plan.clashes.first()));
        QVERIFY(std::none_of(plan.outputs.begin(), plan.outputs.end(),
                             [](const Output& out) { return out.scope == OutputScope::Book; }));
    }
}

void TestFolderBatch::pdfPagesTakeTheScan_data() {
    QTest::addColumn<QString>(
        "kind"); // how the page is stored: "jpeg", "flate"; "file" for a JPEG file
    QTest::addColumn<double>("dpi");   // the scan's
    QTest::addColumn<QSize>("read");   // the picture the engine read
    QTest::addColumn<QRect>("placed"); // where a line read at (300, 150) 600 x 90 goes
    const QSize scan(800, 400);
    QTest::newRow("a JPEG scan read as it is")
        << "jpeg" << 300.0 << scan << QRect(300, 150, 600, 90);
    QTest::newRow("a coarser JPEG scan read drawn finer: the lines come to its pixels")
        << "jpeg" << 150.0 << QSize(1600, 800) << QRect(150, 75, 300, 45);
    QTest::newRow("a scan stored without loss: its picture as read")
        << "flate" << 300.0 << scan << QRect(300, 150, 600, 90);
    QTest::newRow("a JPEG file") << "file" << 300.0 << scan << QRect(300, 150, 600, 90);
    QTest::newRow("a PDF of one page, a JPEG scan")
        << "single" << 300.0 << scan << QRect(300, 150, 600, 90);
}

void TestFolderBatch::pdfPagesTakeTheScan() {
    QFETCH(QString, kind);
    QFETCH(double, dpi);
    QFETCH(QSize, read);
    QFETCH(QRect, placed);
    if ((kind == u"jpeg" || kind == u"single") && !pictures::kScannedPagesDirect)
        QSKIP("a document's JPEG is reached through Poppler's core library, not in this build");
    QTemporaryDir folder;
    QImage picture = page(3, QImage::Format_RGB32).scaled(800, 400);
    QByteArray jpeg;
    QBuffer buffer(&jpeg);
    buffer.open(QIODevice::WriteOnly);
    picture.save(&buffer, "JPG", 80);
    searchablepdf::Page scan;
    scan.dpi = QSizeF(dpi, dpi);
    if (kind == u"flate")
        scan.image = picture;
    else
        scan.jpeg = jpeg;
    const PictureItem item{kind == u"file" ? QStringLiteral("a.jpg") : QStringLiteral("s.pdf"),
                           kind == u"file" || kind == u"single" ? -1 : 0};
    if (kind == u"file")
        writeAll(folder.filePath(item.file), jpeg);
    else
        searchablepdf::writeSearchablePdf({scan}, folder.filePath(item.file));
    const enginelayout::Line line{enginelayout::Direction::Horizontal,
                                  QRect(300, 150, 600, 90),
                                  {{QStringLiteral("字"), QRect(300, 150, 90, 90), true}}};
    const searchablepdf::Page out = pdfPage(folder.path(), item, {"k", read, {line}});
    if (kind == u"flate") {
        QVERIFY(out.jpeg.isEmpty());
        QCOMPARE(out.image.size(), read);
    } else {
        QCOMPARE(out.jpeg, jpeg);
    }
    QCOMPARE(out.lines.value(0).box, placed);
    QCOMPARE(out.lines.value(0).symbols.value(0).box.width(), placed.height());
    // A document's page keeps its size.
    if (kind != u"file") {
        const double shownWidth = out.jpeg.isEmpty() ? out.image.width() : 800;
        QCOMPARE(qRound(shownWidth / out.dpi.width() * 1000), qRound(800 / dpi * 1000));
    }
}

// Two machines share a document: the first names the page it lacks, the second joins the text.
void TestFolderBatch::documentTextWaitsForEveryPage() {
    BatchEngine engine;
    writeAll(engine.file(QStringLiteral("output")), "頁\n");
    QTemporaryDir folder;
    {
        QPdfWriter pdf(folder.filePath(QStringLiteral("s.pdf")));
        pdf.setPageSize(QPageSize(QSizeF(1, 0.5), QPageSize::Inch));
        QPainter painter(&pdf);
        pdf.newPage();
    }
    const QStringList arguments{"--batch", folder.path(), "--lang", "jpn", "--psm", "3"};
    const Run first = runBatch(arguments + QStringList{"--shard", "1/2"}, engine.dir.path());
    QCOMPARE(first.status, 0);
    QVERIFY2(first.out.contains(QStringLiteral("not written: s.pdf.txt: no result yet for page 2")),
             qPrintable(first.out));
    QVERIFY(!QFile::exists(folder.filePath(QStringLiteral("s.pdf.txt"))));
    const Run second = runBatch(arguments + QStringList{"--shard", "2/2"}, engine.dir.path());
    QVERIFY2(second.out.contains(QStringLiteral("written: s.pdf.txt")), qPrintable(second.out));
    QCOMPARE(readAll(folder.filePath(QStringLiteral("s.pdf.txt"))),
             savedFile(QStringLiteral("頁\r\n\f\r\n頁")));
}

void TestFolderBatch::encodingOfTheTexts_data() {
    QTest::addColumn<QStringList>("before"); // a batch run first with these arguments; none: no run
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QByteArray>("result");   // a.bmp.txt
    QTest::addColumn<QByteArray>("document"); // s.pdf.txt, its two pages joined
    QTest::addColumn<QByteArray>("book");     // a.bmp and the two pages joined
    QTest::addColumn<QByteArray>("output");   // what the engine writes for each page
    QTest::addColumn<QString>("said");        // in the summary about characters lost; "" none
    const QByteArray sjis1("\x95\xc5\r\n");   // 頁
    const QByteArray sjis2 = sjis1 + "\x0c\r\n" + sjis1;
    const QByteArray sjis3 = sjis2 + "\x0c\r\n" + sjis1;
    const QByteArray utf1("\xe9\xa0\x81\n");
    const QByteArray utf2 = utf1 + "\x0c\n" + utf1;
    const QByteArray utf3 = utf2 + "\x0c\n" + utf1;
    const QStringList none;
    const QByteArray page("頁\n");
    QTest::newRow("Shift-JIS, CR LF by default")
        << none << none << sjis1 << sjis2 << sjis3 << page << "";
    QTest::newRow("utf-8: LF and no byte-order mark")
        << none << QStringList{"--encoding", "utf-8"} << utf1 << utf2 << utf3 << page << "";
    QTest::newRow("sjis as the name")
        << none << QStringList{"--encoding=sjis"} << sjis1 << sjis2 << sjis3 << page << "";
    // The results stay as they were saved; the joined texts, up to date but in the other
    // encoding, are joined again from them.
    QTest::newRow("UTF8 after a Shift-JIS batch: results kept, texts joined again")
        << QStringList{"--encoding", "shift-jis"} << QStringList{"--encoding", "UTF8"} << sjis1
        << utf2 << utf3 << page << "";
    // Joined texts of UTF-8 results stay UTF-8: a UTF-8 result may hold what Shift-JIS lacks.
    QTest::newRow("cp932 after a UTF-8 batch: the UTF-8 results keep the texts UTF-8")
        << QStringList{"--encoding", "utf-8"} << QStringList{"--encoding", "cp932"} << utf1 << utf2
        << utf3 << page << "";
    // A character Shift-JIS lacks (鷗) is kept in UTF-8; Shift-JIS has "?" in its place.
    const QByteArray ougai("\xe9\xb7\x97\n");
    QTest::newRow("utf-8 keeps what Shift-JIS lacks")
        << none << QStringList{"--encoding", "utf-8"} << ougai << ougai + "\x0c\n" + ougai
        << ougai + "\x0c\n" + ougai + "\x0c\n" + ougai << ougai << "";
    QTest::newRow("Shift-JIS writes ? for it")
        << none << none << QByteArray("?\r\n") << QByteArray("?\r\n\x0c\r\n?\r\n")
        << QByteArray("?\r\n\x0c\r\n?\r\n\x0c\r\n?\r\n") << ougai
        << QStringLiteral("saved with \"?\" for characters Shift-JIS cannot hold: a.bmp.txt (鷗), "
                          "s.pdf.p1.txt (鷗), s.pdf.p2.txt (鷗); --encoding utf-8");
}

// The results, the document's text and the book are written in the encoding asked for; the
// form feed line between pages stays.
void TestFolderBatch::encodingOfTheTexts() {
    QFETCH(QStringList, before);
    QFETCH(QStringList, arguments);
    QFETCH(QByteArray, result);
    QFETCH(QByteArray, document);
    QFETCH(QByteArray, book);
    QFETCH(QByteArray, output);
    QFETCH(QString, said);
    BatchEngine engine;
    writeAll(engine.file(QStringLiteral("output")), output);
    QTemporaryDir folder, elsewhere;
    page(1, QImage::Format_RGB32).save(folder.filePath(QStringLiteral("a.bmp")));
    {
        QPdfWriter pdf(folder.filePath(QStringLiteral("s.pdf")));
        pdf.setPageSize(QPageSize(QSizeF(1, 0.5), QPageSize::Inch));
        QPainter painter(&pdf);
        pdf.newPage();
    }
    const QString bookPath = elsewhere.filePath(QStringLiteral("book.txt"));
    const QStringList common{"--batch", folder.path(), "--lang", "jpn",
                             "--psm",   "3",           "--book", bookPath};
    if (!before.isEmpty()) {
        const Run first = runBatch(common + before, engine.dir.path());
        QCOMPARE(first.status, 0);
    }
    const Run run = runBatch(common + arguments, engine.dir.path());
    QVERIFY2(run.status == 0, qPrintable(run.out + run.err));
    QCOMPARE(readAll(folder.filePath(QStringLiteral("a.bmp.txt"))), result);
    QCOMPARE(readAll(folder.filePath(QStringLiteral("s.pdf.txt"))), document);
    QCOMPARE(readAll(bookPath), book);
    QVERIFY2(said.isEmpty() ? !run.out.contains(QStringLiteral("saved with \"?\""))
                            : run.out.contains(said),
             qPrintable(run.out));
}

void TestFolderBatch::refusedStarts_data() {
    // "F" stands for a folder with one picture, "F/a.bmp" for that picture.
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("engine"); // "" none on PATH, "ok", or a file that breaks it
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("message");
    const QStringList ok{"--batch", "F", "--lang", "jpn", "--psm", "3"};
    QTest::newRow("help") << QStringList{"--help"} << "ok" << 0 << "*.webp, *.pdf";
    QTest::newRow("no folder") << QStringList{"--batch"} << "ok" << 2 << "--batch needs a value";
    QTest::newRow("unknown") << ok + QStringList{"--fast"} << "ok" << 2 << "unknown argument";
    QTest::newRow("jobs 0") << ok + QStringList{"--jobs", "0"} << "ok" << 2 << "--jobs wants";
    QTest::newRow("psm not a number")
        << ok + QStringList{"--psm", "six"} << "ok" << 2 << "--psm wants";
    QTest::newRow("empty language")
        << ok + QStringList{"--lang="} << "ok" << 2 << "--lang needs a language";
    QTest::newRow("shard K 0") << ok + QStringList{"--shard", "0/3"} << "ok" << 2
                               << "K counts from 1";
    QTest::newRow("shard K past N")
        << ok + QStringList{"--shard", "4/3"} << "ok" << 2 << "K counts from 1";
    QTest::newRow("shard N 0") << ok + QStringList{"--shard", "1/0"} << "ok" << 2
                               << "--shard wants K/N";
    QTest::newRow("force with value")
        << ok + QStringList{"--force=yes"} << "ok" << 2 << "takes no value";
    QTest::newRow("missing folder")
        << QStringList{"--batch", "F/nowhere", "--lang", "jpn", "--psm", "3"} << "ok" << 3
        << "no such folder";
    QTest::newRow("a file for the folder")
        << QStringList{"--batch", "F/a.bmp", "--lang", "jpn", "--psm", "3"} << "ok" << 3
        << "is a file, not a folder";
    QTest::newRow("no engine") << ok << "" << 3 << "\"tesseract\" is not on PATH";
    QTest::newRow("no language") << QStringList{"--batch", "F", "--lang", "jpn+deu", "--psm", "3"}
                                 << "ok" << 3 << "\"deu\" is not installed";
    QTest::newRow("no such mode") << QStringList{"--batch", "F", "--lang", "jpn", "--psm", "99"}
                                  << "ok" << 3
                                  << "--psm 99: the engine has no such page segmentation mode";
    QTest::newRow("language not in the data folder given")
        << ok + QStringList{"--option", "--tessdata-dir /td"} << "ok" << 3
        << "\"jpn\" is not installed for";
    QTest::newRow("an engine that does not load")
        << ok << "unloadable" << 3 << "the engine does not read with these settings";
    QTest::newRow("自動 needs the vertical language too")
        << QStringList{"--batch", "F", "--lang", "自動", "--psm", "3"} << "ok" << 3
        << "\"jpn_vert\" is not installed";
    QTest::newRow("auto is 自動, typed where Japanese is not")
        << QStringList{"--batch", "F", "--lang", "Auto", "--psm", "3"} << "ok" << 3
        << "\"jpn_vert\" is not installed";
    QTest::newRow("more than one command")
        << ok + QStringList{"--option", "& echo x"} << "ok" << 3 << "not one engine call";
    QTest::newRow("an encoding the batch does not write")
        << ok + QStringList{"--encoding", "utf-16"} << "ok" << 2
        << "--encoding wants shift-jis (sjis, cp932) or utf-8, not \"utf-16\"";
    QTest::newRow("a book without a name")
        << ok + QStringList{"--book="} << "ok" << 2 << "--book needs a file name";
    QTest::newRow("a book in place of a result") << ok + QStringList{"--book", "F/a.bmp.txt"}
                                                 << "ok" << 3 << "is the name of a saved result";
    QTest::newRow("a book in place of the picture")
        << ok + QStringList{"--book", "F/a.bmp"} << "ok" << 3 << "is a picture of the folder";
    QTest::newRow("a book named as a picture") << ok + QStringList{"--book", "F/book.jpg"} << "ok"
                                               << 3 << "has the extension of a picture";
    QTest::newRow("a setting that names a file the engine writes")
        << ok + QStringList{"--option", "-c debug_file=/tmp/engine.log"} << "ok" << 3
        << "the engine option -c debug_file=/tmp/engine.log is not taken by the batch";
    QTest::newRow("PDFs with an engine process")
        << ok + QStringList{"--pdf"} << "ok" << 3 << "--pdf needs the engine loaded";
}

void TestFolderBatch::refusedStarts() {
    QFETCH(QStringList, arguments);
    QFETCH(QString, engine);
    QFETCH(int, status);
    QFETCH(QString, message);
    BatchEngine fake;
    if (!engine.isEmpty() && engine != QLatin1String("ok"))
        writeAll(fake.file(engine), {});
    QTemporaryDir folder;
    page(1, QImage::Format_RGB32).save(folder.filePath(QStringLiteral("a.bmp")));
    arguments.replaceInStrings(QRegularExpression(QStringLiteral("^F")), folder.path());
    // Without an engine, PATH holds the picture folder alone.
    const Run run =
        runBatch(arguments, engine.isEmpty() ? folder.path() + QLatin1Char(':') : fake.dir.path());
    QCOMPARE(run.status, status);
    QVERIFY2((run.out + run.err).contains(message), qPrintable(run.out + run.err));
    // A refused start reads nothing and writes nothing; every setting is checked before the
    // first picture, so no picture is read.
    if (status != 0) {
        QCOMPARE(folderEntries(folder.path()), QStringList{"a.bmp"});
        QVERIFY(logLines(fake.file(QStringLiteral("pictures"))).isEmpty());
    }
}

void TestFolderBatch::resultLinksStayInTheFolder_data() {
    QTest::addColumn<QString>("target"); // where a.bmp.txt points
    QTest::addColumn<bool>("targetExists");
    QTest::addColumn<bool>("written");
    QTest::addColumn<QString>("why");
    QTest::newRow("out of the folder, to a file")
        << "<out>/elsewhere.txt" << true << false << "outside the folder";
    QTest::newRow("out of the folder, to nothing")
        << "<out>/elsewhere.txt" << false << false << "a link that leads nowhere";
    QTest::newRow("dangling, in the folder")
        << "<in>/gone.txt" << false << false << "a link that leads nowhere";
    QTest::newRow("within the folder") << "<in>/kept.txt" << true << true << QString();
}

// An unattended batch never writes through a result link that leaves the picture's folder or
// leads nowhere; the picture fails and the others go on.
void TestFolderBatch::resultLinksStayInTheFolder() {
    QFETCH(QString, target);
    QFETCH(bool, targetExists);
    QFETCH(bool, written);
    QFETCH(QString, why);
    BatchEngine engine;
    writeAll(engine.file(QStringLiteral("output")), "リンク\n");
    QTemporaryDir folder, outside;
    page(1, QImage::Format_RGB32).save(folder.filePath(QStringLiteral("a.bmp")));
    page(2, QImage::Format_RGB32).save(folder.filePath(QStringLiteral("b.bmp")));
    target.replace(QStringLiteral("<out>"), outside.path())
        .replace(QStringLiteral("<in>"), folder.path());
    if (targetExists)
        writeAll(target, "before\r\n");
    QVERIFY(QFile::link(target, folder.filePath(QStringLiteral("a.bmp.txt"))));

    const Run run = runBatch({"--batch", folder.path(), "--lang", "jpn", "--psm", "3", "--force"},
                             engine.dir.path());
    QCOMPARE(run.status, written ? 0 : 1);
    QCOMPARE(readAll(folder.filePath(QStringLiteral("b.bmp.txt"))), savedFile("リンク"));
    QCOMPARE(readAll(target), written        ? savedFile("リンク")
                              : targetExists ? QByteArray("before\r\n")
                                             : QByteArray());
    QCOMPARE(QFile::exists(target), targetExists);
    if (!written)
        QVERIFY2(run.out.contains(QStringLiteral("failed: a.bmp: The file a.bmp.txt ")) &&
                     run.out.contains(why),
                 qPrintable(run.out));
}

// A name that is not UTF-8 cannot be opened: the batch says so and exits with 1.
void TestFolderBatch::namesLeftOutAreReported() {
    BatchEngine engine;
    writeAll(engine.file(QStringLiteral("output")), "名前\n");
    QTemporaryDir folder;
    page(1, QImage::Format_RGB32).save(folder.filePath(QStringLiteral("a.bmp")));
    const QByteArray sjisName = QFile::encodeName(folder.path()) + "/\x83\x65\x83\x58\x83g.bmp";
    const int fd = ::open(sjisName.constData(), O_WRONLY | O_CREAT, 0644);
    QVERIFY(fd >= 0);
    ::close(fd);
    const Run run =
        runBatch({"--batch", folder.path(), "--lang", "jpn", "--psm", "3"}, engine.dir.path());
    QCOMPARE(run.status, 1);
    QVERIFY2(run.out.contains(QStringLiteral("1 read and saved")), qPrintable(run.out));
    QVERIFY2(run.out.contains(QStringLiteral("left out: 1 names: names that are not valid UTF-8")),
             qPrintable(run.out));
}

void TestFolderBatch::logLinesAndJobs_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("printed");
    QTest::newRow("plain") << QStringLiteral("頁 1.bmp") << QStringLiteral("頁 1.bmp");
    QTest::newRow("line ends and a tab")
        << QStringLiteral("a\nb\r\tc.bmp") << QStringLiteral("a\\nb\\r\\tc.bmp");
    QTest::newRow("escape and delete")
        << QStringLiteral("x\x1b\x7f.bmp") << QStringLiteral("x\\x1b\\x7f.bmp");
}

void TestFolderBatch::logLinesAndJobs() {
    QFETCH(QString, name);
    QFETCH(QString, printed);
    QCOMPARE(printableName(name), printed);
    Progress p;
    p.finished = 1;
    p.toDo = 2;
    p.file = name;
    QVERIFY(!progressLine(p, true).contains(QLatin1Char('\n')));
    // Twice the processors, no more than half a gigabyte of free memory a job, at least one.
    QCOMPARE(jobsThatHelp(2, 64LL << 30), 4);
    QCOMPARE(jobsThatHelp(8, 3LL << 29), 3);
    QCOMPARE(jobsThatHelp(4, 100LL << 20), 1);
    QCOMPARE(jobsThatHelp(0, 0), 2);
}

void TestFolderBatch::savedBytesMatchTheWindow_data() {
    QTest::addColumn<QByteArray>("output");
    QTest::addColumn<QString>("saved"); // worked out by hand from the rules
    QTest::addColumn<int>("jobs");
    QTest::addColumn<bool>("force");
    QTest::newRow("clean-up rules")
        << QByteArray("第１章　概要\n本日は晴天なり , 明日は雨.\n\n\n\n")
        << QStringLiteral("第1章　概要\r\n本日は晴天なり，明日は雨。\r\n") << 2 << false;
    QTest::newRow("byte-order mark, CR LF, lone CR")
        << QByteArray("\xEF\xBB\xBF"
                      "abc\r\ndef\rghi\r\r\n")
        << QStringLiteral("abc\r\ndef\r\nghi\r\n") << 1 << false;
    QTest::newRow("no code page 932 form")
        << QByteArray("絵文字 😀 と ①⑫\n") << QStringLiteral("絵文字? と112") << 3 << false;
    QTest::newRow("nothing read, saved result replaced") << QByteArray() << QString() << 2 << true;
}

// The batch saves the bytes the window's run and 保存 save for the same engine output: both
// checked against the bytes the rules give, and the engine read the window's pixels.
void TestFolderBatch::savedBytesMatchTheWindow() {
    QFETCH(QByteArray, output);
    QFETCH(QString, saved);
    QFETCH(int, jobs);
    QFETCH(bool, force);
    BatchEngine engine;
    writeAll(engine.file(QStringLiteral("output")), output);
    QTemporaryDir folder;
    const QString f = folder.path();
    page(1, QImage::Format_RGB32).save(folder.filePath(QStringLiteral("p1.bmp")));
    page(2, QImage::Format_Indexed8).save(folder.filePath(QStringLiteral("p2.bmp")));
    page(3, QImage::Format_Mono).save(folder.filePath(QStringLiteral("P3.BMP")));
    page(4, QImage::Format_RGB32).save(folder.filePath(QStringLiteral("p4.bmp")));
    writeAll(folder.filePath(QStringLiteral("p6.gif")),
             gif::encode(page(6, QImage::Format_Indexed8)));
    // Cut short: the header promises more pixels than the file holds.
    writeAll(folder.filePath(QStringLiteral("p5.bmp")),
             readAll(folder.filePath(QStringLiteral("p4.bmp"))).left(200));
    writeAll(folder.filePath(QStringLiteral("p4.bmp.txt")), "saved before\r\n");

    QStringList arguments{"--batch",  f,
                          "--lang",   "jpn",
                          "--psm",    "6",
                          "--option", "-c preserve_interword_spaces=1",
                          "--jobs",   QString::number(jobs)};
    if (force)
        arguments << QStringLiteral("--force");
    const Run run = runBatch(arguments, engine.dir.path());
    QCOMPARE(run.status, 1);
    QVERIFY2(run.out.contains(QStringLiteral("failed: p5.bmp: ")), qPrintable(run.out));
    QVERIFY2(
        run.out.contains(
            QStringLiteral("%1 read and saved, %2 skipped").arg(force ? 5 : 4).arg(force ? 0 : 1)),
        qPrintable(run.out));

    QStringList read{"p1.bmp", "p2.bmp", "P3.BMP", "p6.gif"};
    if (force)
        read << QStringLiteral("p4.bmp");
    for (const QString& name : read)
        QCOMPARE(readAll(folder.filePath(name + QStringLiteral(".txt"))), savedFile(saved));
    if (!force)
        QCOMPARE(readAll(folder.filePath(QStringLiteral("p4.bmp.txt"))), "saved before\r\n");
    QVERIFY(!QFile::exists(folder.filePath(QStringLiteral("p5.bmp.txt"))));
    QCOMPARE(folderEntries(f).size(), 11);

    // The window's words, paths of a work folder outside the picture folder, one thread; the
    // first run is the batch's trial on a blank picture, the others read the window's pixels.
    const QStringList runs = logLines(engine.file(QStringLiteral("runs")));
    QCOMPARE(runs.size(), 1 + read.size());
    for (const QString& line : runs) {
        const QStringList w = line.split(QLatin1Char(' '));
        QCOMPARE(w.size(), 9);
        QCOMPARE(w[0], QStringLiteral("1"));
        QVERIFY(w[1].endsWith(QStringLiteral("/tmp.bmp")) && !w[1].startsWith(f));
        QCOMPARE(w[2], w[1].chopped(4));
        QCOMPARE(w.mid(3),
                 (QStringList{"-l", "jpn", "--psm", "6", "-c", "preserve_interword_spaces=1"}));
    }
    QStringList pictures = logLines(engine.file(QStringLiteral("pictures"))).mid(1);
    QStringList windowPictures;
    for (const QString& name : read)
        windowPictures << QString::fromLatin1(md5Of(windowWorkPicture(f, name)));
    pictures.sort();
    windowPictures.sort();
    QCOMPARE(pictures, windowPictures);

    // The window itself, on the first picture: its run and 保存 save the same bytes (保存 waits
    // for the box to change, which an empty reading does not do).
    if (saved.isEmpty())
        return;
    FakeEngine windowEngine;
    windowEngine.setOutput(output);
    const QByteArray path = qgetenv("PATH");
    qputenv("PATH", windowEngine.folder().toLocal8Bit() + ':' + path);
    Session window({}, {}, page(1, QImage::Format_RGB32));
    window.select(0, 0, window.picture.width(), window.picture.height());
    window.c().cmdRecognize->click();
    // Characters Shift-JIS lacks are asked about first; "?" in their place is what the batch
    // writes in Shift-JIS.
    window.platform.choiceAnswers = {1};
    window.c().cmdSaveText->click();
    qputenv("PATH", path);
    QCOMPARE(window.platform.choiceQuestions.size(), saved.contains(u'?') ? 1 : 0);
    QCOMPARE(window.platform.batchRuns.size(), 1);
    QCOMPARE(readAll(window.parentFolder() + QStringLiteral("/bmp_gif_sample/page.bmp.txt")),
             savedFile(saved));
}

void TestFolderBatch::engineFailuresAreFailures_data() {
    QTest::addColumn<QByteArray>("left"); // what the engine leaves before it exits with 1
    QTest::addColumn<QString>("locale");
    // The summary, the failure and the shared step's reason, in the locale's one language.
    QTest::addColumn<QStringList>("lines"); // first run's, second run's
    const QStringList english{"1 read and saved",
                              "failed: bad.bmp: tesseract ended with exit code 1",
                              "1 read and saved, 1 skipped"};
    QTest::newRow("no output") << QByteArray() << "C" << english;
    QTest::newRow("five bytes, English locale") << QByteArray("12345") << "en_US.UTF-8" << english;
    QTest::newRow("Japanese locale")
        << QByteArray() << "ja_JP.UTF-8"
        << QStringList{"認識して保存 1 枚",
                       "失敗: bad.bmp: tesseract が終了コード 1 で終わりました",
                       "認識して保存 1 枚、飛ばした画像 (保存済み) 1 枚"};
}

// An engine that ends in failure fails its picture: nothing is saved, the batch exits with 1,
// and the next run reads the picture again.
void TestFolderBatch::engineFailuresAreFailures() {
    QFETCH(QByteArray, left);
    QFETCH(QString, locale);
    QFETCH(QStringList, lines);
    BatchEngine engine;
    writeAll(engine.file(QStringLiteral("output")), "読めた\n");
    QTemporaryDir folder;
    page(1, QImage::Format_RGB32).save(folder.filePath(QStringLiteral("good.bmp")));
    page(2, QImage::Format_RGB32).save(folder.filePath(QStringLiteral("bad.bmp")));
    const QString marker = engine.file(
        QStringLiteral("fail-") +
        QString::fromLatin1(md5Of(windowWorkPicture(folder.path(), QStringLiteral("bad.bmp")))));
    writeAll(marker, left);
    const QStringList arguments{"--batch", folder.path(), "--lang", "jpn", "--psm", "3"};

    const Run run = runBatch(arguments, engine.dir.path(), locale);
    QCOMPARE(run.status, 1);
    QVERIFY2(run.out.contains(lines[0]), qPrintable(run.out));
    QVERIFY2(run.out.contains(lines[1]), qPrintable(run.out));
    QCOMPARE(readAll(folder.filePath(QStringLiteral("good.bmp.txt"))), savedFile("読めた"));
    QVERIFY(!QFile::exists(folder.filePath(QStringLiteral("bad.bmp.txt"))));

    QFile::remove(marker);
    const Run again = runBatch(arguments, engine.dir.path(), locale);
    QCOMPARE(again.status, 0);
    QVERIFY2(again.out.contains(lines[2]), qPrintable(again.out));
    QCOMPARE(readAll(folder.filePath(QStringLiteral("bad.bmp.txt"))), savedFile("読めた"));
}

// The installed engine reads the picture inside the program, loaded once, and the saved bytes
// are those an engine process gives for the same picture; a picture the engine refuses fails
// either way. A grey scan, stored in colour or in 8 bits, goes to the engine as 8-bit grey and
// saves the bytes the engine's text gave when the batch handed it the 24-bit work picture.
void TestFolderBatch::realEngineReadsAPicture() {
    const QString tesseract = QStandardPaths::findExecutable(QStringLiteral("tesseract"));
    if (tesseract.isEmpty())
        QSKIP("tesseract is not installed");
    if (!installedLanguages(tesseract).contains(QStringLiteral("jpn")))
        QSKIP("tesseract has no jpn data");
    const QString text = QStringLiteral("日本語の文字認識");
    const QImage image = workspace::textPicture({text}, QSize(640, 120), 56);
    QTemporaryDir folder;
    image.save(folder.filePath(QStringLiteral("line.bmp")));
    // Wider than the engine takes: it says "Image too large" and fails, loaded or not.
    QImage tooWide(33000, 40, QImage::Format_Mono);
    tooWide.fill(1);
    tooWide.save(folder.filePath(QStringLiteral("wide.png")));
    QStringList paragraphs{workspace::japaneseProse()[1]};
    workspace::ScanStyle noisy;
    noisy.blurSigma = 0.7;
    noisy.noiseSigma = 8;
    const QImage scan = workspace::scanned(
        workspace::cropLines(workspace::textPage(paragraphs, workspace::PageStyle{}), 0, 1, 16)
            .image,
        noisy);
    QVERIFY(scan.convertToFormat(QImage::Format_RGB32)
                .save(folder.filePath(QStringLiteral("scan24.bmp"))));
    QVERIFY(scan.save(folder.filePath(QStringLiteral("scan8.png"))));
    Settings settings{folder.path(), QStringLiteral("jpn"), QStringLiteral("7"), {}};
    settings.force = true;

    // What the engine read from the work picture in colour, as it went before.
    QTemporaryDir before;
    QImage colour = scan.convertToFormat(QImage::Format_RGB32);
    colour.setDotsPerMeterX(3780);
    colour.setDotsPerMeterY(3780);
    QVERIFY(colour.save(before.filePath(QStringLiteral("tmp.bmp")), "BMP"));
    pipeline::ProcessStep inColour({tesseract, QStringLiteral("tmp.bmp"), QStringLiteral("tmp"),
                                    QStringLiteral("-l"), QStringLiteral("jpn"),
                                    QStringLiteral("--psm"), QStringLiteral("7")},
                                   before.path(), before.filePath(QStringLiteral("tmp.txt")));
    const QByteArray scanSaved = pipeline::read(inColour).savedBytes();
    QVERIFY2(scanSaved.size() > 20, scanSaved.constData());

    QByteArray saved[2];
    for (const bool resident : {false, true}) {
        if (resident)
            qunsetenv("QUILLPIX_ENGINE");
        else
            qputenv("QUILLPIX_ENGINE", "batch");
        auto engine = std::make_unique<PageReader>();
        const PageReader& chosen = *engine;
        Batch batch(settings, std::move(engine));
        QSignalSpy finished(&batch, &Batch::finished);
        batch.start();
        QVERIFY(finished.wait(120000));
        const auto summary = finished.first().first().value<Summary>();
        QCOMPARE(summary.done, 3);
        QCOMPARE(summary.failures.size(), 1);
        QCOMPARE(summary.failures.first().file, QStringLiteral("wide.png"));
        QCOMPARE(exitStatus(summary), 1);
        QVERIFY(!QFile::exists(folder.filePath(QStringLiteral("wide.png.txt"))));
        QVERIFY2(chosen.processReason().isEmpty() == resident, qPrintable(chosen.processReason()));
        QCOMPARE(chosen.residentRuns(), resident ? 4 : 0);
        // Without --pdf nothing of the PDFs is made, lines kept included.
        QVERIFY(!QFileInfo::exists(folder.filePath(QStringLiteral("pdf"))));
        saved[resident] = readAll(folder.filePath(QStringLiteral("line.bmp.txt")));
        QCOMPARE(readAll(folder.filePath(QStringLiteral("scan24.bmp.txt"))), scanSaved);
        QCOMPARE(readAll(folder.filePath(QStringLiteral("scan8.png.txt"))), scanSaved);
    }
    QVERIFY2(cp932::decode(saved[1]).contains(text), saved[1].constData());
    QCOMPARE(saved[1], saved[0]);
}

void TestFolderBatch::textRulesOfTheBatch_data() {
    QTest::addColumn<QStringList>("flags");
    QTest::addColumn<QString>("saved"); // worked out by hand from the rules
    const QString asWritten = QStringLiteral("版2001Free の64KiB と。xz\r\n続く行。");
    QTest::newRow("rules as written") << QStringList{} << asWritten;
    QTest::newRow("--keep-latin-spaces")
        << QStringList{"--keep-latin-spaces"}
        << QStringLiteral("版2001 Free の64 KiB と.xz\r\n続く行。");
    QTest::newRow("--paragraphs") << QStringList{"--paragraphs"}
                                  << QStringLiteral("版2001Free の64KiB と。xz続く行。");
    QTest::newRow("both") << QStringList{"--paragraphs", "--keep-latin-spaces"}
                          << QStringLiteral("版2001 Free の64 KiB と.xz続く行。");
}

void TestFolderBatch::textRulesOfTheBatch() {
    QFETCH(QStringList, flags);
    QFETCH(QString, saved);
    BatchEngine engine;
    writeAll(engine.file(QStringLiteral("output")), "版 2001 Free の 64 KiB と .xz\n続く行。\n");
    QTemporaryDir folder;
    page(1, QImage::Format_RGB32).save(folder.filePath(QStringLiteral("a.bmp")));
    const Run run =
        runBatch(QStringList{"--batch", folder.path(), "--lang", "jpn", "--psm", "3"} + flags,
                 engine.dir.path());
    QCOMPARE(run.status, 0);
    QCOMPARE(readAll(folder.filePath(QStringLiteral("a.bmp.txt"))), savedFile(saved));
}

// The shipped language list starts with "自動": with no --lang each picture is read with the
// settings its own writing asks for, horizontal lines and vertical columns in reading order.
void TestFolderBatch::automaticReadingIsTheDefault() {
    const pipeline::EngineSettings defaults = listDefaults(QStringLiteral(QUILLPIX_SHIPPED_LISTS));
    QCOMPARE(defaults.lang, QStringLiteral("自動"));
    const QString tesseract = QStandardPaths::findExecutable(QStringLiteral("tesseract"));
    if (tesseract.isEmpty())
        QSKIP("tesseract is not installed");
    const QStringList languages = installedLanguages(tesseract);
    if (!languages.contains(QStringLiteral("jpn")) ||
        !languages.contains(QStringLiteral("jpn_vert")))
        QSKIP("tesseract has no jpn or jpn_vert data");
    qunsetenv("QUILLPIX_ENGINE");
    const QStringList rows{QStringLiteral("日本語の文章を読み取ります。"),
                           QStringLiteral("検索できる文書を作りましょう。")};
    const QStringList columns{QStringLiteral("縦書きの文章です。"),
                              QStringLiteral("右の列から読みます。"),
                              QStringLiteral("列は左へ進みます。")};
    QTemporaryDir folder;
    workspace::linesPicture(rows, QSize(900, 240), 48, {40, 80, 90})
        .save(folder.filePath(QStringLiteral("h.png")));
    workspace::columnsPicture(columns, QSize(560, 680), 48, {56, 100, 40, 500})
        .save(folder.filePath(QStringLiteral("v.png")));
    const ParsedArguments parsed = parseArguments({"--batch", folder.path()}, defaults, 2);
    QVERIFY2(parsed.error.isEmpty(), qPrintable(parsed.error));

    Batch batch(parsed.settings);
    QSignalSpy finished(&batch, &Batch::finished);
    batch.start();
    QVERIFY(finished.wait(120000));
    QCOMPARE(finished.first().first().value<Summary>().done, 2);
    for (const auto& [file, lines] :
         {std::pair{QStringLiteral("h.png.txt"), rows}, {QStringLiteral("v.png.txt"), columns}}) {
        const QString text = cp932::decode(readAll(folder.filePath(file))).remove(u' ');
        QVERIFY2(text.contains(lines.join(QStringLiteral("\r\n"))), qPrintable(text));
    }
}

// The picture library warns as "自動" looks at a cut-out of a dash; standard error holds the
// progress lines and nothing else.
void TestFolderBatch::libraryWarningsStayOffTheProgress() {
    BatchEngine engine;
    // "自動" reads vertical pictures too, so the engine must list jpn_vert.
    writeAll(engine.file(QStringLiteral("tesseract")),
             QByteArray(kEngine).replace("eng\\njpn\\n", "eng\\njpn\\njpn_vert\\n"));
    writeAll(engine.file(QStringLiteral("output")), "ー\n");
    QTemporaryDir folder;
    QImage dash(20, 4, QImage::Format_RGB32);
    dash.fill(Qt::white);
    QPainter(&dash).fillRect(1, 1, 18, 2, Qt::black);
    dash.save(folder.filePath(QStringLiteral("dash.png")));
    page(1, QImage::Format_RGB32).save(folder.filePath(QStringLiteral("page.png")));
    const Run run =
        runBatch({"--batch", folder.path(), "--lang", "自動", "--psm", "3"}, engine.dir.path());
    QCOMPARE(run.status, 0);
    QVERIFY2(run.out.contains(QStringLiteral("2 read and saved")), qPrintable(run.out));
    const QStringList lines = run.err.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    QCOMPARE(lines.size(), 2);
    for (const QString& line : lines)
        QVERIFY2(
            line.contains(QRegularExpression(QStringLiteral("^[12]/2 (dash|page)\\.png saved"))),
            qPrintable(run.err));
}

// A picture wider than the picture library takes cannot be prepared for "自動": it fails with the
// analysis' reason and no engine reads it.
void TestFolderBatch::analysisTheLibraryRefusesFailsThePicture() {
    class Counting : public PageReader::Worker {
    public:
        int reads = 0;
        PageReader::PageReading read(const QImage&, const pipeline::EngineSettings&,
                                     bool) override {
            ++reads;
            return {};
        }
    } worker;
    QImage wide((1 << 26) + 1, 1, QImage::Format_Grayscale8);
    wide.fill(255);
    Settings settings;
    settings.engine.lang = QStringLiteral("自動");
    settings.engine.psm = QStringLiteral("3");
    const PageReader::PageReading page = readPicture(worker, wide, settings);
    QCOMPARE(worker.reads, 0);
    QVERIFY(page.reading.failed);
    QVERIFY2(page.reading.reason.startsWith(QStringLiteral("自動の読み取りで画像 (67108865 × 1")),
             qPrintable(page.reading.reason));
}

// A book opened flat on the glass gives two pages: each read on its own, in a reader's order
// (a vertical book's right page first), the texts parted by a page-break line, and the lines
// of each brought back onto its half of the picture.
void TestFolderBatch::aSpreadIsReadAsTwoPages_data() {
    QTest::addColumn<int>("writing");
    QTest::addColumn<bool>("leftFirst");
    QTest::addColumn<int>("pages");
    QTest::newRow("horizontal: the left page first")
        << int(workspace::Writing::Horizontal) << true << 2;
    QTest::newRow("vertical: the right page first")
        << int(workspace::Writing::Vertical) << false << 2;
    QTest::newRow("one page alone") << int(workspace::Writing::Horizontal) << true << 1;
}

void TestFolderBatch::aSpreadIsReadAsTwoPages() {
    QFETCH(int, writing);
    QFETCH(bool, leftFirst);
    QFETCH(int, pages);
    // Each picture read gives its number and a line at its middle.
    class Recording : public PageReader::Worker {
    public:
        int reads = 0;
        PageReader::PageReading read(const QImage& picture, const pipeline::EngineSettings&,
                                     bool withLines) override {
            ++reads;
            PageReader::PageReading page;
            page.reading.written = true;
            page.reading.engineText = QStringLiteral("ページ%1\r\n").arg(reads);
            page.reading.boxText = page.reading.engineText;
            page.hasLines = withLines;
            page.lines = {{enginelayout::Direction::Horizontal,
                           QRect(picture.rect().center(), QSize(4, 4)),
                           {}}};
            return page;
        }
    } worker;
    workspace::PageStyle style;
    style.writing = workspace::Writing(writing);
    style.size = QSize(1240, 1748);
    style.margins = QMargins(150, 150, 150, 150);
    const workspace::TextPage one = workspace::textPage(workspace::japaneseProse(), style);
    QImage sheet(pages * 1240, 1748, QImage::Format_Grayscale8);
    sheet.fill(255);
    {
        QPainter painter(&sheet);
        for (int k = 0; k < pages; ++k)
            painter.drawImage(1240 * k, 0, one.image);
        if (pages == 2)
            for (int x = 1190; x < 1290; ++x)
                painter.fillRect(x, 0, 1, 1748, QColor::fromHsv(0, 0, 40 + 4 * std::abs(x - 1240)));
    }
    Settings settings;
    settings.engine.lang = QStringLiteral("自動");
    settings.engine.psm = QStringLiteral("3");
    const PageReader::PageReading page = readPicture(worker, sheet, settings, true);
    QCOMPARE(worker.reads, pages);
    QCOMPARE(page.reading.boxText, pages == 1 ? QStringLiteral("ページ1\r\n")
                                              : QStringLiteral("ページ1\r\n\f\r\nページ2\r\n"));
    QVERIFY(page.reading.succeeded());
    QCOMPARE(page.lines.size(), pages);
    if (pages == 2) {
        QCOMPARE(page.lines[0].box.center().x() < 1240, leftFirst);
        QCOMPARE(page.lines[1].box.center().x() >= 1240, leftFirst);
        for (const enginelayout::Line& line : page.lines)
            QVERIFY2(std::abs(line.box.center().x() % 1240 - 620) < 200,
                     qPrintable(QString::number(line.box.center().x())));
    }
}

// The file list's menu runs the batch on the shown folder; the window's 開く follows the file
// the batch wrote for the chosen picture.
void TestFolderBatch::windowMenuReadsTheShownFolder() {
    BatchEngine engine;
    const QByteArray output("窓から\n");
    writeAll(engine.file(QStringLiteral("output")), output);
    const QByteArray path = qgetenv("PATH");
    qputenv("PATH", engine.dir.path().toLocal8Bit() + ':' + path);
    testing::TempWorkspace ws;
    ws.addPicture(QStringLiteral("a.bmp"), page(1, QImage::Format_RGB32));
    testing::RecordingPlatform platform;
    FrmMain window(platform, ws.bin());
    window.controls().File1->setCurrentRow(0);
    QVERIFY(!window.controls().cmdOpenTextFile->isEnabled());

    auto* action = window.findChild<QAction*>(QStringLiteral("actReadFolder"));
    QVERIFY(action);
    action->trigger();
    QTRY_VERIFY_WITH_TIMEOUT(!platform.messages.isEmpty(), 60000);
    qputenv("PATH", path);
    QVERIFY2(platform.messages.first().contains(QStringLiteral("認識して保存: 1 枚")),
             qPrintable(platform.messages.first()));
    QCOMPARE(readAll(ws.pictures() + QStringLiteral("/a.bmp.txt")),
             savedFile(QStringLiteral("窓から")));
    QVERIFY(window.controls().cmdOpenTextFile->isEnabled());
}

void TestFolderBatch::controllerCancelsAfterTheRunningPictures() {
    BatchEngine engine;
    const QByteArray output("取り消し\n");
    writeAll(engine.file(QStringLiteral("output")), output);
    writeAll(engine.file(QStringLiteral("slow")), "0.3");
    const QByteArray path = qgetenv("PATH");
    qputenv("PATH", engine.dir.path().toLocal8Bit() + ':' + path);
    QTemporaryDir folder;
    for (int i = 1; i <= 6; ++i)
        page(i, QImage::Format_RGB32).save(folder.filePath(QStringLiteral("c%1.bmp").arg(i)));

    BatchController controller;
    QSignalSpy finished(&controller, &BatchController::finished);
    connect(&controller, &BatchController::progress, &controller, [&](const Progress& p) {
        QCOMPARE(p.toDo, 6);
        controller.cancel();
    });
    Settings settings;
    settings.folder = folder.path();
    settings.engine.lang = QStringLiteral("jpn");
    settings.engine.psm = QStringLiteral("3");
    settings.jobs = 2;
    QVERIFY(controller.start(settings));
    QVERIFY(!controller.start(settings));
    // The window's loop keeps turning while the batch runs.
    QVERIFY(finished.wait(60000));
    qputenv("PATH", path);
    const auto summary = finished.first().first().value<Summary>();
    QVERIFY(summary.cancelled && summary.failures.isEmpty());
    // The picture that was running when cancel() came was still read and saved.
    QVERIFY(summary.done >= 2 && summary.done < 6);
    QCOMPARE(summary.done + summary.notStarted, 6);
    int saved = 0;
    for (int i = 1; i <= 6; ++i) {
        const QString name = QStringLiteral("c%1.bmp").arg(i);
        if (QFile::exists(folder.filePath(name + QStringLiteral(".txt")))) {
            QCOMPARE(readAll(folder.filePath(name + QStringLiteral(".txt"))),
                     savedFile(QStringLiteral("取り消し")));
            ++saved;
        }
    }
    QCOMPARE(saved, summary.done);
    QVERIFY(!controller.isRunning());
}

void TestFolderBatch::stopSignalLeavesNoHalfFile_data() {
    QTest::addColumn<int>("signal");
    QTest::newRow("SIGTERM") << int(SIGTERM);
    QTest::newRow("SIGINT") << int(SIGINT);
}

void TestFolderBatch::stopSignalLeavesNoHalfFile() {
    QFETCH(int, signal);
    BatchEngine engine;
    const QByteArray output("途中で止める\n");
    writeAll(engine.file(QStringLiteral("output")), output);
    writeAll(engine.file(QStringLiteral("slow")), {});
    QTemporaryDir folder, tmp;
    constexpr int kPictures = 10;
    for (int i = 1; i <= kPictures; ++i)
        page(i, QImage::Format_RGB32).save(folder.filePath(QStringLiteral("s%1.bmp").arg(i)));
    const QStringList arguments{"--batch", folder.path(), "--lang", "jpn",
                                "--psm",   "3",           "--jobs", "2"};

    std::unique_ptr<QProcess> process(startBatch(arguments, engine.dir.path(), tmp.path()));
    process->setReadChannel(QProcess::StandardError);
    // Halfway: once two pictures are saved, while the next two engines run.
    QByteArray progress;
    while (progress.count(" saved") < 2 && process->waitForReadyRead(60000))
        progress += process->readAllStandardError();
    QCOMPARE(progress.count(" saved"), 2);
    QCOMPARE(::kill(pid_t(process->processId()), signal), 0);
    QVERIFY(process->waitForFinished(60000));
    QCOMPARE(process->exitStatus(), QProcess::NormalExit);
    QCOMPARE(process->exitCode(), 128 + signal);
    const QString summary = QString::fromLocal8Bit(process->readAllStandardOutput());
    QVERIFY2(summary.contains(QStringLiteral("not read")), qPrintable(summary));

    // Every result present is whole; nothing else was left in the folder or in TMPDIR, and no
    // engine (nor what it started) outlives the batch.
    int saved = 0;
    for (int i = 1; i <= kPictures; ++i) {
        const QString name = QStringLiteral("s%1.bmp").arg(i);
        const QString result = folder.filePath(name + QStringLiteral(".txt"));
        if (QFile::exists(result)) {
            QCOMPARE(readAll(result), savedFile(QStringLiteral("途中で止める")));
            ++saved;
        }
    }
    QVERIFY(saved >= 2 && saved < kPictures);
    QCOMPARE(folderEntries(folder.path()).size(), kPictures + saved);
    QVERIFY(folderEntries(tmp.path()).isEmpty() &&
            QDir(tmp.path()).entryList(QDir::Dirs | QDir::NoDotAndDotDot).isEmpty());
    for (const QByteArray& pid : readAll(engine.file(QStringLiteral("pids"))).split('\n'))
        if (!pid.isEmpty())
            QTRY_VERIFY_WITH_TIMEOUT(!runs(pid), 20000);

    // A second run does only the rest.
    QFile::remove(engine.file(QStringLiteral("slow")));
    const Run rest = runBatch(arguments, engine.dir.path());
    QCOMPARE(rest.status, 0);
    QVERIFY2(rest.out.contains(
                 QStringLiteral("%1 read and saved, %2 skipped").arg(kPictures - saved).arg(saved)),
             qPrintable(rest.out));
    for (int i = 1; i <= kPictures; ++i) {
        const QString name = QStringLiteral("s%1.bmp").arg(i);
        QCOMPARE(readAll(folder.filePath(name + QStringLiteral(".txt"))),
                 savedFile(QStringLiteral("途中で止める")));
    }
}

void TestFolderBatch::resultSavedMeanwhileIsKept_data() {
    QTest::addColumn<bool>("force");
    QTest::newRow("kept and counted as skipped") << false;
    QTest::newRow("--force replaces them and says whose they were") << true;
}

// The batch decides at its start which pictures lack a result; a result saved after that (the
// window's 保存 on a page the batch has not reached, or on the page it reads now) is the
// user's.
void TestFolderBatch::resultSavedMeanwhileIsKept() {
    QFETCH(bool, force);
    BatchEngine engine;
    writeAll(engine.file(QStringLiteral("output")), "機械\n");
    writeAll(engine.file(QStringLiteral("slow")), "1");
    QTemporaryDir folder;
    page(1, QImage::Format_RGB32).save(folder.filePath(QStringLiteral("a.bmp")));
    page(2, QImage::Format_RGB32).save(folder.filePath(QStringLiteral("b.bmp")));
    QStringList arguments{"--batch", folder.path(), "--lang", "jpn", "--psm", "3", "--jobs", "1"};
    if (force)
        arguments << QStringLiteral("--force");
    std::unique_ptr<QProcess> process(startBatch(arguments, engine.dir.path()));
    // The blank trial, then a.bmp under way: both pictures are queued by now.
    QTRY_VERIFY_WITH_TIMEOUT(logLines(engine.file(QStringLiteral("runs"))).size() >= 2, 30000);
    const QByteArray mine = savedFile(QStringLiteral("手で直した"));
    writeAll(folder.filePath(QStringLiteral("a.bmp.txt")), mine);
    writeAll(folder.filePath(QStringLiteral("b.bmp.txt")), mine);
    QVERIFY(process->waitForFinished(60000));
    const QString out = QString::fromLocal8Bit(process->readAllStandardOutput());
    QCOMPARE(process->exitCode(), 0);
    QCOMPARE(logLines(engine.file(QStringLiteral("runs"))).size(), 3);
    for (const char* name : {"a.bmp.txt", "b.bmp.txt"})
        QCOMPARE(readAll(folder.filePath(QString::fromLatin1(name))),
                 force ? savedFile(QStringLiteral("機械")) : mine);
    if (force) {
        QVERIFY2(out.contains(QStringLiteral("2 read and saved, 0 skipped")), qPrintable(out));
        QVERIFY2(out.contains(QStringLiteral("replaced by --force: a.bmp, b.bmp: results the "
                                             "batch had not read whole")),
                 qPrintable(out));
    } else {
        QVERIFY2(out.contains(QStringLiteral("0 read and saved, 2 skipped")), qPrintable(out));
        QVERIFY2(out.contains(QStringLiteral("kept: a.bmp, b.bmp: saved while the batch ran")),
                 qPrintable(out));
    }
    // Nothing is left under a temporary name.
    QCOMPARE(folderEntries(folder.path()),
             (QStringList{"a.bmp", "a.bmp.txt", "b.bmp", "b.bmp.txt"}));
}

void TestFolderBatch::outputsReplaceOnlyTheirOwn_data() {
    QTest::addColumn<QString>("kind");      // "text" (s.pdf.txt), "book" or "pdf" (pdf/s.pdf)
    QTest::addColumn<QByteArray>("page2");  // the second page's result; the first is "一"
    QTest::addColumn<QByteArray>("before"); // at the output's place before; "<none>" for none
    QTest::addColumn<bool>("marked");       // written (and marked) by the batch before
    QTest::addColumn<bool>("force");
    QTest::addColumn<QString>("outcome");  // "written", "up to date", or a failure's words
    QTest::addColumn<QByteArray>("after"); // at the output's place after; "<same>" unchanged
    const QByteArray none("<none>"), same("<same>");
    const QByteArray two = savedFile(QStringLiteral("一\r\n\f\r\n二"));
    const QByteArray page2 = savedFile(QStringLiteral("二"));
    const QByteArray mine("my own notes\r\n");
    QTest::newRow("a new document text")
        << "text" << page2 << none << false << false << "written" << two;
    QTest::newRow("its own earlier text, replaced")
        << "text" << page2 << mine << true << false << "written" << two;
    QTest::newRow("a document text the user wrote is kept")
        << "text" << page2 << mine << false << false << "the batch did not write" << same;
    QTest::newRow("the user's, own text changed after the batch wrote it")
        << "text" << page2 << QByteArray("<edited>") << true << false << "the batch did not write"
        << same;
    QTest::newRow("--force replaces it, and says so")
        << "text" << page2 << mine << false << true << "replaced by --force: a file the batch"
        << two;
    QTest::newRow("a note named as the book is kept")
        << "book" << page2 << mine << false << false << "the batch did not write" << same;
    QTest::newRow("a PDF of the user's in pdf/ is kept")
        << "pdf" << page2 << QByteArray("%PDF-1.4 mine") << false << false
        << "the batch did not write" << same;
    QTest::newRow("a result in UTF-16 is read, and the text is UTF-8")
        << "text" << QByteArray("\xFF\xFE\x8c\x4e\r\0\n\0", 8) << none << false << false
        << "written" << QStringLiteral("一\n\f\n二\n").toUtf8();
    QTest::newRow("a result holding a NUL is named, nothing joined")
        << "text" << QByteArray("\x93\xf1\0\r\n", 5) << none << false << false
        << "the result of page 2 cannot be read as text" << none;
    QTest::newRow("the book: the same for a picture's result")
        << "book" << QByteArray("\x93\xf1\0\r\n", 5) << none << false << false
        << "the result of s.pdf (p. 2) cannot be read as text" << none;
}

// Only a file the batch wrote itself, or what --force names, is replaced by an output; a page
// result that is no text is never joined as characters.
void TestFolderBatch::outputsReplaceOnlyTheirOwn() {
    QFETCH(QString, kind);
    QFETCH(QByteArray, page2);
    QFETCH(QByteArray, before);
    QFETCH(bool, marked);
    QFETCH(bool, force);
    QFETCH(QString, outcome);
    QFETCH(QByteArray, after);
    QTemporaryDir folder;
    const QString f = folder.path();
    const QList<PictureItem> pages{{"s.pdf", 0}, {"s.pdf", 1}};
    const OutputFormat* text = formatsAsked({}).first();
    Output output{text, OutputScope::Document, f + QStringLiteral("/s.pdf.txt"),
                  QStringLiteral("s.pdf.txt"), pages};
    if (kind == u"book")
        output = {text, OutputScope::Book, f + QStringLiteral("/book.txt"),
                  QStringLiteral("book.txt"), pages};
    if (kind == u"pdf") {
        QVERIFY(QDir(f).mkdir(QStringLiteral("pdf")));
        output = {formatOfOption(QStringLiteral("--pdf")), OutputScope::Document,
                  f + QStringLiteral("/pdf/s.pdf"), QStringLiteral("pdf/s.pdf"), pages};
    }
    if (before == "<edited>") {
        writeAll(output.target, "batch's\r\n\f\r\nwords\r\n");
        booktext::markWritten(f, output.target);
        QTest::qWait(20);
        writeAll(output.target, "the user's words\r\n");
        before = readAll(output.target);
    } else if (before != "<none>") {
        writeAll(output.target, before);
        if (marked)
            booktext::markWritten(f, output.target);
    }
    // The results are newer than what lay there before: a text of the batch's is stale.
    QTest::qWait(20);
    writeAll(resultPath(f, pages[0]), savedFile(QStringLiteral("一")));
    writeAll(resultPath(f, pages[1]), page2);
    const OutputOutcome got = writeOutput(f, output, {}, textfiles::TextEncoding::ShiftJis, force);
    const QString said = got.detail;
    if (outcome == u"written" || outcome.startsWith(u"replaced")) {
        QCOMPARE(got.state, OutputOutcome::State::Written);
        QVERIFY2(outcome == u"written" ? said.isEmpty() : said.startsWith(outcome),
                 qPrintable(said));
    } else {
        QCOMPARE(got.state, OutputOutcome::State::Failed);
        QVERIFY2(said.contains(outcome), qPrintable(said));
    }
    QCOMPARE(readAll(output.target), after == "<same>"   ? before
                                     : after == "<none>" ? QByteArray()
                                                         : after);
    QCOMPARE(QFile::exists(output.target), after != "<none>");
    // What it wrote is its own: the next batch finds it up to date.
    if (got.state == OutputOutcome::State::Written)
        QCOMPARE(writeOutput(f, output, {}).state, OutputOutcome::State::UpToDate);
}

// A batch killed while it wrote leaves a hidden temporary file beside the result; the next run
// over the folder removes those old enough that no writer can still own them, and nothing else.
void TestFolderBatch::staleTemporariesAreCleared() {
    BatchEngine engine;
    writeAll(engine.file(QStringLiteral("output")), "掃除\n");
    QTemporaryDir folder;
    const QString f = folder.path();
    page(1, QImage::Format_RGB32).save(f + QStringLiteral("/a.bmp"));
    const QDateTime old = QDateTime::currentDateTime().addSecs(-2 * 3600);
    const auto make = [&](const QString& name, bool aged) {
        writeAll(f + u'/' + name, "half a resu");
        QFile file(f + u'/' + name);
        QVERIFY(file.open(QIODevice::ReadWrite));
        if (aged)
            QVERIFY(file.setFileTime(old, QFileDevice::FileModificationTime));
    };
    make(QStringLiteral(".qpx-Ab12Cd"), true);  // left by a killed batch
    make(QStringLiteral(".qpx-Ef34Gh"), false); // being written now
    make(QStringLiteral(".qpx-Ab12Cde"), true); // not a name the program gives
    make(QStringLiteral(".qpx-notes.txt"), true);
    QVERIFY(QDir(f).mkpath(QStringLiteral("pdf/.lines")));
    make(QStringLiteral("pdf/.lines/.qpx-Zz99Yy"), true);
    QVERIFY(QFile::link(f + QStringLiteral("/.qpx-notes.txt"), f + QStringLiteral("/.qpx-Li12nk")));
    // Another user's, in a shared folder: not this program's to clear. Only the superuser can
    // give a file away; for anyone else there is no such file.
    QStringList kept{".qpx-Ab12Cde", ".qpx-Ef34Gh", ".qpx-Li12nk", ".qpx-notes.txt"};
    make(QStringLiteral(".qpx-Ot56Hr"), true);
    if (::geteuid() == 0 &&
        ::chown(QFile::encodeName(f + QStringLiteral("/.qpx-Ot56Hr")).constData(), 12345, 12345) ==
            0)
        kept << QStringLiteral(".qpx-Ot56Hr");
    else
        QVERIFY(QFile::remove(f + QStringLiteral("/.qpx-Ot56Hr")));
    kept << QStringLiteral("a.bmp") << QStringLiteral("a.bmp.txt");
    const Run run = runBatch({"--batch", f, "--lang", "jpn", "--psm", "3"}, engine.dir.path());
    QCOMPARE(run.status, 0);
    QVERIFY2(run.out.contains(QStringLiteral("removed: 2 temporary files left by a batch")),
             qPrintable(run.out));
    kept.sort();
    QCOMPARE(folderEntries(f), kept);
    QVERIFY(QDir(f + QStringLiteral("/pdf/.lines")).isEmpty(QDir::Files | QDir::Hidden));
}

// Before the first picture the batch's thread waits for the engine's trial on a blank picture;
// SIGTERM then ends the engine at once, not after it is done.
void TestFolderBatch::stopReachesTheEnginesTrial() {
    BatchEngine engine;
    writeAll(engine.file(QStringLiteral("output")), "試し\n");
    writeAll(engine.file(QStringLiteral("slow")), "60");
    QTemporaryDir folder;
    page(1, QImage::Format_RGB32).save(folder.filePath(QStringLiteral("a.bmp")));
    std::unique_ptr<QProcess> process(
        startBatch({"--batch", folder.path(), "--lang", "jpn", "--psm", "3"}, engine.dir.path()));
    QTRY_VERIFY_WITH_TIMEOUT(logLines(engine.file(QStringLiteral("runs"))).size() == 1, 30000);
    QElapsedTimer clock;
    clock.start();
    QCOMPARE(::kill(pid_t(process->processId()), SIGTERM), 0);
    QVERIFY(process->waitForFinished(20000));
    QVERIFY2(clock.elapsed() < 10000, qPrintable(QString::number(clock.elapsed())));
    QCOMPARE(process->exitCode(), 128 + SIGTERM);
    const QString out = QString::fromLocal8Bit(process->readAllStandardOutput());
    QVERIFY2(out.contains(QStringLiteral("Stopped (SIGTERM): 1 pictures not read")),
             qPrintable(out));
    QCOMPARE(folderEntries(folder.path()), QStringList{"a.bmp"});
}

// The write that keeps a result saved meanwhile finds a folder in the result's place: that is
// nobody's result, and the picture fails instead of counting as kept.
void TestFolderBatch::aFolderWhereTheResultGoesIsNoResult() {
    BatchEngine engine;
    writeAll(engine.file(QStringLiteral("output")), "場所\n");
    QTemporaryDir folder;
    page(1, QImage::Format_RGB32).save(folder.filePath(QStringLiteral("a.bmp")));
    QVERIFY(QDir(folder.path()).mkdir(QStringLiteral("a.bmp.txt")));
    const Run run =
        runBatch({"--batch", folder.path(), "--lang", "jpn", "--psm", "3"}, engine.dir.path());
    QCOMPARE(run.status, 1);
    QVERIFY2(run.out.contains(QStringLiteral(
                 "failed: a.bmp: a.bmp.txt is taken by something that is not a file")),
             qPrintable(run.out));
    QVERIFY(!run.out.contains(QStringLiteral("kept:")));
}

QTEST_MAIN(TestFolderBatch)
#include "test_folderbatch.moc"
