#include "boxplaces.h"
#include "pagetexts.h"
#include "picturebox.h"
#include "placeframes.h"
#include "recognitionfixture.h"
#include "recognitionhandler.h"
#include "resultmarks.h"
#include "textpicture.h"
#include "viewerhandler.h"
#include "widgets.h"

#include <QFile>
#include <QPainter>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

using namespace quillpix;
using namespace quillpix::testing;

namespace {

QStringList installedLanguages(const QString& engine) {
    QProcess process;
    process.start(engine, {QStringLiteral("--list-langs")});
    if (!process.waitForFinished(30000))
        return {};
    const QString listing =
        QString::fromUtf8(process.readAllStandardOutput() + process.readAllStandardError());
    QStringList languages;
    for (const QString& line : listing.split(QLatin1Char('\n')))
        languages << line.trimmed();
    return languages;
}

} // namespace

// The whole road through the real engine: a sentence rendered by the test is selected, read
// and appended.
class TestRecognitionEngine : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void readsRenderedSentence_data();
    void readsRenderedSentence();
    void greyGoesAsGreyWithTheSameText_data();
    void greyGoesAsGreyWithTheSameText();
    void automaticReadingChoosesTheCommand_data();
    void automaticReadingChoosesTheCommand();
    void placesOfAWindowRun();
    void escStopsALoadedEnginesRead();
};

void TestRecognitionEngine::readsRenderedSentence_data() {
    QTest::addColumn<QString>("language");
    QTest::addColumn<int>("languageRow");
    QTest::addColumn<QString>("sentence");
    QTest::addColumn<bool>("resident");
    QTest::newRow("jpn") << QStringLiteral("jpn") << 0
                         << QStringLiteral("日本語の文章を読み取ります。") << true;
    QTest::newRow("eng") << QStringLiteral("eng") << 1
                         << QStringLiteral("The quick brown fox jumps over the lazy dog") << true;
    QTest::newRow("jpn through the batch")
        << QStringLiteral("jpn") << 0 << QStringLiteral("日本語の文章を読み取ります。") << false;
}

void TestRecognitionEngine::readsRenderedSentence() {
    QFETCH(QString, language);
    QFETCH(int, languageRow);
    QFETCH(QString, sentence);
    QFETCH(bool, resident);
    qputenv("QUILLPIX_ENGINE", resident ? "" : "batch");
    const QString engine = QStandardPaths::findExecutable(QStringLiteral("tesseract"));
    if (engine.isEmpty())
        QSKIP("tesseract is not installed");
    if (!installedLanguages(engine).contains(language))
        QSKIP(qPrintable(QStringLiteral("tesseract has no %1 data").arg(language)));

    const QImage picture = textPicture(sentence, 48, QSize(1400, 120));
    Lists lists;
    lists.psm = QStringList{QStringLiteral("単一行:7")};
    Session s(lists, {}, picture);
    s.chooseItems(0, languageRow, 0);
    // The crop reaches past the picture's edges, which reads as paper.
    s.select(0, 0, picture.width(), picture.height());
    s.c().cmdRecognize->click();

    QVERIFY2(s.platform.messages.isEmpty(), qPrintable(s.platform.messages.join(u'\n')));
    const QString text = s.c().txtResult->text();
    QVERIFY2(text.endsWith(QLatin1Char('\r')), qPrintable(text));
    // The engine puts spaces between Japanese characters; the clean-up takes most of them.
    const QString compact = language == QStringLiteral("jpn")
                                ? QString(text).remove(QLatin1Char(' ')).trimmed()
                                : text.trimmed();
    QVERIFY2(compact.contains(sentence), qPrintable(text));
    QCOMPARE(s.platform.sounds, QStringList{s.parentFolder() + QStringLiteral("/wav/start.wav")});
    // Every run goes through the platform; the installed engine answers from the loaded models
    // and the batch's programs are left alone.
    QCOMPARE(s.platform.batchRuns.size(), 1);
    QCOMPARE(s.platform.batchRuns.first().report.resident, resident);
}

void TestRecognitionEngine::greyGoesAsGreyWithTheSameText_data() {
    QTest::addColumn<QString>("stored"); // how the picture file holds the scan
    QTest::addColumn<bool>("resident");
    for (const bool resident : {true, false}) {
        const char* way = resident ? ", loaded engine" : ", through the batch";
        QTest::newRow(qPrintable(QStringLiteral("grey in 24-bit colour") + way))
            << QStringLiteral("24-bit") << resident;
        QTest::newRow(qPrintable(QStringLiteral("grey in 8 bits") + way))
            << QStringLiteral("8-bit") << resident;
        QTest::newRow(qPrintable(QStringLiteral("colour") + way))
            << QStringLiteral("colour") << resident;
    }
}

// A grey scan goes to the engine as an 8-bit bitmap whose pixels read back as the cut-out's,
// and the engine reads from it the very text it read from the 24-bit bitmap every run wrote
// before; a colour picture still goes in colour.
void TestRecognitionEngine::greyGoesAsGreyWithTheSameText() {
    QFETCH(QString, stored);
    QFETCH(bool, resident);
    qputenv("QUILLPIX_ENGINE", resident ? "" : "batch");
    const QString engine = QStandardPaths::findExecutable(QStringLiteral("tesseract"));
    if (engine.isEmpty() || !installedLanguages(engine).contains(QStringLiteral("jpn")))
        QSKIP("tesseract with jpn data is not installed");

    // Four lines of an A5 page at 300 dpi, blurred and noisy as a scanner gives them.
    QStringList paragraphs;
    for (int k = 0; k < 4; ++k)
        paragraphs << workspace::japaneseProse()[k];
    const workspace::TextPage page = workspace::textPage(paragraphs, workspace::PageStyle{});
    workspace::ScanStyle scan;
    scan.blurSigma = 0.7;
    scan.noiseSigma = 8;
    const QImage grey = workspace::scanned(workspace::cropLines(page, 0, 4, 20).image, scan);
    QImage picture = grey.convertToFormat(QImage::Format_RGB32);
    if (stored == QLatin1String("8-bit"))
        picture = grey;
    else if (stored == QLatin1String("colour"))
        picture.setPixel(picture.width() - 1, picture.height() - 1, qRgb(250, 240, 255));

    Lists lists;
    lists.psm = QStringList{QStringLiteral("単一ブロック:6")};
    Session s(lists, {}, picture);
    s.chooseItems(0, 0, 0);
    s.select(0, 0, picture.width(), picture.height());
    s.c().cmdRecognize->click();
    QVERIFY2(s.platform.messages.isEmpty(), qPrintable(s.platform.messages.join(u'\n')));
    QCOMPARE(s.platform.batchRuns.first().report.resident, resident);

    // The cut-out: the picture less its first row and column, as the selection's frame lies.
    const QImage cutOut = picture.copy(1, 1, picture.width() - 1, picture.height() - 1)
                              .convertToFormat(QImage::Format_RGB32);
    QFile work(s.workFile(QStringLiteral("tmp.bmp")));
    QVERIFY(work.open(QIODevice::ReadOnly));
    const QByteArray header = work.read(30);
    QCOMPARE(int(uchar(header[28])), stored == QLatin1String("colour") ? 24 : 8);
    QCOMPARE(QImage(s.workFile(QStringLiteral("tmp.bmp"))).convertToFormat(QImage::Format_RGB32),
             cutOut);

    // Before, every run gave the engine the cut-out as a 24-bit bitmap.
    QTemporaryDir before;
    QVERIFY(cutOut.save(before.filePath(QStringLiteral("tmp.bmp")), "BMP"));
    {
        // The same resolution told: the resolution fields as the run wrote them.
        QFile colourBitmap(before.filePath(QStringLiteral("tmp.bmp")));
        QVERIFY(colourBitmap.open(QIODevice::ReadWrite) && colourBitmap.seek(38));
        QVERIFY(work.seek(38));
        QCOMPARE(colourBitmap.write(work.read(8)), 8);
    }
    QProcess cli;
    cli.setWorkingDirectory(before.path());
    cli.start(engine, {QStringLiteral("tmp.bmp"), QStringLiteral("tmp"), QStringLiteral("-l"),
                       QStringLiteral("jpn"), QStringLiteral("--psm"), QStringLiteral("6")});
    QVERIFY(cli.waitForFinished(120000));
    QFile then(before.filePath(QStringLiteral("tmp.txt"))),
        now(s.workFile(QStringLiteral("tmp.txt")));
    QVERIFY(then.open(QIODevice::ReadOnly) && now.open(QIODevice::ReadOnly));
    const QByteArray text = now.readAll();
    QVERIFY2(text.size() > 60, text.constData());
    QCOMPARE(text, then.readAll());
}

void TestRecognitionEngine::automaticReadingChoosesTheCommand_data() {
    QTest::addColumn<QImage>("picture");
    QTest::addColumn<QString>("settings");  // the end of the command the run shows
    QTest::addColumn<QStringList>("lines"); // in reading order
    const QStringList rows{QStringLiteral("日本語の文章を読み取ります。"),
                           QStringLiteral("検索できる文書を作りましょう。")};
    QTest::newRow("horizontal lines")
        << workspace::linesPicture(rows, QSize(900, 240), 48, {40, 80, 90})
        << QStringLiteral("-l jpn --psm 6 ") << rows;
    const QStringList columns{QStringLiteral("縦書きの文章です。"),
                              QStringLiteral("右の列から読みます。"),
                              QStringLiteral("列は左へ進みます。")};
    QTest::newRow("vertical columns")
        << workspace::columnsPicture(columns, QSize(560, 680), 48, {56, 100, 40, 500})
        << QStringLiteral("-l jpn_vert --psm 5 ") << columns;
}

// With "自動" the run finds the direction, shows and writes the command it runs, and 実行
// repeats that command on the picture as the run prepared it: the same text again.
void TestRecognitionEngine::automaticReadingChoosesTheCommand() {
    QFETCH(QImage, picture);
    QFETCH(QString, settings);
    QFETCH(QStringList, lines);
    qunsetenv("QUILLPIX_ENGINE");
    const QString engine = QStandardPaths::findExecutable(QStringLiteral("tesseract"));
    if (engine.isEmpty())
        QSKIP("tesseract is not installed");
    const QStringList languages = installedLanguages(engine);
    if (!languages.contains(QStringLiteral("jpn")) ||
        !languages.contains(QStringLiteral("jpn_vert")))
        QSKIP("tesseract has no jpn or jpn_vert data");

    Lists lists;
    lists.lang = QStringList{QStringLiteral("自動"), QStringLiteral("jpn")};
    Session s(lists, {}, picture);
    s.chooseItems(0, 0, 0);
    s.select(0, 0, picture.width(), picture.height());
    s.c().cmdRecognize->click();

    QVERIFY2(s.platform.messages.isEmpty(), qPrintable(s.platform.messages.join(u'\n')));
    const QString command = s.c().txtBat->text();
    QVERIFY2(command.endsWith(settings), qPrintable(command));
    // The command's mode differs from the list's 自動:3; the reason is on the command.
    const QString mode = settings.trimmed().section(QLatin1Char(' '), -1);
    QVERIFY2(s.c().txtBat->toolTip().contains(QStringLiteral("--psm ") + mode),
             qPrintable(s.c().txtBat->toolTip()));
    QFile batch(s.workFile(QStringLiteral("tess.bat")));
    QVERIFY(batch.open(QIODevice::ReadOnly));
    QCOMPARE(batch.readAll(), command.toUtf8() + "\r\n");
    const QString first = s.c().txtResult->text();
    QVERIFY2(QString(first).remove(QLatin1Char(' ')).contains(lines.join(QStringLiteral("\r\n"))),
             qPrintable(first));

    // A page of text regions is read region by region; 実行 reads the prepared page in one run.
    const qsizetype runs = s.platform.batchRuns.size();
    s.c().cmdDirect->click();
    const QString again = s.c().txtResult->text();
    QVERIFY(again.startsWith(first));
    QCOMPARE(QString(again.mid(first.size())).remove(QRegularExpression(QStringLiteral("\\s"))),
             QString(first).remove(QRegularExpression(QStringLiteral("\\s"))));
    QCOMPARE(s.platform.batchRuns.size(), runs + 1);
}

// A window run keeps each character's place on the picture: on its ink, wherever the selection
// lay; the caret frames it, a click on it finds it, the engine offers other choices for it, and
// the places come back with the saved result.
void TestRecognitionEngine::placesOfAWindowRun() {
    qunsetenv("QUILLPIX_ENGINE");
    const QString engine = QStandardPaths::findExecutable(QStringLiteral("tesseract"));
    if (engine.isEmpty() || !installedLanguages(engine).contains(QStringLiteral("jpn")))
        QSKIP("tesseract with jpn data is not installed");
    // The text stands away from the picture's corner, so the selection's place counts.
    QImage picture(760, 330, QImage::Format_RGB32);
    picture.fill(Qt::white);
    const QImage text = workspace::textPicture(
        {QStringLiteral("雨の日は静かに本を読む。"), QStringLiteral("窓の外で鳥が鳴いている。")},
        QSize(560, 150), 40);
    {
        QPainter painter(&picture);
        painter.drawImage(150, 120, text);
    }
    Lists lists;
    Session s(lists, {}, picture);
    s.chooseItems(1, 0, 0); // jpn, single block
    s.select(140, 110, 720, 280);
    s.c().cmdRecognize->click();
    QVERIFY2(s.platform.messages.isEmpty(), qPrintable(s.platform.messages.join(u'\n')));
    // The loaded engine told how far it had come as it went.
    QVERIFY(s.window().runState().progress() > 0 && s.window().runState().progress() <= 100);

    ResultMarks& marks = s.window().resultText().marks();
    const QList<textplacing::Place> places = marks.places().places();
    const QString read = textbox::toEditor(s.c().txtResult->text());
    QVERIFY2(places.size() >= 18, qPrintable(read));
    for (const textplacing::Place& place : places) {
        QVERIFY(QRect(140, 110, 580, 170).contains(place.box));
        int ink = 0;
        for (int y = place.box.top(); y <= place.box.bottom(); ++y)
            for (int x = place.box.left(); x <= place.box.right(); ++x)
                ink += qGray(picture.pixel(x, y)) < 128;
        QVERIFY2(ink > 0, qPrintable(read.mid(place.at, 1)));
    }
    // The caret on the third character frames its box; a click on the fifth's finds it.
    auto* frames = s.c().picDisp->findChild<PlaceFrames*>();
    QVERIFY(frames);
    QTextCursor cursor = s.c().txtResult->textCursor();
    cursor.setPosition(int(places[2].at));
    s.c().txtResult->setTextCursor(cursor);
    QCOMPARE(frames->current(), places[2].box);
    const int border = s.c().picDisp->borderWidth();
    QTest::mouseClick(s.c().picDisp, Qt::LeftButton, {},
                      places[4].box.center() + QPoint(border, border));
    QCOMPARE(s.c().txtResult->textCursor().selectionStart(), int(places[4].at));

    // The engine's other choices for the characters read: some offered, none the character.
    int offered = 0;
    for (const textplacing::Place& place : places) {
        const QStringList choices =
            s.platform.alternativesAt(s.window().viewer().fullPicture(), place.box, false);
        offered += choices.size() > 1;
        QVERIFY(choices.isEmpty() || !choices.mid(1).contains(choices.first()));
    }
    QVERIFY(offered > 0);

    // Saved and chosen again: the same places (the certainty kept to a tenth).
    const auto described = [](const QList<textplacing::Place>& list) {
        QStringList out;
        for (const textplacing::Place& p : list)
            out << QStringLiteral("%1 %2,%3 %4x%5 %6 %7")
                       .arg(p.at)
                       .arg(p.box.x())
                       .arg(p.box.y())
                       .arg(p.box.width())
                       .arg(p.box.height())
                       .arg(p.doubtful)
                       .arg(qRound(p.confidence * 10));
        return out;
    };
    s.c().cmdSaveText->click();
    s.window().viewer().chooseFile();
    QCOMPARE(described(marks.places().places()), described(places));
}

// Esc while the loaded engine reads a page: the window answers meanwhile, the engine ends at its
// next word, the box keeps its text and the window says the run was stopped.
void TestRecognitionEngine::escStopsALoadedEnginesRead() {
    qunsetenv("QUILLPIX_ENGINE");
    const QString engine = QStandardPaths::findExecutable(QStringLiteral("tesseract"));
    if (engine.isEmpty() || !installedLanguages(engine).contains(QStringLiteral("jpn")))
        QSKIP("tesseract with jpn data is not installed");
    const QImage page =
        workspace::textPage(workspace::japaneseProse(), workspace::PageStyle{}).image;
    Session s({}, {}, page);
    QVERIFY(s.showActive());
    s.chooseItems(1, 0, 0); // jpn, single block
    s.select(0, 0, page.width() - 1, page.height() - 1);
    s.c().txtResult->setText(QStringLiteral("前から\r\n"));
    // Pressed once the engine has told how far it has come: it is reading.
    bool pressed = false;
    QTimer watch;
    watch.setInterval(10);
    connect(&watch, &QTimer::timeout, this, [&] {
        if (pressed || s.window().runState().progress() < 0)
            return;
        pressed = true;
        QTest::keyClick(&s.window(), Qt::Key_Escape);
    });
    watch.start();
    s.c().cmdRecognize->click();
    QVERIFY(pressed);
    QCOMPARE(s.c().txtResult->text(), QStringLiteral("前から\r\n"));
    QCOMPARE(s.platform.messages, QStringList());
    QCOMPARE(s.platform.notices, QStringList{RecognitionHandler::stoppedNotice()});
    QVERIFY(!s.waitCursor());
}

QTEST_MAIN(TestRecognitionEngine)
#include "test_recognition_engine.moc"
