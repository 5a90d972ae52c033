#include "cp932.h"
#include "failure.h"
#include "textfiles.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

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
        QTest::newRow("entry 0 is never written")
            << QStringList{QStringLiteral("zero"), QStringLiteral("cmd\r\npause")}
            << QByteArray("cmd\r\npause\r\n");
        QTest::newRow("only entry 0") << QStringList{QStringLiteral("zero")} << QByteArray();
        QTest::newRow("several entries")
            << QStringList{QString(), QStringLiteral("a"), QString(), QStringLiteral("b")}
            << QByteArray("a\r\n\r\nb\r\n");
        QTest::newRow("circled one is two bytes")
            << QStringList{QString(), QStringLiteral("①")} << QByteArray("\x87\x40\r\n");
        QTest::newRow("no code page 932 form")
            << QStringList{QString(), QStringLiteral("a〜😀b")} << QByteArray("a??b\r\n");
    }
    void writeLines() {
        QFETCH(QStringList, list);
        QFETCH(QByteArray, expected);
        textfiles::writeLines(list, path("w.txt"));
        QCOMPARE(readBytes(path("w.txt")), expected);
    }

    void writeLinesFailureKeepsTheOldFile() {
        // A folder standing where the file would go cannot be replaced.
        QDir(m_dir.path()).mkpath(QStringLiteral("blocked.txt"));
        QVERIFY_THROWS_EXCEPTION(
            Failure, textfiles::writeLines({QString(), QStringLiteral("x")}, path("blocked.txt")));
        writeBytes(path("keep.txt"), "old\r\n");
        QVERIFY_THROWS_EXCEPTION(Failure, textfiles::writeLines({QString(), QStringLiteral("x")},
                                                                path("nofolder/keep.txt")));
        QCOMPARE(readBytes(path("keep.txt")), QByteArray("old\r\n"));
    }

    void fileExists_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("expected");
        QTest::newRow("plain file") << "exists.bmp.txt" << true;
        QTest::newRow("folder") << "afolder" << false;
        QTest::newRow("hidden file") << ".hidden.txt" << false;
        QTest::newRow("missing") << "nothing.txt" << false;
        QTest::newRow("wildcard match") << "exi*.txt" << true;
        QTest::newRow("question mark") << "exists.bm?.txt" << true;
        QTest::newRow("wildcard without match") << "zz*.txt" << false;
        QTest::newRow("wildcard matches only hidden") << "*hidden*" << false;
        QTest::newRow("brackets are plain characters") << "[ab].txt" << true;
    }
    void fileExists() {
        QFETCH(QString, name);
        QFETCH(bool, expected);
        writeBytes(path("exists.bmp.txt"), "x");
        writeBytes(path(".hidden.txt"), "x");
        writeBytes(path("[ab].txt"), "x");
        QDir(m_dir.path()).mkpath(QStringLiteral("afolder"));
        QCOMPARE(textfiles::fileExists(path(name)), expected);
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
};

QTEST_GUILESS_MAIN(TestTextFiles)
#include "test_textfiles.moc"
