#include "booktext.h"
#include "cp932.h"
#include "failure.h"
#include "textfiles.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QPainter>
#include <QPdfWriter>
#include <QTemporaryDir>
#include <QtTest>

using namespace quillpix;

namespace {

QByteArray readBytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<none>");
}

void writeBytes(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(bytes);
}

} // namespace

class TestBookText : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void joinPages_data();
    void joinPages();
    void resultPaths_data();
    void resultPaths();
    void writeJoined_data();
    void writeJoined();
    void upToDate_data();
    void upToDate();
    void upToDateInItsEncoding_data();
    void upToDateInItsEncoding();
    void pageResultChanged_data();
    void pageResultChanged();
};

void TestBookText::joinPages_data() {
    QTest::addColumn<QStringList>("pages");
    QTest::addColumn<QStringList>("lines");
    const QString ff = QStringLiteral("\f");
    QTest::newRow("one page: its lines, no page break")
        << QStringList{QStringLiteral("一行目\r\n二行目\r\n")}
        << QStringList{QStringLiteral("一行目"), QStringLiteral("二行目")};
    QTest::newRow("three pages: a break before the second and the third")
        << QStringList{"a\r\n", "b\r\nc\r\n", "d\r\n"} << QStringList{"a", ff, "b", "c", ff, "d"};
    QTest::newRow("an empty page still counts")
        << QStringList{"a\r\n", "", "c\r\n"} << QStringList{"a", ff, ff, "c"};
    QTest::newRow("a blank line of a page stays")
        << QStringList{"a\r\n\r\nb\r\n", "c\r\n"} << QStringList{"a", "", "b", ff, "c"};
    QTest::newRow("a lone LF stays inside its line")
        << QStringList{"a\nb\r\n", "c\r\n"} << QStringList{"a\nb", ff, "c"};
    QTest::newRow("no pages") << QStringList() << QStringList();
}

void TestBookText::joinPages() {
    QFETCH(QStringList, pages);
    QFETCH(QStringList, lines);
    QCOMPARE(textfiles::joinPages(pages), lines);
}

void TestBookText::resultPaths_data() {
    QTest::addColumn<QStringList>("paths");
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("a document of three pages")
        << booktext::documentPageResults(QStringLiteral("/f"), QStringLiteral("scan.pdf"), 3)
        << QStringList{"/f/scan.pdf.p1.txt", "/f/scan.pdf.p2.txt", "/f/scan.pdf.p3.txt"};
    QTest::newRow("a document of two pages")
        << booktext::documentPageResults(QStringLiteral("/f"), QStringLiteral("scan.tif"), 2)
        << QStringList{"/f/scan.tif.p1.txt", "/f/scan.tif.p2.txt"};
    QTest::newRow("a document of one page has no page results")
        << booktext::documentPageResults(QStringLiteral("/f"), QStringLiteral("one.pdf"), 1)
        << QStringList();
    QTest::newRow("the document's own text")
        << QStringList{booktext::documentTextPath(QStringLiteral("/f"), QStringLiteral("scan.pdf"))}
        << QStringList{"/f/scan.pdf.txt"};
    QTest::newRow("a folder: pictures and pages in the listing's order")
        << booktext::bookResults(QStringLiteral("/f"),
                                 {{QStringLiteral("a.jpg"), QStringLiteral("a.jpg"), -1},
                                  {QStringLiteral("b.pdf (1/2)"), QStringLiteral("b.pdf"), 0},
                                  {QStringLiteral("b.pdf (2/2)"), QStringLiteral("b.pdf"), 1},
                                  {QStringLiteral("c.pdf"), QStringLiteral("c.pdf"), -1}})
        << QStringList{"/f/a.jpg.txt", "/f/b.pdf.p1.txt", "/f/b.pdf.p2.txt", "/f/c.pdf.txt"};
}

void TestBookText::resultPaths() {
    QFETCH(QStringList, paths);
    QFETCH(QStringList, expected);
    QCOMPARE(paths, expected);
}

void TestBookText::writeJoined_data() {
    QTest::addColumn<QList<QByteArray>>("results"); // "<none>" for a missing one
    QTest::addColumn<QList<int>>("missing");
    QTest::addColumn<QByteArray>("written"); // "<none>" when nothing is written
    QTest::newRow("every page there: code page 932, CR LF, form-feed lines")
        << QList<QByteArray>{cp932::encode(QStringLiteral("一\r\n")), "b\r\n",
                             cp932::encode(QStringLiteral("三\r\n"))}
        << QList<int>() << cp932::encode(QStringLiteral("一\r\n\f\r\nb\r\n\f\r\n三\r\n"));
    // A page in UTF-8 may hold what code page 932 cannot: the joined text is UTF-8 then.
    QTest::newRow("a page edited elsewhere in UTF-8 makes the text UTF-8")
        << QList<QByteArray>{"\xEF\xBB\xBF" + QStringLiteral("鷗\r\n").toUtf8(), "b\r\n"}
        << QList<int>() << QStringLiteral("鷗\n\f\nb\n").toUtf8();
    QTest::newRow("a page in UTF-16 is read, and joined as UTF-8")
        << QList<QByteArray>{"a\r\n", QByteArray("\xFF\xFE\x97\x9dZ\0\r\0\n\0", 10)} << QList<int>()
        << QStringLiteral("a\n\f\n鶗Z\n").toUtf8();
    QTest::newRow("a page holding a NUL is no text: nothing written")
        << QList<QByteArray>{"a\r\n", QByteArray("b\0c\r\n", 5)} << QList<int>{-1}
        << QByteArray("<none>");
    QTest::newRow("a page without a line end gets one")
        << QList<QByteArray>{"a", "b"} << QList<int>() << QByteArray("a\r\n\f\r\nb\r\n");
    QTest::newRow("the second page missing: nothing written")
        << QList<QByteArray>{"a\r\n", "<none>", "c\r\n"} << QList<int>{1} << QByteArray("<none>");
    QTest::newRow("every page missing")
        << QList<QByteArray>{"<none>", "<none>"} << QList<int>{0, 1} << QByteArray("<none>");
    QTest::newRow("nothing to join") << QList<QByteArray>() << QList<int>() << QByteArray("<none>");
}

void TestBookText::writeJoined() {
    QFETCH(QList<QByteArray>, results);
    QFETCH(QList<int>, missing);
    QFETCH(QByteArray, written);
    QTemporaryDir dir;
    QStringList paths;
    for (qsizetype i = 0; i < results.size(); ++i) {
        paths << textfiles::savedResultPath(dir.path(), QStringLiteral("scan.pdf"), int(i));
        if (results[i] != "<none>")
            writeBytes(paths.last(), results[i]);
    }
    const QString target = booktext::documentTextPath(dir.path(), QStringLiteral("scan.pdf"));
    // {-1}: the join fails on a page that is no text.
    if (missing == QList<int>{-1})
        QVERIFY_THROWS_EXCEPTION(Failure, booktext::writeJoined(paths, target));
    else
        QCOMPARE(booktext::writeJoined(paths, target), missing);
    QCOMPARE(readBytes(target), written);
    // Nothing is left beside the results but the joined text.
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(),
             results.size() - (missing == QList<int>{-1} ? 0 : missing.size()) +
                 (written == "<none>" ? 0 : 1));
}

void TestBookText::upToDate_data() {
    QTest::addColumn<QList<int>>("sourceAges"); // seconds before now; -1 for a missing source
    QTest::addColumn<int>("targetAge");         // -1 for no target
    QTest::addColumn<bool>("upToDate");
    QTest::newRow("written after every source") << QList<int>{30, 20} << 10 << true;
    QTest::newRow("written in the same moment as the last") << QList<int>{30, 10} << 10 << true;
    QTest::newRow("a source written since") << QList<int>{30, 9} << 10 << false;
    QTest::newRow("the first source written since") << QList<int>{5, 30} << 10 << false;
    QTest::newRow("no target") << QList<int>{30} << -1 << false;
    QTest::newRow("a source gone") << QList<int>{30, -1} << 10 << false;
}

void TestBookText::upToDate() {
    QFETCH(QList<int>, sourceAges);
    QFETCH(int, targetAge);
    QFETCH(bool, upToDate);
    QTemporaryDir dir;
    const QDateTime now = QDateTime::currentDateTime();
    const auto make = [&](const QString& name, int age) {
        const QString path = dir.filePath(name);
        if (age < 0)
            return path;
        writeBytes(path, "x");
        QFile file(path);
        file.open(QIODevice::ReadWrite);
        file.setFileTime(now.addSecs(-age), QFileDevice::FileModificationTime);
        return path;
    };
    QStringList sources;
    for (qsizetype i = 0; i < sourceAges.size(); ++i)
        sources << make(QStringLiteral("s%1.txt").arg(i), sourceAges[i]);
    QCOMPARE(booktext::upToDate(make(QStringLiteral("joined.txt"), targetAge), sources), upToDate);
}

void TestBookText::upToDateInItsEncoding_data() {
    QTest::addColumn<QByteArray>("page");   // the second page; the first is code page 932
    QTest::addColumn<QByteArray>("joined"); // the joined text, written after both
    QTest::addColumn<bool>("utf8Asked");
    QTest::addColumn<bool>("upToDate");
    const QByteArray mark("\xEF\xBB\xBF");
    QTest::newRow("Shift-JIS pages, a Shift-JIS text")
        << QByteArray("b\r\n") << QByteArray("x\r\n") << false << true;
    QTest::newRow("UTF-8 asked, a Shift-JIS text: joined again")
        << QByteArray("b\r\n") << QByteArray("x\r\n") << true << false;
    QTest::newRow("a UTF-8 page, a Shift-JIS text: joined again")
        << mark + "b\n"
        << QByteArray("x\r\n") << false << false;
    QTest::newRow("a UTF-8 page, a UTF-8 text: up to date though Shift-JIS is asked")
        << mark + "b\n"
        << mark + "x\n"
        << false << true;
}

// A joined text is up to date in the encoding it must be written in, not the one asked for
// alone: otherwise a document holding a UTF-8 page would be joined again by every batch.
void TestBookText::upToDateInItsEncoding() {
    QFETCH(QByteArray, page);
    QFETCH(QByteArray, joined);
    QFETCH(bool, utf8Asked);
    QFETCH(bool, upToDate);
    QTemporaryDir dir;
    const QStringList sources{dir.filePath(QStringLiteral("s.p1.txt")),
                              dir.filePath(QStringLiteral("s.p2.txt"))};
    writeBytes(sources[0], "a\r\n");
    writeBytes(sources[1], page);
    const QString target = dir.filePath(QStringLiteral("s.txt"));
    writeBytes(target, joined);
    QFile file(target);
    file.open(QIODevice::ReadWrite);
    file.setFileTime(QDateTime::currentDateTime().addSecs(10), QFileDevice::FileModificationTime);
    QCOMPARE(booktext::upToDate(target, sources,
                                utf8Asked ? textfiles::TextEncoding::Utf8
                                          : textfiles::TextEncoding::ShiftJis),
             upToDate);
}

void TestBookText::pageResultChanged_data() {
    QTest::addColumn<QString>("file");
    QTest::addColumn<int>("page");
    QTest::addColumn<QList<int>>("saved");      // pages with a result: "N\r\n"
    QTest::addColumn<QByteArray>("secondPage"); // the second page's bytes instead, when given
    QTest::addColumn<QByteArray>("before");     // the document text before; "<none>" for none
    QTest::addColumn<QList<int>>("missing");    // {-1}: refused, the document text kept
    QTest::addColumn<QByteArray>("written");    // the document text after
    const QByteArray none("<none>");
    const QByteArray joined("0\r\n\f\r\n1\r\n\f\r\n2\r\n");
    const QByteArray mark("\xEF\xBB\xBF");
    QTest::newRow("the last page of three saved")
        << "scan.pdf" << 2 << QList<int>{0, 1, 2} << QByteArray() << none << QList<int>() << joined;
    QTest::newRow("a page still without a result")
        << "scan.pdf" << 0 << QList<int>{0, 2} << QByteArray() << none << QList<int>{1} << none;
    QTest::newRow("a picture is no document")
        << "scan.pdf" << -1 << QList<int>{0, 1, 2} << QByteArray() << none << QList<int>() << none;
    // 鷗 has no code page 932 form: a Shift-JIS text would hold "?" for it.
    QTest::newRow("a page saved in UTF-8: the text becomes UTF-8, every character kept")
        << "scan.pdf" << 1 << QList<int>{0, 1, 2} << mark + QStringLiteral("鷗\n").toUtf8() << none
        << QList<int>() << QStringLiteral("0\n\f\n鷗\n\f\n2\n").toUtf8();
    QTest::newRow("a UTF-8 text stays UTF-8 when a Shift-JIS page is saved")
        << "scan.pdf" << 0 << QList<int>{0, 1, 2} << QByteArray() << mark + "old\n\f\nx\n\f\ny\n"
        << QList<int>() << QByteArray("0\n\f\n1\n\f\n2\n");
    QTest::newRow("an earlier version's text, told by its page breaks, is joined again")
        << "scan.pdf" << 0 << QList<int>{0, 1, 2} << QByteArray() << QByteArray("o\r\n\f\r\n\f\r\n")
        << QList<int>() << joined;
    QTest::newRow("an earlier version's text, a page holding a spread's page break")
        << "scan.pdf" << 0 << QList<int>{0, 1, 2} << QByteArray("l\r\n\f\r\nr\r\n")
        << QByteArray("o\r\n\f\r\nl\r\n\f\r\nr\r\n\f\r\no\r\n") << QList<int>()
        << QByteArray("0\r\n\f\r\nl\r\n\f\r\nr\r\n\f\r\n2\r\n");
    QTest::newRow("a text of the user's by that name is kept")
        << "scan.pdf" << 0 << QList<int>{0, 1, 2} << QByteArray() << QByteArray("my notes\r\n")
        << QList<int>{-1} << QByteArray("my notes\r\n");
}

void TestBookText::pageResultChanged() {
    QFETCH(QString, file);
    QFETCH(int, page);
    QFETCH(QList<int>, saved);
    QFETCH(QByteArray, secondPage);
    QFETCH(QByteArray, before);
    QFETCH(QList<int>, missing);
    QFETCH(QByteArray, written);
    QTemporaryDir dir;
    QPdfWriter pdf(dir.filePath(file));
    QPainter painter(&pdf);
    pdf.newPage();
    pdf.newPage();
    painter.end();
    for (int i : saved)
        writeBytes(textfiles::savedResultPath(dir.path(), file, i),
                   i == 1 && !secondPage.isEmpty() ? secondPage : QByteArray::number(i) + "\r\n");
    const QString target = booktext::documentTextPath(dir.path(), file);
    if (before != "<none>")
        writeBytes(target, before);
    if (missing == QList<int>{-1}) {
        QVERIFY_THROWS_EXCEPTION(Failure, booktext::pageResultChanged(dir.path(), file, page));
    } else {
        QCOMPARE(booktext::pageResultChanged(dir.path(), file, page), missing);
    }
    QCOMPARE(readBytes(target), written);
    // What it wrote is its own from then on: a page saved again joins it again.
    if (written != "<none>" && written != before) {
        QVERIFY(booktext::ownOutput(dir.path(), target));
        writeBytes(target, "edited by hand\r\n");
        QVERIFY(!booktext::ownOutput(dir.path(), target));
    }
}

QTEST_MAIN(TestBookText)
#include "test_booktext.moc"
