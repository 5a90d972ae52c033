// A scanned book in, a book out, with the real engine: a folder holding a JPEG page and a PDF of
// three pages (horizontal Japanese as a JPEG scan, vertical Japanese, Latin words), read by
// `quillpix --batch --pdf --book`, and what comes out read back with Poppler's own tools.

#include "bookoutput.h"
#include "booktext.h"
#include "boxplaces.h"
#include "characters.h"
#include "cp932.h"
#include "doubt.h"
#include "failure.h"
#include "filelistbox.h"
#include "frmmain.h"
#include "linesfile.h"
#include "pages.h"
#include "pagetexts.h"
#include "pdfwriter.h"
#include "picturebox.h"
#include "recordingplatform.h"
#include "tempworkspace.h"
#include "textfiles.h"
#include "textmeasures.h"
#include "textpicture.h"
#include "viewerhandler.h"
#include "widgets.h"

#include <QAction>
#include <QBuffer>
#include <QDateTime>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QPainter>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QXmlStreamReader>
#include <QtTest>

#include <poppler-qt6.h>

#include <memory>

using namespace quillpix;
using testing::editDistance;
using testing::spacedJapanese;
using testing::withoutSpace;

namespace {

constexpr double kDpi = 300;
constexpr int kDotsPerMeter = 11811; // 300 dpi

QByteArray readAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QByteArray jpegOf(const QImage& picture) {
    QImage image = picture;
    image.setDotsPerMeterX(kDotsPerMeter);
    image.setDotsPerMeterY(kDotsPerMeter);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "JPG", 90);
    return bytes;
}

struct Run {
    int status = -1;
    QString out;
};

Run runBatch(const QStringList& arguments) {
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove(QStringLiteral("DISPLAY"));
    env.remove(QStringLiteral("QT_QPA_PLATFORM"));
    env.remove(QStringLiteral("QUILLPIX_ENGINE"));
    process.setProcessEnvironment(env);
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(QStringLiteral(QUILLPIX_PROGRAM), QStringList{"--batch"} + arguments);
    Run run;
    if (!process.waitForFinished(300000))
        return run;
    run.status = process.exitCode();
    run.out = QString::fromLocal8Bit(process.readAll());
    return run;
}

QString pdfToText(const QString& pdf, int page) {
    QProcess process;
    process.start(QStringLiteral("pdftotext"),
                  {QStringLiteral("-f"), QString::number(page), QStringLiteral("-l"),
                   QString::number(page), QStringLiteral("-enc"), QStringLiteral("UTF-8"), pdf,
                   QStringLiteral("-")});
    process.waitForFinished(60000);
    return QString::fromUtf8(process.readAllStandardOutput());
}

QByteArray pdfImage(const QString& pdf, int page, const QString& workFolder) {
    QProcess process;
    process.setWorkingDirectory(workFolder);
    process.start(QStringLiteral("pdfimages"),
                  {QStringLiteral("-j"), QStringLiteral("-f"), QString::number(page),
                   QStringLiteral("-l"), QString::number(page), pdf, QStringLiteral("x")});
    process.waitForFinished(60000);
    const QByteArray bytes = readAll(workFolder + QStringLiteral("/x-000.jpg"));
    QFile::remove(workFolder + QStringLiteral("/x-000.jpg"));
    return bytes;
}

// Every file under the folder with its size and modification time: what a batch wrote shows.
QStringList snapshot(const QString& folder) {
    QStringList files;
    QDirIterator it(folder, QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QFileInfo info(it.next());
        files << QStringLiteral("%1 %2 %3")
                     .arg(info.filePath().mid(folder.size() + 1))
                     .arg(info.size())
                     .arg(info.lastModified().toMSecsSinceEpoch());
    }
    files.sort();
    return files;
}

// The characters of an hOCR or ALTO file, page by page: each character's text and box.
struct PlacedGlyph {
    QString text;
    QRect box;
    bool doubtful = false; // hOCR's x_doubtful
};
struct LayoutFile {
    QList<QList<PlacedGlyph>> pages;
    QString error; // what the XML reader found wrong, "" for a well-formed file
};

LayoutFile readLayoutFile(const QString& path) {
    QFile file(path);
    LayoutFile out;
    if (!file.open(QIODevice::ReadOnly)) {
        out.error = QStringLiteral("missing");
        return out;
    }
    QXmlStreamReader xml(&file);
    static const QRegularExpression bbox(QStringLiteral("x_bboxes (\\d+) (\\d+) (\\d+) (\\d+)"));
    while (!xml.atEnd()) {
        if (!xml.readNext() || !xml.isStartElement())
            continue;
        const QXmlStreamAttributes a = xml.attributes();
        if (a.value(QLatin1String("class")) == u"ocr_page" || xml.name() == u"Page") {
            out.pages.append(QList<PlacedGlyph>());
        } else if (a.value(QLatin1String("class")) == u"ocrx_cinfo") {
            // The attributes are the reader's until it reads on.
            const QString title = a.value(QLatin1String("title")).toString();
            const QRegularExpressionMatch m = bbox.match(title);
            const QString text = xml.readElementText();
            out.pages.last().append(
                {text,
                 QRect(QPoint(m.captured(1).toInt(), m.captured(2).toInt()),
                       QPoint(m.captured(3).toInt() - 1, m.captured(4).toInt() - 1)),
                 title.contains(u"x_doubtful 1")});
        } else if (xml.name() == u"Glyph") {
            out.pages.last().append({a.value(QLatin1String("CONTENT")).toString(),
                                     QRect(a.value(QLatin1String("HPOS")).toInt(),
                                           a.value(QLatin1String("VPOS")).toInt(),
                                           a.value(QLatin1String("WIDTH")).toInt(),
                                           a.value(QLatin1String("HEIGHT")).toInt())});
        }
    }
    if (xml.hasError())
        out.error = xml.errorString();
    return out;
}

// Whether a box holds ink of the picture: a dark pixel.
bool onInk(const QImage& grey, const QRect& box) {
    const QRect r = box.intersected(grey.rect());
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x)
            if (qGray(grey.pixel(x, y)) < 128)
                return true;
    return false;
}

const workspace::LineLayout kLines{40, 80, 90};
const workspace::ColumnLayout kColumns{56, 100, 40, 760};

} // namespace

class TestBookOut : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void joinedTexts();
    void pdftotextGivesTheSavedText_data();
    void pdftotextGivesTheSavedText();
    void verticalColumnsReadRightToLeft();
    void searchFindsTheWordWhereItIs_data();
    void searchFindsTheWordWhereItIs();
    void jpegDataIsPassedThrough_data();
    void jpegDataIsPassedThrough();
    void aSecondBatchWritesNothing();
    void aChangedResultRewritesWhatHoldsIt_data();
    void aChangedResultRewritesWhatHoldsIt();
    void theWindowMakesAPdfAndABook_data();
    void theWindowMakesAPdfAndABook();
    void outputsNeverLeaveTheFolder_data();
    void outputsNeverLeaveTheFolder();
    void layoutFilesPlaceTheSavedText();

private:
    QString file(const QString& name) const { return m_folder.filePath(name); }
    QString m_scanPdf;
    QString m_bookPdf;
    QTemporaryDir m_folder;
    QTemporaryDir m_work;
    QStringList m_horizontal{QStringLiteral("日本語の文章を読み取ります。"),
                             QStringLiteral("検索できる文書を作りましょう。"),
                             QStringLiteral("画像の上に見えない文字を置きます。")};
    QStringList m_columns{QStringLiteral("縦書きの文章です。"),
                          QStringLiteral("右の列から読みます。"),
                          QStringLiteral("列は左へ進みます。"), QStringLiteral("最後の列は短い。")};
    QByteArray m_scanJpeg;
    Run m_first;
};

void TestBookOut::initTestCase() {
    QVERIFY(m_folder.isValid() && m_work.isValid());
    // A page scanned alone as a JPEG file, and a scanned document of three pages.
    QVERIFY(workspace::linesPicture({QStringLiteral("本を一冊まとめて読みます。")}, QSize(900, 160),
                                    48, kLines)
                .save(file(QStringLiteral("a.jpg")), "JPG", 90));
    m_scanJpeg = jpegOf(workspace::linesPicture(m_horizontal, QSize(900, 330), 48, kLines));
    QList<searchablepdf::Page> scan(3);
    scan[0].jpeg = m_scanJpeg;
    scan[1].image = workspace::columnsPicture(m_columns, QSize(820, 680), 48, kColumns);
    scan[2].image = workspace::linesPicture({QStringLiteral("Quillpix reads scanned pages."),
                                             QStringLiteral("Search and copy the text.")},
                                            QSize(900, 240), 44, kLines)
                        .convertToFormat(QImage::Format_Mono, Qt::ThresholdDither);
    for (searchablepdf::Page& page : scan)
        page.dpi = QSizeF(kDpi, kDpi);
    searchablepdf::writeSearchablePdf(scan, file(QStringLiteral("scan.pdf")));

    m_first = runBatch({m_folder.path(), "--lang", "自動", "--psm", "3", "--jobs", "2", "--pdf",
                        "--book", file(QStringLiteral("book.txt"))});
    QVERIFY2(m_first.status == 0, qPrintable(m_first.out));
    QVERIFY2(m_first.out.contains(QStringLiteral("4 read and saved")), qPrintable(m_first.out));
    for (const char* written : {"written: scan.pdf.txt", "written: book.txt",
                                "written: pdf/scan.pdf", "written: pdf/book.pdf"})
        QVERIFY2(m_first.out.contains(QLatin1String(written)), qPrintable(m_first.out));
    m_scanPdf = file(QStringLiteral("pdf/scan.pdf"));
    m_bookPdf = file(QStringLiteral("pdf/book.pdf"));
}

void TestBookOut::joinedTexts() {
    const QByteArray page = "\f\r\n";
    const QByteArray scan = readAll(file(QStringLiteral("scan.pdf.p1.txt"))) + page +
                            readAll(file(QStringLiteral("scan.pdf.p2.txt"))) + page +
                            readAll(file(QStringLiteral("scan.pdf.p3.txt")));
    QCOMPARE(readAll(file(QStringLiteral("scan.pdf.txt"))), scan);
    QCOMPARE(readAll(file(QStringLiteral("book.txt"))),
             readAll(file(QStringLiteral("a.jpg.txt"))) + page + scan);
    // The first page's own words, in code page 932.
    QVERIFY(cp932::decode(scan).contains(QStringLiteral("読み取ります")));
}

void TestBookOut::pdftotextGivesTheSavedText_data() {
    QTest::addColumn<QString>("pdf");
    QTest::addColumn<int>("page");
    QTest::addColumn<QString>("result");
    QTest::newRow("document: horizontal, a JPEG scan") << "scan" << 1 << "scan.pdf.p1.txt";
    QTest::newRow("document: vertical") << "scan" << 2 << "scan.pdf.p2.txt";
    QTest::newRow("document: Latin words") << "scan" << 3 << "scan.pdf.p3.txt";
    QTest::newRow("book: the JPEG file") << "book" << 1 << "a.jpg.txt";
    QTest::newRow("book: the document's vertical page") << "book" << 3 << "scan.pdf.p2.txt";
}

void TestBookOut::pdftotextGivesTheSavedText() {
    QFETCH(QString, pdf);
    QFETCH(int, page);
    QFETCH(QString, result);
    const QString extracted = pdfToText(pdf == u"scan" ? m_scanPdf : m_bookPdf, page);
    const QString saved = withoutSpace(cp932::decode(readAll(file(result))));
    QVERIFY(!saved.isEmpty());
    const qsizetype errors = editDistance(withoutSpace(extracted), saved);
    QVERIFY2(errors * 100 <= saved.size(), qPrintable(extracted + u'|' + saved));
    QVERIFY2(spacedJapanese(extracted).isEmpty(), qPrintable(spacedJapanese(extracted)));
}

void TestBookOut::verticalColumnsReadRightToLeft() {
    QStringList lines = pdfToText(m_scanPdf, 2).split(u'\n');
    lines.removeIf([](const QString& line) { return withoutSpace(line).isEmpty(); });
    QCOMPARE(lines.size(), m_columns.size());
    // Each line of the text is the column at its place, counted from the right.
    for (qsizetype i = 0; i < m_columns.size(); ++i)
        QVERIFY2(editDistance(withoutSpace(lines[i]), m_columns[i]) * 4 < m_columns[i].size(),
                 qPrintable(lines.join(u'|')));
}

void TestBookOut::searchFindsTheWordWhereItIs_data() {
    QTest::addColumn<QString>("pdf");
    QTest::addColumn<int>("page"); // from 0
    QTest::addColumn<QString>("word");
    QTest::addColumn<QRect>("box");
    const QRect hidden = workspace::linesPictureBox(m_horizontal, 48, kLines, 2, 5, 4);
    QTest::newRow("the document's horizontal page")
        << "scan" << 0 << QStringLiteral("見えない") << hidden;
    QTest::newRow("the same page in the book")
        << "book" << 1 << QStringLiteral("見えない") << hidden;
    QTest::newRow("a column") << "scan" << 1 << QStringLiteral("列から読")
                              << workspace::columnsPictureBox(kColumns, 1, 2, 4);
}

void TestBookOut::searchFindsTheWordWhereItIs() {
    QFETCH(QString, pdf);
    QFETCH(int, page);
    QFETCH(QString, word);
    QFETCH(QRect, box);
    const std::unique_ptr<Poppler::Document> document =
        Poppler::Document::load(pdf == u"scan" ? m_scanPdf : m_bookPdf);
    QVERIFY(document);
    for (int i = 0; i < document->numPages(); ++i) {
        const QList<QRectF> found = document->page(i)->search(word);
        if (i != page) {
            QVERIFY2(found.isEmpty(), qPrintable(QStringLiteral("found on page %1").arg(i + 1)));
            continue;
        }
        QCOMPARE(found.size(), 1);
        const double k = kDpi / 72;
        const QRectF at(found[0].x() * k, found[0].y() * k, found[0].width() * k,
                        found[0].height() * k);
        const QRectF overlap = at.intersected(QRectF(box));
        QVERIFY2(overlap.width() * overlap.height() > 0.5 * box.width() * box.height(),
                 qPrintable(QStringLiteral("found at %1,%2 %3x%4")
                                .arg(at.x())
                                .arg(at.y())
                                .arg(at.width())
                                .arg(at.height())));
    }
}

void TestBookOut::jpegDataIsPassedThrough_data() {
    QTest::addColumn<QString>("pdf");
    QTest::addColumn<int>("page");
    QTest::addColumn<QString>("source"); // "" for the document's JPEG scan
    QTest::newRow("a JPEG file into the book") << "book" << 1 << "a.jpg";
    QTest::newRow("a document's JPEG scan into its PDF") << "scan" << 1 << "";
    QTest::newRow("the same scan into the book") << "book" << 2 << "";
}

void TestBookOut::jpegDataIsPassedThrough() {
    QFETCH(QString, pdf);
    QFETCH(int, page);
    QFETCH(QString, source);
    if (source.isEmpty() && !pictures::kScannedPagesDirect)
        QSKIP("a document's JPEG is reached through Poppler's core library, not in this build");
    const QByteArray expected = source.isEmpty() ? m_scanJpeg : readAll(file(source));
    QCOMPARE(pdfImage(pdf == u"scan" ? m_scanPdf : m_bookPdf, page, m_work.path()), expected);
}

void TestBookOut::aSecondBatchWritesNothing() {
    const QStringList before = snapshot(m_folder.path());
    const Run again = runBatch({m_folder.path(), "--lang", "自動", "--psm", "3", "--pdf", "--book",
                                file(QStringLiteral("book.txt"))});
    QCOMPARE(again.status, 0);
    QVERIFY2(again.out.contains(QStringLiteral("0 read and saved, 4 skipped")) &&
                 again.out.count(QStringLiteral("up to date: ")) == 4,
             qPrintable(again.out));
    QCOMPARE(snapshot(m_folder.path()), before);
}

void TestBookOut::aChangedResultRewritesWhatHoldsIt_data() {
    QTest::addColumn<QString>("change"); // "removed" or "edited"
    QTest::addColumn<QString>("result");
    QTest::addColumn<QStringList>("share");
    QTest::addColumn<QString>("reported");
    QTest::addColumn<QStringList>("written"); // besides the result and its lines
    QTest::addColumn<QString>("notWhole");    // the pages named as perhaps read in part
    const QStringList everything{"book.txt", "pdf/book.pdf", "pdf/scan.pdf", "scan.pdf.txt"};
    QTest::newRow("a page's result removed: the page is read again")
        << "removed"
        << "scan.pdf.p2.txt" << QStringList() << "1 read and saved, 3 skipped" << everything << "";
    QTest::newRow("a page edited, another share: its texts joined, its PDFs left to that share")
        << "edited"
        << "scan.pdf.p3.txt" << QStringList{"--shard", "1/4"}
        << "not written: pdf/scan.pdf: where the text of scan.pdf (p. 3) lies is not known"
        << QStringList{"book.txt", "scan.pdf.txt"} << "scan.pdf (p. 3)";
    QTest::newRow("a page's result edited: kept, the page read again for its lines alone")
        << "edited"
        << "scan.pdf.p3.txt" << QStringList()
        << "read again for where their text lies (their results kept): 1 pictures" << everything
        << "scan.pdf (p. 3)";
}

void TestBookOut::aChangedResultRewritesWhatHoldsIt() {
    QFETCH(QString, change);
    QFETCH(QString, result);
    QFETCH(QStringList, share);
    QFETCH(QString, reported);
    QFETCH(QStringList, written);
    QFETCH(QString, notWhole);
    const QByteArray edited("Quillpix reads edited pages.\r\nSearch and copy the text.\r\n");
    if (change == u"removed") {
        QVERIFY(QFile::remove(file(result)));
    } else {
        QFile out(file(result));
        QVERIFY(out.open(QIODevice::WriteOnly | QIODevice::Truncate));
        out.write(edited);
    }
    QTest::qWait(20); // a modification time apart from the outputs'
    const QStringList before = snapshot(m_folder.path());
    const Run run = runBatch(QStringList{m_folder.path(), "--lang", "自動", "--psm", "3", "--pdf",
                                         "--book", file(QStringLiteral("book.txt"))} +
                             share);
    QCOMPARE(run.status, 0);
    QVERIFY2(run.out.contains(reported), qPrintable(run.out));
    // A result the batch did not read whole is named, never passed off as the whole page.
    const QString named = QStringLiteral("not read whole by the batch (saved in the window, "
                                         "perhaps from part of the page): ");
    QVERIFY2(notWhole.isEmpty() ? !run.out.contains(named)
                                : run.out.contains(named + notWhole + QLatin1Char(';')),
             qPrintable(run.out));
    QStringList changed;
    const QStringList after = snapshot(m_folder.path());
    for (const QString& line : after)
        if (!before.contains(line))
            changed << line.section(u' ', 0, 0);
    QStringList expected = written;
    // Each output written is noted as the batch's own.
    for (const QString& output : written)
        expected << QStringLiteral(".quillpix/written/") + output;
    if (share.isEmpty())
        expected << QStringLiteral("pdf/.lines/") + result.chopped(4) + ".lines";
    // A page read again has its marks beside its result, as 保存 keeps them.
    if (change == u"removed")
        expected << result << QStringLiteral(".quillpix/whole/") + result.chopped(4)
                 << result.chopped(4) + QStringLiteral(".marks");
    expected.sort();
    QCOMPARE(changed, expected);
    if (change == u"edited" && share.isEmpty()) {
        QCOMPARE(readAll(file(result)), edited);
        QVERIFY2(pdfToText(m_scanPdf, 3).contains(QStringLiteral("edited pages")),
                 qPrintable(pdfToText(m_scanPdf, 3)));
    }
}

// From the file list's menu: a document's searchable PDF, and the folder's book text with its
// PDF. The end message offers what was written, the book and the PDFs first.
void TestBookOut::theWindowMakesAPdfAndABook_data() {
    QTest::addColumn<QString>("entry");
    QTest::addColumn<QString>("asked");
    QTest::addColumn<QStringList>("offered");
    QTest::newRow("a document's PDF") << "actMakePdf"
                                      << "scan.pdf の検索できる PDF を pdf/scan.pdf に作ります"
                                      << QStringList{"pdf/scan.pdf", "scan.pdf.txt"};
    QTest::newRow("the folder's book")
        << "actMakeBook"
        << "bmp_gif_sample_book.txt と、その検索できる PDF を pdf/ に作ります"
        << QStringList{"pdf/bmp_gif_sample_book.pdf", "bmp_gif_sample_book.txt", "pdf/scan.pdf"};
}

void TestBookOut::theWindowMakesAPdfAndABook() {
    QFETCH(QString, entry);
    QFETCH(QString, asked);
    QFETCH(QStringList, offered);
    // The document with two of its results copied into a workspace, without the lines kept
    // beside them: those pages are read again for their lines alone, the chosen page 2 whole.
    quillpix::testing::TempWorkspace ws;
    for (const char* name : {"scan.pdf", "scan.pdf.p1.txt", "scan.pdf.p3.txt"})
        QVERIFY(QFile::copy(file(QLatin1String(name)),
                            ws.pictures() + QLatin1Char('/') + QLatin1String(name)));
    ws.writeLists({QStringLiteral("自動:3")}, {QStringLiteral("jpn+jpn_vert")}, {QString()});
    quillpix::testing::RecordingPlatform platform;
    FrmMain window(platform, ws.bin());
    FileListBox* list = window.controls().File1;
    // Rows count a document's pages from 0.
    list->setCurrentRow(list->rowOf(QStringLiteral("scan.pdf"), 1));
    QTRY_VERIFY(!window.controls().picBmp->picture().isNull());
    QCOMPARE(window.controls().txtResult->text(), QString());
    auto* action = window.findChild<QAction*>(entry);
    QVERIFY(action);
    action->trigger();
    QCOMPARE(platform.questions.size(), 1);
    QVERIFY2(platform.questions[0].contains(asked), qPrintable(platform.questions[0]));
    QTRY_VERIFY_WITH_TIMEOUT(!platform.choiceQuestions.isEmpty(), 120000);
    QStringList answers;
    for (const QString& name : offered) {
        QVERIFY2(platform.choiceQuestions[0].contains(QStringLiteral("書きました: ") + name),
                 qPrintable(platform.choiceQuestions[0]));
        answers << name + QStringLiteral(" を開く");
    }
    // The first answer opens the first file offered.
    QCOMPARE(platform.choiceOffers[0], answers << QStringLiteral("閉じる"));
    QCOMPARE(platform.opened, QStringList{ws.pictures() + QLatin1Char('/') + offered[0]});
    QVERIFY2(pdfToText(ws.pictures() + QLatin1Char('/') + offered[0], 1)
                 .contains(QStringLiteral("読み取ります")),
             qPrintable(pdfToText(ws.pictures() + QLatin1Char('/') + offered[0], 1)));
    // The chosen page's box shows the result the batch saved for it.
    const QString page2 =
        quillpix::textfiles::readSavedResult(ws.pictures() + QStringLiteral("/scan.pdf.p2.txt"));
    QVERIFY(!page2.trimmed().isEmpty());
    QCOMPARE(window.controls().txtResult->text(), page2);
    // The results were kept as they were.
    QCOMPARE(readAll(ws.pictures() + QStringLiteral("/scan.pdf.p3.txt")),
             readAll(file(QStringLiteral("scan.pdf.p3.txt"))));
}

void TestBookOut::outputsNeverLeaveTheFolder_data() {
    QTest::addColumn<QString>("link");      // made in the folder
    QTest::addColumn<QString>("target");    // in the outside folder: "notes.txt", "dir/", or none
    QTest::addColumn<QStringList>("extra"); // "B" stands for the folder
    QTest::addColumn<QString>("reported");
    QTest::newRow("a document's text")
        << "scan.pdf.txt"
        << "notes.txt" << QStringList()
        << "failed: scan.pdf.txt: The file scan.pdf.txt is a link to outside the folder";
    QTest::newRow("a document's text, dangling")
        << "scan.pdf.txt"
        << "gone.txt" << QStringList()
        << "failed: scan.pdf.txt: The file scan.pdf.txt is a link that leads nowhere";
    QTest::newRow("the book")
        << "book.txt"
        << "notes.txt" << QStringList{"--book", "B/book.txt"}
        << "failed: book.txt: The file book.txt is a link to outside the folder";
    QTest::newRow("a document's PDF")
        << "pdf/scan.pdf"
        << "notes.txt" << QStringList{"--pdf"}
        << "failed: pdf/scan.pdf: The file pdf/scan.pdf is a link to outside the folder";
    QTest::newRow("a page's hOCR")
        << "scan.pdf.p1.hocr"
        << "notes.txt" << QStringList{"--hocr"}
        << "failed: scan.pdf.p1.hocr: The file scan.pdf.p1.hocr is a link to outside the folder";
    QTest::newRow("the PDFs' folder") << "pdf"
                                      << "dir/" << QStringList{"--pdf"}
                                      << "The file pdf/scan.pdf is a link to outside the folder";
    QTest::newRow("the folder of the PDFs' lines")
        << "pdf/.lines"
        << "dir/" << QStringList{"--pdf"} << "where it lies could not be kept for the PDF";
    QTest::newRow("the marks of pages read whole")
        << ".quillpix"
        << "dir/" << QStringList()
        << "The file .quillpix/whole/scan.pdf.p1 is a link to outside the folder";
}

// Every file the batch writes besides a picture's result, and the document's text the window
// joins after 保存, is refused where a link leads out of the folder or nowhere: the output is
// named with the reason, the batch ends with 1, and nothing outside changes.
void TestBookOut::outputsNeverLeaveTheFolder() {
    QFETCH(QString, link);
    QFETCH(QString, target);
    QFETCH(QStringList, extra);
    QFETCH(QString, reported);
    QTemporaryDir folder, outside;
    QList<searchablepdf::Page> scan(2);
    for (int i = 0; i < 2; ++i) {
        scan[i].jpeg =
            jpegOf(workspace::linesPicture({m_horizontal[i]}, QSize(900, 160), 48, kLines));
        scan[i].dpi = QSizeF(kDpi, kDpi);
    }
    searchablepdf::writeSearchablePdf(scan, folder.filePath(QStringLiteral("scan.pdf")));
    QFile notes(outside.filePath(QStringLiteral("notes.txt")));
    QVERIFY(notes.open(QIODevice::WriteOnly));
    notes.write("notes\r\n");
    notes.close();
    QVERIFY(QDir(outside.path()).mkdir(QStringLiteral("dir")));
    QVERIFY(QDir(folder.path()).mkpath(QFileInfo(folder.filePath(link)).path()));
    QVERIFY(QFile::link(outside.filePath(target), folder.filePath(link)));
    const QStringList before = snapshot(outside.path());

    const Run run = runBatch(QStringList{folder.path(), "--lang", "jpn", "--psm", "6"} +
                             extra.replaceInStrings(QStringLiteral("B/"), folder.path() + u'/'));
    QCOMPARE(run.status, 1);
    QVERIFY2(run.out.contains(reported), qPrintable(run.out));
    QCOMPARE(snapshot(outside.path()), before);
    QVERIFY(QDir(outside.filePath(QStringLiteral("dir")))
                .isEmpty(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot));

    // The window joins the document's text again after a page is saved: the same rule.
    if (link == u"scan.pdf.txt") {
        QVERIFY_THROWS_EXCEPTION(
            Failure, booktext::pageResultChanged(folder.path(), QStringLiteral("scan.pdf"), 0));
        QCOMPARE(snapshot(outside.path()), before);
    }
}

QTEST_MAIN(TestBookOut)
void TestBookOut::layoutFilesPlaceTheSavedText() {
    // A page laid on the glass sideways, one turned by two degrees, and a page of two tiers: the
    // boxes of hOCR and ALTO lie on the picture as it is in the folder, on its ink.
    QTemporaryDir folder;
    workspace::PageStyle style;
    style.size = QSize(1100, 700);
    style.margins = QMargins(100, 100, 100, 100);
    const QImage page = workspace::textPage(workspace::japaneseProse().mid(0, 2), style).image;
    workspace::ScanStyle sideways;
    sideways.quarterTurns = 1;
    workspace::ScanStyle skewed;
    skewed.skewDegrees = 2;
    workspace::PageStyle tierStyle;
    tierStyle.writing = workspace::Writing::Vertical;
    tierStyle.size = QSize(1100, 560);
    tierStyle.margins = QMargins(100, 0, 100, 0);
    const QImage tier = workspace::textPage(workspace::japaneseProse().mid(2, 3), tierStyle).image;
    QImage tiers(1100, 1400, QImage::Format_Grayscale8);
    tiers.fill(255);
    QPainter painter(&tiers);
    painter.drawImage(0, 100, tier);
    painter.drawImage(0, 760, tier);
    painter.end();
    tiers.setDotsPerMeterX(kDotsPerMeter);
    tiers.setDotsPerMeterY(kDotsPerMeter);
    const QList<std::pair<QString, QImage>> pictures{
        {QStringLiteral("sideways.png"), workspace::scanned(page, sideways)},
        {QStringLiteral("skewed.png"), workspace::scanned(page, skewed)},
        {QStringLiteral("tiers.png"), tiers}};
    for (const auto& [name, picture] : pictures)
        QVERIFY(picture.save(folder.filePath(name)));
    const Run run = runBatch({folder.path(), "--lang", "自動", "--psm", "3", "--hocr", "--alto",
                              "--book", folder.filePath(QStringLiteral("book.txt"))});
    QVERIFY2(run.status == 0, qPrintable(run.out));
    QVERIFY2(run.out.contains(QStringLiteral("written: 3 hOCR files")), qPrintable(run.out));
    for (const QString& extension : {QStringLiteral(".hocr"), QStringLiteral(".alto.xml")}) {
        const LayoutFile book = readLayoutFile(folder.filePath(QStringLiteral("book") + extension));
        QVERIFY2(book.error.isEmpty(), qPrintable(book.error));
        QCOMPARE(book.pages.size(), pictures.size());
        for (qsizetype k = 0; k < pictures.size(); ++k) {
            const auto& [name, picture] = pictures[k];
            const LayoutFile one = readLayoutFile(folder.filePath(name + extension));
            QVERIFY2(one.error.isEmpty(),
                     qPrintable(name + extension + QStringLiteral(": ") + one.error));
            QCOMPARE(one.pages.size(), 1);
            QString spelled;
            int off = 0;
            for (const PlacedGlyph& glyph : one.pages.first()) {
                spelled += glyph.text;
                off += onInk(picture, glyph.box) ? 0 : 1;
            }
            const QString saved =
                textfiles::readSavedResult(folder.filePath(name + QStringLiteral(".txt")));
            QVERIFY2(spelled.size() > 100, qPrintable(name));
            QCOMPARE(spelled, withoutSpace(saved));
            // Every character's box on ink of the picture, but for a full stop's or a comma's
            // box that the engine draws around the cell.
            QVERIFY2(off <= spelled.size() / 100, qPrintable(QStringLiteral("%1: %2 of %3 off ink")
                                                                 .arg(name + extension)
                                                                 .arg(off)
                                                                 .arg(spelled.size())));
            QCOMPARE(book.pages[k].size(), one.pages.first().size());
            // The marks are the doubt rule's on the saved text placed on the lines kept.
            if (extension == u".hocr") {
                const std::optional<enginelayout::KeptLines> lines =
                    folderbatch::keptLines(folder.path(), {name, -1});
                QVERIFY(lines);
                QList<textplacing::PlacedCharacter> placed =
                    textplacing::placeCharacters(lines->lines, saved);
                textplacing::markDoubtful(placed);
                QCOMPARE(placed.size(), one.pages.first().size());
                for (qsizetype i = 0; i < placed.size(); ++i)
                    QCOMPARE(one.pages.first()[i].doubtful, placed[i].doubtful);
                // The same marks beside the result, for the window to show.
                const textplacing::BoxPlaces kept = textplacing::BoxPlaces::fromBytes(
                    textfiles::readBytes(
                        textplacing::placesPath(folder.filePath(name + QStringLiteral(".txt")))),
                    saved);
                QCOMPARE(kept.places().size(), placed.size());
                QCOMPARE(kept.marks(), std::count_if(placed.begin(), placed.end(),
                                                     [](const auto& c) { return c.doubtful; }));
            }
        }
    }
}

#include "test_bookout.moc"
