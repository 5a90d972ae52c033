#include "engineidentity.h"
#include "plaincall.h"
#include "residentengine.h"
#include "textpicture.h"

#include <QDir>
#include <QFile>
#include <QFont>
#include <QImage>
#include <QPainter>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

using namespace quillpix::engine;

namespace {

// One field per part of the call, so a table row shows the whole reading at a glance.
QString describe(const std::optional<PlainCall>& call) {
    if (!call)
        return QStringLiteral("batch");
    QStringList variables;
    for (const auto& [name, value] : call->variables)
        variables << name + QLatin1Char('=') + value;
    return QStringList{call->image,
                       call->outputBase,
                       call->languages,
                       QString::number(call->psm),
                       QString::number(call->oem),
                       QString::number(call->dpi),
                       variables.join(QLatin1Char(',')),
                       call->tessdataDir,
                       call->userWords,
                       call->userPatterns,
                       call->configs.join(QLatin1Char(','))}
        .join(QLatin1Char('|'));
}

QImage textPicture(const QStringList& lines, const QSize& size, int pixelSize, bool vertical) {
    if (!vertical)
        return quillpix::workspace::textPicture(lines, size, pixelSize,
                                                Qt::AlignLeft | Qt::AlignVCenter, 20);
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    QFont font(QStringLiteral("Noto Sans CJK JP"));
    font.setPixelSize(pixelSize);
    painter.setFont(font);
    painter.setPen(Qt::black);
    // One column, characters top to bottom.
    const QString text = lines.join(QString());
    for (int i = 0; i < text.size(); ++i)
        painter.drawText(QRect(size.width() / 2 - pixelSize, 20 + i * (pixelSize + 6),
                               2 * pixelSize, pixelSize + 6),
                         Qt::AlignCenter, text.mid(i, 1));
    return image;
}

QImage picture(const QString& name) {
    if (name == QLatin1String("japanese"))
        return textPicture({QStringLiteral("本日は晴天なり、明日は雨が降るでしょう。")},
                           QSize(1100, 110), 44, false);
    if (name == QLatin1String("english")) {
        // Wide gaps between the words, which only preserve_interword_spaces keeps.
        QImage image(1200, 110, QImage::Format_RGB32);
        image.fill(Qt::white);
        QPainter painter(&image);
        QFont font(QStringLiteral("Noto Sans CJK JP"));
        font.setPixelSize(40);
        painter.setFont(font);
        int x = 20;
        for (const QString& word : QStringLiteral("Total 12 apples 7 pears").split(u' ')) {
            painter.drawText(x, 70, word);
            x += painter.fontMetrics().horizontalAdvance(word) + 80;
        }
        return image;
    }
    if (name == QLatin1String("vertical"))
        return textPicture({QStringLiteral("縦書きの文章を読み取ります")}, QSize(140, 700), 40,
                           true);
    return textPicture({QStringLiteral("第1章 概要"),
                        QStringLiteral("この文書は、読み取りの速さを確かめるための見本です。"),
                        QStringLiteral("Tesseract reads the text of scanned pages."),
                        QStringLiteral("漢字とかなと English words が混ざった行。"),
                        QStringLiteral("最後の行には数字 2024 年 5 月 1 日 があります。")},
                       QSize(1200, 600), 38, false);
}

QByteArray contents(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<no file>");
}

QString installedEngine() {
    return installedProgram();
}

} // namespace

class TestEngine : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void readsPlainCalls_data();
    void readsPlainCalls();
    void residentOutputEqualsCommandLine_data();
    void residentOutputEqualsCommandLine();
    void onlyTheInstalledEngineRunsResident_data();
    void onlyTheInstalledEngineRunsResident();

private:
    ResidentEngine m_engine; // shared by the rows, as the window shares it between runs
};

void TestEngine::readsPlainCalls_data() {
    QTest::addColumn<QString>("batch");
    QTest::addColumn<QString>("reading");
    const QString batch = QStringLiteral("batch");
    QTest::newRow("the window's own command")
        << "tesseract /w/bin/tmp.bmp /w/bin/tmp -l jpn --psm 6 \r\n"
        << "/w/bin/tmp.bmp|/w/bin/tmp|jpn|6|3|0|||||";
    QTest::newRow("option list entry")
        << "tesseract a.bmp tmp -l jpn+eng --psm 7 -c preserve_interword_spaces=1"
        << "a.bmp|tmp|jpn+eng|7|3|0|preserve_interword_spaces=1||||";
    QTest::newRow("options first, configs last, later -l wins")
        << "\ttesseract --oem 1 -l eng a.bmp out -l jpn_vert --dpi 300 txt quiet"
        << "a.bmp|out|jpn_vert|3|1|300|||||txt,quiet";
    QTest::newRow("quoted folder with spaces")
        << "tesseract \"/my w/tmp.bmp\" \"/my w/tmp\" --tessdata-dir \"/d d\" --user-words uw "
           "--user-patterns up"
        << "/my w/tmp.bmp|/my w/tmp|eng|3|3|0||/d d|uw|up|";
    QTest::newRow("another program") << "tess a.bmp out" << batch;
    QTest::newRow("pause line") << "tesseract a.bmp out\r\npause\r\n" << batch;
    QTest::newRow("two commands") << "tesseract a.bmp out\r\ntesseract b.bmp out\r\n" << batch;
    QTest::newRow("redirection") << "tesseract a.bmp out > log" << batch;
    QTest::newRow("ampersand") << "tesseract a.bmp out & del a.bmp" << batch;
    QTest::newRow("variable") << "tesseract %1 out" << batch;
    QTest::newRow("shell quote") << "tesseract 'a b.bmp' out" << batch;
    QTest::newRow("open quote") << "tesseract \"a b.bmp out" << batch;
    QTest::newRow("no output base") << "tesseract a.bmp" << batch;
    QTest::newRow("option as output base") << "tesseract a.bmp -l jpn" << batch;
    QTest::newRow("standard input") << "tesseract stdin out" << batch;
    QTest::newRow("standard output") << "tesseract a.bmp stdout" << batch;
    QTest::newRow("option without value") << "tesseract a.bmp out -l" << batch;
    QTest::newRow("option after config") << "tesseract a.bmp out txt -l jpn" << batch;
    QTest::newRow("config with a folder") << "tesseract a.bmp out my/conf" << batch;
    QTest::newRow("unknown option") << "tesseract a.bmp out --loglevel OFF" << batch;
    QTest::newRow("psm 0 osd only") << "tesseract a.bmp out --psm 0" << batch;
    QTest::newRow("psm 2 no ocr") << "tesseract a.bmp out --psm 2" << batch;
    QTest::newRow("psm 14") << "tesseract a.bmp out --psm 14" << batch;
    QTest::newRow("psm by name") << "tesseract a.bmp out --psm single_line" << batch;
    QTest::newRow("oem 4") << "tesseract a.bmp out --oem 4" << batch;
    QTest::newRow("variable without =") << "tesseract a.bmp out -c novalue" << batch;
    QTest::newRow("another output format")
        << "tesseract a.bmp out -c tessedit_create_hocr=1" << batch;
    QTest::newRow("file variable") << "tesseract a.bmp out -c debug_file=log" << batch;
}

void TestEngine::readsPlainCalls() {
    QFETCH(QString, batch);
    QFETCH(QString, reading);
    QCOMPARE(describe(plainCall(simpleWords(batch))), reading);
}

void TestEngine::residentOutputEqualsCommandLine_data() {
    QTest::addColumn<QString>("picture");
    QTest::addColumn<QString>("options");
    QTest::addColumn<int>("outcome");
    const int written = int(Outcome::Written);
    QTest::newRow("japanese jpn 7") << "japanese"
                                    << "-l jpn --psm 7" << written;
    QTest::newRow("japanese jpn+eng 6") << "japanese"
                                        << "-l jpn+eng --psm 6" << written;
    QTest::newRow("english eng 7 spaces")
        << "english"
        << "-l eng --psm 7 -c preserve_interword_spaces=1" << written;
    QTest::newRow("english eng 6 dpi txt") << "english"
                                           << "-l eng --psm 6 --dpi 300 txt" << written;
    QTest::newRow("english digits quiet") << "english"
                                          << "-l eng --psm 7 digits quiet" << written;
    QTest::newRow("vertical jpn_vert 5") << "vertical"
                                         << "-l jpn_vert --psm 5" << written;
    QTest::newRow("block jpn 3") << "block"
                                 << "-l jpn --psm 3" << written;
    QTest::newRow("block jpn+eng 6 spaces")
        << "block"
        << "-l jpn+eng --psm 6 -c preserve_interword_spaces=1" << written;
    QTest::newRow("language not installed") << "japanese"
                                            << "-l qqq --psm 7" << int(Outcome::Failed);
    QTest::newRow("unreadable picture") << "broken"
                                        << "-l eng --psm 7" << int(Outcome::Failed);
    QTest::newRow("config for another format")
        << "english"
        << "-l eng --psm 7 hocr" << int(Outcome::NotResident);
}

void TestEngine::residentOutputEqualsCommandLine() {
    QFETCH(QString, picture);
    QFETCH(QString, options);
    QFETCH(int, outcome);
    const QString engine = installedEngine();
    if (engine.isEmpty())
        QSKIP("the engine's command-line program is not installed");
    QTemporaryDir dir;
    const QString image = dir.filePath(QStringLiteral("in.bmp"));
    if (picture == QLatin1String("broken")) {
        QFile file(image);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("BM not really a picture");
    } else {
        QVERIFY(::picture(picture).save(image));
    }
    const QStringList extra = options.split(QLatin1Char(' '));

    QProcess cli;
    cli.setWorkingDirectory(dir.path());
    cli.start(engine, QStringList{QStringLiteral("in.bmp"), QStringLiteral("cli")} + extra);
    QVERIFY(cli.waitForFinished(120000));

    // Twice, so the second run shows that nothing of the first one stays behind.
    for (const QString& base : {QStringLiteral("resident"), QStringLiteral("again")}) {
        const auto call = plainCall(
            QStringList{QStringLiteral("tesseract"), QStringLiteral("in.bmp"), base} + extra);
        QVERIFY(call);
        QCOMPARE(int(m_engine.run(*call, dir.path())), outcome);
        if (outcome == int(Outcome::NotResident)) {
            QVERIFY(!QFile::exists(dir.filePath(base + QStringLiteral(".txt"))));
            return;
        }
        QCOMPARE(contents(dir.filePath(base + QStringLiteral(".txt"))),
                 contents(dir.filePath(QStringLiteral("cli.txt"))));
    }
    // Only the output files: no partial file is left beside them.
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files).size(),
             QFile::exists(dir.filePath(QStringLiteral("cli.txt"))) ? 4 : 1);
    if (outcome == int(Outcome::Written))
        QVERIFY(!contents(dir.filePath(QStringLiteral("cli.txt"))).trimmed().isEmpty());
}

void TestEngine::onlyTheInstalledEngineRunsResident_data() {
    QTest::addColumn<QString>("first");
    QTest::addColumn<bool>("resident");
    QTest::newRow("installed program") << "installed" << true;
    QTest::newRow("link to it") << "link" << true;
    QTest::newRow("stand-in script") << "script" << false;
    QTest::newRow("copy of the program") << "copy" << false;
    QTest::newRow("resident runs switched off") << "switched off" << false;
}

void TestEngine::onlyTheInstalledEngineRunsResident() {
    QFETCH(QString, first);
    QFETCH(bool, resident);
    const QString engine = installedEngine();
    if (engine.isEmpty())
        QSKIP("the engine's command-line program is not installed");
    QTemporaryDir dir;
    const QString folder = dir.filePath(QStringLiteral("first"));
    QVERIFY(QDir().mkpath(folder));
    const QString program = folder + QStringLiteral("/tesseract");
    if (first == QLatin1String("link")) {
        QVERIFY(QFile::link(engine, program));
    } else if (first == QLatin1String("copy")) {
        QVERIFY(QFile::copy(engine, program));
    } else if (first == QLatin1String("script")) {
        QFile script(program);
        QVERIFY(script.open(QIODevice::WriteOnly));
        script.write("#!/bin/sh\n"
                     "[ \"$1\" = --version ] && exec " +
                     engine.toUtf8() +
                     " \"$@\"\n"
                     "printf 'stand-in\\n' > \"$2.txt\"\n");
        script.close();
        script.setPermissions(script.permissions() | QFileDevice::ExeOwner);
    }
    const QByteArray oldPath = qgetenv("PATH");
    qputenv("PATH", folder.toUtf8() + ':' + QFileInfo(engine).path().toUtf8() + ':' + oldPath);
    if (first == QLatin1String("switched off"))
        qputenv("QUILLPIX_ENGINE", "batch");
    QVERIFY(textPicture({QStringLiteral("Resident")}, QSize(400, 100), 40, false)
                .save(dir.filePath(QStringLiteral("in.bmp"))));

    ResidentEngine engineHere;
    const Outcome outcome = engineHere.runBatchText(
        QStringLiteral("tesseract in.bmp out -l eng --psm 7 \r\n"), dir.path());
    const bool identified = engineHere.identifyPathProgram(dir.path()).same;
    qputenv("PATH", oldPath);
    qunsetenv("QUILLPIX_ENGINE");

    QCOMPARE(outcome, resident ? Outcome::Written : Outcome::NotResident);
    QCOMPARE(QFile::exists(dir.filePath(QStringLiteral("out.txt"))), resident);
    QCOMPARE(identified, first != QLatin1String("script") && first != QLatin1String("copy"));
}

QTEST_MAIN(TestEngine)
#include "test_engine.moc"
