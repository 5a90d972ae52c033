#include "savetext.h"

#include <QtTest>

using namespace quillpix;

// The rules that turn the result box into its saved file, over plain text.
class TestSaveText : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void saveRules_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("withoutLoneCr");
        QTest::addColumn<QString>("content");
        QTest::newRow("plain") << "abc"
                               << "abc"
                               << "abc";
        QTest::newRow("one pair stays") << "abc\r\n"
                                        << "abc\r\n"
                                        << "abc\r\n";
        QTest::newRow("three pairs become one") << "abc\r\n\r\n\r\n"
                                                << "abc\r\n\r\n\r\n"
                                                << "abc\r\n";
        QTest::newRow("lone CR inside a line") << "a\rb"
                                               << "ab"
                                               << "ab";
        QTest::newRow("lone LF stays") << "a\nb\n"
                                       << "a\nb\n"
                                       << "a\nb\n";
        QTest::newRow("CR before CR LF") << "a\r\r\nb"
                                         << "a\r\nb"
                                         << "a\r\nb";
        QTest::newRow("lone CR last") << "line1\r\nline2\r\n\r"
                                      << "line1\r\nline2\r\n"
                                      << "line1\r\nline2\r\n";
        QTest::newRow("lone CR between pairs joins them") << "a\r\n\r\r\n"
                                                          << "a\r\n\r\n"
                                                          << "a\r\n";
        // Pairs are counted from the end two characters at a time: the leading LF is no pair.
        QTest::newRow("odd length") << "\n\r\n\r\n"
                                    << "\n\r\n\r\n"
                                    << "\n\r\n";
        QTest::newRow("only blank lines") << "\r\n\r\n"
                                          << "\r\n\r\n"
                                          << "\r\n";
        QTest::newRow("LF CR LF is not two pairs") << "a\n\r\n"
                                                   << "a\n\r\n"
                                                   << "a\n\r\n";
        QTest::newRow("empty") << ""
                               << ""
                               << "";
    }
    void saveRules() {
        QFETCH(QString, text);
        QFETCH(QString, withoutLoneCr);
        QFETCH(QString, content);
        QCOMPARE(savetext::dropLoneCarriageReturns(text), withoutLoneCr);
        QCOMPARE(savetext::savedContent(text), content);
    }

    void unrepresentableCharacters_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("missing");
        QTest::newRow("Japanese and NEC extensions") << "認識①髙～?"
                                                     << "";
        QTest::newRow("wave dash, euro, emoji, each once")
            << QStringLiteral("a〜b€〜😀c😀") << QStringLiteral("〜€😀");
        QTest::newRow("invisible ones by code point")
            << QStringLiteral("\u200Ba\u00AD\uFEFF〜\u2003\u200B")
            << QStringLiteral("<U+200B><U+00AD><U+FEFF>〜<U+2003>");
    }
    void unrepresentableCharacters() {
        QFETCH(QString, text);
        QFETCH(QString, missing);
        QCOMPARE(savetext::unrepresentableCharacters(text), missing);
    }
};

QTEST_APPLESS_MAIN(TestSaveText)
#include "test_savetext.moc"
