#include "cleanup.h"
#include "reflow.h"
#include "textmeasures.h"

#include <QSet>
#include <QTest>

#include <algorithm>

using namespace quillpix::cleanup;
using quillpix::testing::withoutSpace;

namespace {

// The tables write texts as people read them: "·" a space, "⏎" CR LF, "␍" a CR without LF,
// "␊" an LF without CR, "<FF>" a form feed.
QString t(const QString& readable) {
    QString s = readable;
    s.replace(QStringLiteral("<FF>"), QStringLiteral("\f"));
    s.replace(QChar(u'·'), QChar(u' '));
    s.replace(QChar(u'⏎'), QStringLiteral("\r\n"));
    s.replace(QChar(u'␍'), QChar(u'\r'));
    s.replace(QChar(u'␊'), QChar(u'\n'));
    return s;
}

// The text as the matching sees it: folded, white space left out (the matching never looks at
// it, and rules 4 and 9 drop spaces).
QString visibleFold(const QString& text) {
    return withoutSpace(foldedText(text));
}

} // namespace

class TestCleanup : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void workedExamples_data();
    void workedExamples();
    void edgeCases_data();
    void edgeCases();
    void singleRules_data();
    void singleRules();
    void doubleByte_data();
    void doubleByte();
    void longTextKeepsEveryRule();
    void latinSpacing_data();
    void latinSpacing();
    void latinSpacingRules_data();
    void latinSpacingRules();
    void joinedParagraphs_data();
    void joinedParagraphs();
    void changedStretches_data();
    void changedStretches();
    void foldFollowsEveryReplacement_data();
    void foldFollowsEveryReplacement();
    void foldFollowsTheRulesOnEveryCharacter_data();
    void foldFollowsTheRulesOnEveryCharacter();
};

void TestCleanup::workedExamples_data() {
    QTest::addColumn<QString>("input");
    QTest::addColumn<QString>("expected");
    const char* rows[][2] = {
        {"これは·ペン·です。⏎", "これはペンです。␍"},
        {"日本·語·テキスト⏎", "日本語テキスト␍"},
        {"第２章·概要⏎", "第2章概要␍"},
        {"価格は１，２００円です。⏎", "価格は1，200円です。␍"},
        {"①本日は晴天なり,·明日は雨.⏎", "1本日は晴天なり，明日は雨。␍"},
        {"あ,·い,·う⏎", "あ，い，う␍"},
        {"A,·B.·C,D·3.14⏎", "A,·B.·C,D·3.14␍"},
        {"あ,,·い..⏎", "あ，,·い。.␍"},
        {"x·~·y⏎", "x·～y␍"},
        {"It’s·ok⏎", "It's·ok␍"},
        {"Tesseract·4·(LSTM)·,·2021⏎", "Tesseract·4(LSTM),·2021␍"},
        {"1··2⏎", "1·2␍"},
        {"line1⏎line2⏎<FF>⏎", "line1⏎line2⏎␍"},
        {"line1⏎line2⏎⏎<FF>⏎", "line1⏎line2⏎⏎␍"},
        {"a⏎⏎⏎⏎⏎b⏎", "a⏎⏎⏎⏎b␍"},
        {"abc⏎", "abc␍"},
        {"", ""},
    };
    for (const auto& row : rows)
        QTest::newRow(row[0]) << t(QString::fromUtf8(row[0])) << t(QString::fromUtf8(row[1]));
}

void TestCleanup::workedExamples() {
    QFETCH(QString, input);
    QFETCH(QString, expected);
    QCOMPARE(cleanRecognizedText(input), expected);
}

void TestCleanup::edgeCases_data() {
    QTest::addColumn<QString>("input");
    QTest::addColumn<QString>("expected");
    QTest::newRow("leading comma") << t(",あ⏎") << t(",あ␍");
    QTest::newRow("leading period") << t(".あ⏎") << t(".あ␍");
    QTest::newRow("leading comma space") << t(",·あ⏎") << t(",·あ␍");
    QTest::newRow("leading space survives rule 4") << t("·あ⏎") << t("·あ␍");
    QTest::newRow("full-width digits around full-width comma") << t("１，０００⏎") << t("1，000␍");
    QTest::newRow("space after ideographic space") << t("あ\u3000·い⏎") << t("あ\u3000い␍");
    QTest::newRow("comma after half-width katakana") << t("ｱ,ｲ⏎") << t("ｱ,ｲ␍");
    QTest::newRow("circled one to nine") << t("①②③④⑤⑥⑦⑧⑨⏎") << t("123456789␍");
    // ⑩ to ⑳ become their numbers too, rather than unrelated letters.
    QTest::newRow("circled ten to twenty") << t("⑩⑯⑰⑳⏎") << t("10161720␍");
    QTest::newRow("circled number before comma") << t("⑫,·次⏎") << t("12,·次␍");
    QTest::newRow("grave accent") << t("`quoted`⏎") << t("'quoted'␍");
    QTest::newRow("text ending in digit and space") << t("a1·") << t("a1");
    QTest::newRow("text ending in bracket and space") << t("a)·") << t("a)");
    QTest::newRow("text ending in digit") << t("a12") << t("a1");
    QTest::newRow("one character") << t("x") << QString();
    QTest::newRow("four pairs inside become three") << t("a⏎⏎⏎⏎b⏎") << t("a⏎⏎⏎b␍");
    QTest::newRow("six pairs only") << t("⏎⏎⏎⏎⏎⏎") << t("⏎⏎⏎⏎␍");
    QTest::newRow("LF lines and closing form feed") << t("line1⏎line2⏎<FF>⏎") << t("line1⏎line2⏎␍");
    QTest::newRow("ends with two pairs") << t("a⏎⏎") << t("a⏎␍");
    QTest::newRow("two spaces after kanji") << t("字··x⏎") << t("字·x␍");
    QTest::newRow("lone LF inside") << t("あ␊·い⏎") << t("あ␊·い␍");
    QTest::newRow("tilde after kanji") << t("字~·x⏎") << t("字～x␍");
    QTest::newRow("period after full-width digit made ASCII") << t("３.５⏎") << t("3.5␍");
    QTest::newRow("character outside code page 932") << t("\U0001F600·x⏎") << t("\U0001F600·x␍");
}

void TestCleanup::edgeCases() {
    QFETCH(QString, input);
    QFETCH(QString, expected);
    QCOMPARE(cleanRecognizedText(input), expected);
}

void TestCleanup::singleRules_data() {
    QTest::addColumn<int>("rule");
    QTest::addColumn<QString>("input");
    QTest::addColumn<QString>("expected");
    QTest::newRow("1 circled") << 1 << t("①⑨⑩⑳㉑") << t("１９１０２０㉑");
    QTest::newRow("3 digits only") << 3 << t("０９，Ａ") << t("09，Ａ");
    QTest::newRow("4 neighbour from input") << 4 << t("あ···") << t("あ··");
    QTest::newRow("4 after full-width comma") << 4 << t("，·x") << t("，x");
    QTest::newRow("5 comma space") << 5 << t("あ,·,·") << t("あ，,·");
    QTest::newRow("5 only with space") << 5 << t("あ,い") << t("あ,い");
    QTest::newRow("5 at the end") << 5 << t("あ,") << t("あ,");
    QTest::newRow("6 two commas") << 6 << t("あ,,") << t("あ，,");
    QTest::newRow("6 ASCII before") << 6 << t("a,") << t("a,");
    QTest::newRow("7 periods") << 7 << t("漢..") << t("漢。.");
    QTest::newRow("7 first position") << 7 << t(".") << t(".");
    QTest::newRow("9 one space only") << 9 << t("(··)x") << t("(·)");
    QTest::newRow("9 skipped space was last") << 9 << t("ab1·") << t("ab1");
    QTest::newRow("9 keeps last-but-one") << 9 << t("9·9·") << t("99");
}

void TestCleanup::singleRules() {
    QFETCH(int, rule);
    QFETCH(QString, input);
    QFETCH(QString, expected);
    QString actual;
    switch (rule) {
    case 1:
        actual = circledToFullwidthDigits(input);
        break;
    case 3:
        actual = fullwidthDigitsToAscii(input);
        break;
    case 4:
        actual = dropSpaceAfterDoubleByte(input);
        break;
    case 5:
        actual = commaSpaceToFullwidth(input);
        break;
    case 6:
        actual = commaToFullwidth(input);
        break;
    case 7:
        actual = periodToFullwidth(input);
        break;
    default:
        actual = dropSpaceAfterDigitOrBracket(input);
        break;
    }
    QCOMPARE(actual, expected);
}

void TestCleanup::doubleByte_data() {
    QTest::addColumn<QString>("character");
    QTest::addColumn<bool>("doubleByte");
    QTest::newRow("hiragana") << QStringLiteral("あ") << true;
    QTest::newRow("ideographic space") << QStringLiteral("\u3000") << true;
    QTest::newRow("full-width comma") << QStringLiteral("，") << true;
    QTest::newRow("circled one") << QStringLiteral("①") << true;
    QTest::newRow("right single quote") << QStringLiteral("’") << true;
    QTest::newRow("space") << QStringLiteral(" ") << false;
    QTest::newRow("half-width katakana first") << QStringLiteral("\uFF61") << false;
    QTest::newRow("half-width katakana last") << QStringLiteral("\uFF9F") << false;
    QTest::newRow("no code page 932 form") << QStringLiteral("é") << false;
    QTest::newRow("lone surrogate") << QString(QChar(0xD83D)) << false;
}

void TestCleanup::doubleByte() {
    QFETCH(QString, character);
    QFETCH(bool, doubleByte);
    QCOMPARE(isDoubleByte(character.at(0)), doubleByte);
}

void TestCleanup::longTextKeepsEveryRule() {
    // Many repetitions of one line clean to the same number of repetitions of its result:
    // the rules see the whole text, not pieces of it.
    const QString line = t("第①章·価格は１，２００円,·です.·x·~·y⏎");
    const QString cleanedLine = t("第1章価格は1，200円，です。·x·～y⏎");
    QString input, expected;
    for (int i = 0; i < 5000; ++i) {
        input += line;
        expected += cleanedLine;
    }
    expected.chop(1); // the final LF goes, leaving a lone CR
    QCOMPARE(cleanRecognizedText(input), expected);
}

void TestCleanup::latinSpacing_data() {
    QTest::addColumn<QString>("input");
    QTest::addColumn<QString>("asWritten");
    QTest::addColumn<QString>("kept");
    const char* rows[][3] = {
        {"2001·Free⏎", "2001Free␍", "2001·Free␍"},
        {"メモリは64·KiBです⏎", "メモリは64KiBです␍", "メモリは64·KiBです␍"},
        {"圧縮は.xz形式⏎", "圧縮は。xz形式␍", "圧縮は.xz形式␍"},
        {"(C)·2001·Free·Software⏎", "(C)2001Free·Software␍", "(C)·2001·Free·Software␍"},
        {"Core·2·Duo⏎", "Core·2Duo␍", "Core·2·Duo␍"},
        {"1)·A⏎", "1)A␍", "1)·A␍"},
        {"版.2⏎", "版。2␍", "版.2␍"},
        {"設定は.bashrcへ⏎", "設定は。bashrcへ␍", "設定は.bashrcへ␍"},
        // Japanese after the space, a symbol after it, or a sentence's end: the same either way.
        {"第3·章·概要⏎", "第3章概要␍", "第3章概要␍"},
        {"(1)·概要⏎", "(1)概要␍", "(1)概要␍"},
        {"湿度は60·%⏎", "湿度は60%␍", "湿度は60%␍"},
        {"10··MB⏎", "10·MB␍", "10·MB␍"},
        {"です.⏎", "です。␍", "です。␍"},
        {"です.·次⏎", "です。·次␍", "です。·次␍"},
        {"終わり.", "終わり", "終わり"},
        {"あ.(注)⏎", "あ。(注)␍", "あ.(注)␍"},
        {"版.·x⏎", "版。·x␍", "版。·x␍"},
        {"第①章·価格は１，２００円,·です.·x·~·y⏎", "第1章価格は1，200円，です。·x·～y␍",
         "第1章価格は1，200円，です。·x·～y␍"},
    };
    for (const auto& row : rows)
        QTest::newRow(row[0]) << t(QString::fromUtf8(row[0])) << t(QString::fromUtf8(row[1]))
                              << t(QString::fromUtf8(row[2]));
}

void TestCleanup::latinSpacing() {
    QFETCH(QString, input);
    QFETCH(QString, asWritten);
    QFETCH(QString, kept);
    QCOMPARE(cleanRecognizedText(input), asWritten);
    QCOMPARE(cleanRecognizedText(input, LatinSpacing::AsWritten), asWritten);
    QCOMPARE(cleanRecognizedText(input, LatinSpacing::Kept), kept);
}

void TestCleanup::latinSpacingRules_data() {
    QTest::addColumn<int>("rule");
    QTest::addColumn<QString>("input");
    QTest::addColumn<QString>("expected");
    // The rules on their own, at the ends of the text: the character after the space or the
    // period decides, and there is none at the end.
    QTest::newRow("7 ASCII right after") << 7 << t("字.a") << t("字.a");
    QTest::newRow("7 period last") << 7 << t("字.") << t("字。");
    QTest::newRow("7 tilde after") << 7 << t("字.~") << t("字.~");
    QTest::newRow("7 DEL after") << 7 << t("字.") << t("字。");
    QTest::newRow("7 full-width after") << 7 << t("字.Ａ") << t("字。Ａ");
    QTest::newRow("9 letter after the space") << 9 << t("1·a⏎") << t("1·a␍");
    QTest::newRow("9 digit after the space") << 9 << t("(·9⏎") << t("(·9␍");
    QTest::newRow("9 space before the last") << 9 << t("1·a") << t("1·");
    QTest::newRow("9 space is last but one") << 9 << t("x1·") << t("x1");
    QTest::newRow("9 upper and lower bounds")
        << 9 << t("1·A1·Z1·a1·z1·01·9⏎") << t("1·A1·Z1·a1·z1·01·9␍");
    QTest::newRow("9 just outside the letters")
        << 9 << t("1·@1·[1·`1·{1·/1·:⏎") << t("1@1[1`1{1/1:␍");
}

void TestCleanup::latinSpacingRules() {
    QFETCH(int, rule);
    QFETCH(QString, input);
    QFETCH(QString, expected);
    const QString actual = rule == 7 ? periodToFullwidth(input, LatinSpacing::Kept)
                                     : dropSpaceAfterDigitOrBracket(input, LatinSpacing::Kept);
    QCOMPARE(actual, expected);
}

void TestCleanup::joinedParagraphs_data() {
    QTest::addColumn<QString>("input");
    QTest::addColumn<QString>("expected");
    const char* rows[][2] = {
        {"これは一行目で⏎二行目に続く。⏎", "これは一行目で二行目に続く。⏎"},
        {"This·is·a·long⏎sentence.⏎", "This·is·a·long·sentence.⏎"},
        {"version·2.0⏎of·the·tool⏎", "version·2.0·of·the·tool⏎"},
        {"日本語の⏎Linuxの話⏎", "日本語のLinuxの話⏎"},
        {"Linuxの⏎話です⏎", "Linuxの話です⏎"},
        {"Linux⏎の話⏎", "Linuxの話⏎"},
        {"末尾の空白は··⏎··消える⏎", "末尾の空白は消える⏎"},
        {"一段落目です⏎⏎二段落目です⏎", "一段落目です⏎⏎二段落目です⏎"},
        {"一段落目⏎⏎⏎二段落目⏎", "一段落目⏎⏎⏎二段落目⏎"},
        {"空白だけの行も⏎··⏎区切り⏎", "空白だけの行も⏎··⏎区切り⏎"},
        {"字下げの前の行が続いている⏎　次の段落が始まる⏎",
         "字下げの前の行が続いている⏎　次の段落が始まる⏎"},
        {"段落の途中の行がここまで続いて⏎最後の行。⏎次の段落の行がここから始まって⏎終わり。⏎",
         "段落の途中の行がここまで続いて最後の行。⏎次の段落の行がここから始まって終わり。⏎"},
        {"句点で終わる長い行がここにある。⏎続き⏎", "句点で終わる長い行がここにある。続き⏎"},
        {"短くても句点がない行は⏎続く⏎続く⏎", "短くても句点がない行は続く続く⏎"},
        {"あ␍い␊う⏎", "あいう⏎"},
        {"一行目⏎二行目␍", "一行目二行目␍"},
        {"あ⏎い", "あい"},
        {"ひとつ", "ひとつ"},
        {"⏎⏎", "⏎⏎"},
        {"", ""},
    };
    for (const auto& row : rows)
        QTest::newRow(row[0]) << t(QString::fromUtf8(row[0])) << t(QString::fromUtf8(row[1]));
    // The border of a short line: seven tenths of the widest line's width.
    const QString wide = QStringLiteral("あいうえおかきくけこ⏎"); // 20 columns
    QTest::newRow("13 columns of 20 end a paragraph")
        << t(wide + QStringLiteral("あいうえおか.⏎次⏎"))
        << t(QStringLiteral("あいうえおかきくけこあいうえおか.⏎次⏎"));
    QTest::newRow("14 columns of 20 do not")
        << t(wide + QStringLiteral("あいうえおか。⏎次⏎"))
        << t(QStringLiteral("あいうえおかきくけこあいうえおか。次⏎"));
    // Columns of the saved code page 932 text: marks it writes in two bytes are two columns,
    // though a typesetter sets them narrow.
    QTest::newRow("two-byte marks are two columns")
        << t(wide + QStringLiteral("○○○○○○。⏎次⏎"))
        << t(QStringLiteral("あいうえおかきくけこ○○○○○○。次⏎"));
}

void TestCleanup::joinedParagraphs() {
    QFETCH(QString, input);
    QFETCH(QString, expected);
    QCOMPARE(quillpix::reflow::joinedParagraphs(input), expected);
    // The join changes nothing but spaces and line ends: every other character keeps its place.
    for (const auto& r : quillpix::reflow::changedStretches(input, expected))
        for (QChar c : input.mid(r.at, r.removed))
            QVERIFY2(c.isSpace() || c == u'\r' || c == u'\n', qPrintable(input));
}

namespace {

// text with each stretch replaced by the characters joined has there.
QString applied(const QString& text, const QString& joined,
                const QList<quillpix::reflow::Replacement>& stretches) {
    QString out;
    qsizetype from = 0;
    qsizetype shift = 0;
    for (auto it = stretches.crbegin(); it != stretches.crend(); ++it) {
        out += text.mid(from, it->at - from) + joined.mid(it->at + shift, it->added);
        shift += it->added - it->removed;
        from = it->at + it->removed;
    }
    return out + text.mid(from);
}

} // namespace

void TestCleanup::changedStretches_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("joined");
    QTest::addColumn<int>("stretches");
    QTest::newRow("a joint gone") << t(QStringLiteral("あい⏎うえ⏎"))
                                  << t(QStringLiteral("あいうえ⏎")) << 1;
    QTest::newRow("a line end for a space")
        << t(QStringLiteral("a··⏎b⏎")) << t(QStringLiteral("a·b⏎")) << 1;
    QTest::newRow("two joints") << t(QStringLiteral("あ⏎い⏎う⏎")) << t(QStringLiteral("あいう⏎"))
                                << 2;
    QTest::newRow("unchanged") << QStringLiteral("同じ") << QStringLiteral("同じ") << 0;
    QTest::newRow("all new") << QStringLiteral("ab") << QStringLiteral("xyz") << 1;
    QTest::newRow("from nothing") << QString() << QStringLiteral("ab") << 1;
    QTest::newRow("to nothing") << QStringLiteral("ab") << QString() << 1;
    QTest::newRow("one changed inside") << QStringLiteral("abcd") << QStringLiteral("abXd") << 1;
}

void TestCleanup::changedStretches() {
    QFETCH(QString, text);
    QFETCH(QString, joined);
    QFETCH(int, stretches);
    const auto found = quillpix::reflow::changedStretches(text, joined);
    QCOMPARE(applied(text, joined, found), joined);
    QCOMPARE(found.size(), stretches);
    for (qsizetype k = 1; k < found.size(); ++k)
        QVERIFY(found[k].at < found[k - 1].at); // last first
}

// The fold must stay in step with the rules, as the text layer of the searchable PDF matches
// the engine's reading to the cleaned text through it: for each replacement the rules make,
// where its rule applies, the engine's form, the replacement and what the clean-up really makes
// of the text fold alike.
void TestCleanup::foldFollowsEveryReplacement_data() {
    QTest::addColumn<int>("rule");
    QTest::addColumn<QString>("engine");
    QTest::addColumn<QString>("cleaned");
    for (const Replacement& r : replacements())
        QTest::addRow("rule %d: %s", r.rule, qPrintable(r.engine))
            << r.rule << r.engine << r.cleaned;
}

void TestCleanup::foldFollowsEveryReplacement() {
    QFETCH(int, rule);
    QFETCH(QString, engine);
    QFETCH(QString, cleaned);
    // After a Japanese character, where rules 5 to 7 apply too.
    const QString input = QStringLiteral("漢") + engine + QStringLiteral("字");
    const QString result = cleanRecognizedText(input + t("⏎"));
    const QString made = rule == 1 ? fullwidthDigitsToAscii(cleaned) : cleaned; // rule 3 follows
    QVERIFY2(result.contains(made), qPrintable(result));
    QCOMPARE(visibleFold(cleaned), visibleFold(engine));
    QCOMPARE(visibleFold(result), visibleFold(input));
    // ASCII, where the text layer's own fold of full-width forms meets it.
    const QString fold = visibleFold(engine);
    QVERIFY(!fold.isEmpty());
    QVERIFY2(std::all_of(fold.begin(), fold.end(), [](QChar c) { return c.unicode() < 0x80; }),
             qPrintable(fold));
}

// Every character of the basic plane, in each place the rules look at: what the clean-up
// makes of it folds as the character does, and a character it changes has its row in the
// table, so a rule added without its fold or its row shows here.
void TestCleanup::foldFollowsTheRulesOnEveryCharacter_data() {
    QTest::addColumn<QString>("before");
    QTest::addColumn<QString>("after");
    QTest::addColumn<bool>("keepLatin");
    QTest::newRow("after Japanese") << QStringLiteral("漢") << QStringLiteral("字") << false;
    QTest::newRow("after Japanese, Latin kept")
        << QStringLiteral("漢") << QStringLiteral("a") << true;
    QTest::newRow("after Latin") << QStringLiteral("a") << QStringLiteral("b") << false;
    QTest::newRow("at the start") << QString() << QString() << false;
}

void TestCleanup::foldFollowsTheRulesOnEveryCharacter() {
    QFETCH(QString, before);
    QFETCH(QString, after);
    QFETCH(bool, keepLatin);
    const LatinSpacing latin = keepLatin ? LatinSpacing::Kept : LatinSpacing::AsWritten;
    QSet<QString> inTable;
    for (const Replacement& r : replacements())
        inTable.insert(r.engine);
    for (char32_t c = 0; c < 0x10000; ++c) {
        if (QChar::isSurrogate(c))
            continue;
        const QString input = before + QChar(char16_t(c)) + after;
        const QString result = cleanRecognizedText(input + t("⏎"), latin);
        const QString code = QStringLiteral("U+%1").arg(uint(c), 4, 16, QLatin1Char('0'));
        if (visibleFold(result) != visibleFold(input))
            QFAIL(qPrintable(code + QStringLiteral(": %1 became %2").arg(input, result)));
        if (withoutSpace(result) != withoutSpace(input) &&
            !inTable.contains(QString(QChar(char16_t(c)))))
            QFAIL(qPrintable(code + QStringLiteral(" changed, but has no row")));
    }
}

QTEST_APPLESS_MAIN(TestCleanup)
#include "test_cleanup.moc"
