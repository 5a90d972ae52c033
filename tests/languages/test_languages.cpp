#include "languages.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QMap>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QXmlStreamReader>
#include <QtTest>

using namespace quillpix::languages;

namespace {

struct Message {
    QString translation;
    bool finished = false;
};

// context, source and comment, one key for each message
using Messages = QMap<QString, Message>;

// A translation file's messages; the carriage returns lupdate writes as byte elements included.
Messages readTs(const QString& path, QString& error) {
    Messages messages;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        error = QStringLiteral("cannot read ") + path;
        return messages;
    }
    QXmlStreamReader xml(&file);
    QString context, source, comment, translation, *into = nullptr;
    bool finished = false;
    while (!xml.atEnd()) {
        xml.readNext();
        const auto name = xml.name();
        if (xml.isStartElement()) {
            if (name == u"message") {
                source.clear();
                comment.clear();
                translation.clear();
                finished = true;
            } else if (name == u"name") {
                context = xml.readElementText();
            } else if (name == u"source") {
                into = &source;
            } else if (name == u"comment") {
                into = &comment;
            } else if (name == u"translation") {
                into = &translation;
                finished = xml.attributes().value(QLatin1String("type")).isEmpty();
            } else if (name == u"byte" && into) {
                *into += QChar(
                    xml.attributes().value(QLatin1String("value")).mid(1).toUInt(nullptr, 16));
            }
        } else if (xml.isCharacters() && into) {
            *into += xml.text();
        } else if (xml.isEndElement()) {
            if (name == u"source" || name == u"comment" || name == u"translation")
                into = nullptr;
            else if (name == u"message")
                messages.insert(context + u'\x1f' + source + u'\x1f' + comment,
                                {translation, finished && !translation.isEmpty()});
        }
    }
    if (xml.hasError())
        error = path + QStringLiteral(": ") + xml.errorString();
    return messages;
}

QStringList placeholders(const QString& text) {
    QStringList found;
    for (const auto& m : QRegularExpression(QStringLiteral("%\\d")).globalMatch(text))
        found << m.captured();
    found.sort();
    found.removeDuplicates();
    return found;
}

// Every folder of the program's own code, for texts in files no list names yet.
QStringList allSourceFolders() {
    QStringList folders;
    const QDir root(QStringLiteral(QUILLPIX_SOURCE_DIR));
    for (const QString& name : root.entryList(QDir::Dirs | QDir::NoDotAndDotDot))
        if (root.exists(name + QStringLiteral("/CMakeLists.txt")) &&
            !QStringList{"tests", "bench", "fuzz", "workspace", "build"}.contains(name))
            folders << name;
    return folders;
}

// lupdate's messages of these sources, as the developer's update would find them.
Messages extract(const QStringList& sources, QString& error) {
    QTemporaryDir dir;
    const QString ts = dir.filePath(QStringLiteral("extracted.ts"));
    QProcess lupdate;
    lupdate.setWorkingDirectory(QStringLiteral(QUILLPIX_SOURCE_DIR));
    lupdate.start(QStringLiteral(QUILLPIX_LUPDATE),
                  QStringList{"-no-obsolete", "-locations", "none", "-silent"} + sources +
                      QStringList{"-ts", ts});
    if (!lupdate.waitForFinished(300000) || lupdate.exitCode() != 0) {
        error = QStringLiteral("lupdate failed: ") + lupdate.readAllStandardError();
        return {};
    }
    return readTs(ts, error);
}

} // namespace

class TestLanguages : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void languageFor_data() {
        QTest::addColumn<QString>("locale");
        QTest::addColumn<QString>("override");
        QTest::addColumn<bool>("windowJapanese");
        QTest::addColumn<bool>("batchJapanese");
        QTest::newRow("Japanese") << "ja_JP.UTF-8"
                                  << "" << true << true;
        QTest::newRow("Japanese, no country") << "ja"
                                              << "" << true << true;
        QTest::newRow("Japanese, modifier") << "ja_JP@cjknarrow"
                                            << "" << true << true;
        QTest::newRow("English") << "en_US.UTF-8"
                                 << "" << false << false;
        QTest::newRow("German") << "de_DE.UTF-8"
                                << "" << false << false;
        QTest::newRow("a language beginning with ja") << "jam_JM"
                                                      << "" << false << false;
        QTest::newRow("C") << "C"
                           << "" << true << false;
        QTest::newRow("C.UTF-8") << "C.UTF-8"
                                 << "" << true << false;
        QTest::newRow("POSIX") << "POSIX"
                               << "" << true << false;
        QTest::newRow("unset") << ""
                               << "" << true << false;
        QTest::newRow("en over Japanese") << "ja_JP.UTF-8"
                                          << "en" << false << false;
        QTest::newRow("ja over C") << "C"
                                   << "ja" << true << true;
        QTest::newRow("ja over English, spaced and upper case") << "en_GB.UTF-8"
                                                                << " JA " << true << true;
        QTest::newRow("an unknown override is passed over") << "C"
                                                            << "fr" << true << false;
    }
    void languageFor() {
        QFETCH(QString, locale);
        QFETCH(QString, override);
        QFETCH(bool, windowJapanese);
        QFETCH(bool, batchJapanese);
        QCOMPARE(quillpix::languages::languageFor(locale, override, Front::Window) ==
                     Language::Japanese,
                 windowJapanese);
        QCOMPARE(quillpix::languages::languageFor(locale, override, Front::Batch) ==
                     Language::Japanese,
                 batchJapanese);
    }

    void messagesLocale_data() {
        QTest::addColumn<QString>("lcAll");
        QTest::addColumn<QString>("lcMessages");
        QTest::addColumn<QString>("lang");
        QTest::addColumn<QString>("expected");
        QTest::newRow("LC_ALL first") << "C"
                                      << "en_US"
                                      << "ja_JP"
                                      << "C";
        QTest::newRow("LC_MESSAGES over LANG") << ""
                                               << "en_US"
                                               << "ja_JP"
                                               << "en_US";
        QTest::newRow("LANG last") << ""
                                   << ""
                                   << "ja_JP"
                                   << "ja_JP";
        QTest::newRow("none") << ""
                              << ""
                              << ""
                              << "";
    }
    void messagesLocale() {
        QFETCH(QString, lcAll);
        QFETCH(QString, lcMessages);
        QFETCH(QString, lang);
        QFETCH(QString, expected);
        qputenv("LC_ALL", lcAll.toUtf8());
        qputenv("LC_MESSAGES", lcMessages.toUtf8());
        qputenv("LANG", lang.toUtf8());
        QCOMPARE(quillpix::languages::messagesLocale(), expected);
    }

    // The program's own translations are in the program: English texts for a Japanese source,
    // Japanese lines for the batch's English ones, each only where its language asks.
    void translatorsInstallTheirLanguage() {
        const auto tr = [](const char* context, const char* text) {
            return QCoreApplication::translate(context, text);
        };
        {
            const Translators english(*QCoreApplication::instance(), Language::English,
                                      Front::Batch);
            QCOMPARE(tr("pipeline", "%1 が異常終了しました"),
                     QStringLiteral("%1 ended abnormally"));
            QCOMPARE(tr("batch", "Cancelled"), QStringLiteral("Cancelled"));
        }
        QCOMPARE(tr("pipeline", "%1 が異常終了しました"), QStringLiteral("%1 が異常終了しました"));
        {
            const Translators window(*QCoreApplication::instance(), Language::Japanese,
                                     Front::Window);
            QCOMPARE(tr("batch", "Cancelled"), QStringLiteral("Cancelled"));
        }
        const Translators batch(*QCoreApplication::instance(), Language::Japanese, Front::Batch);
        QCOMPARE(tr("batch", "Cancelled"), QStringLiteral("中止しました"));
        QCOMPARE(tr("pipeline", "%1 が異常終了しました"), QStringLiteral("%1 が異常終了しました"));
    }

    // No text reaches a user untranslated: every message lupdate finds in a file's sources is
    // in that file, translated and finished, with the same placeholders, and the file holds
    // nothing the sources have lost. A text in a file no list names is in one of the two.
    void translationFiles_data() {
        QTest::addColumn<QStringList>("tsFiles");
        QTest::addColumn<QStringList>("sources");
        QTest::addColumn<bool>("exact"); // the files hold these sources' messages and no more
        const QString window = QStringLiteral(QUILLPIX_WINDOW_TR_SOURCES);
        const QString batch = QStringLiteral(QUILLPIX_BATCH_TR_SOURCES);
        QTest::newRow("window in English")
            << QStringList{"quillpix_en.ts"} << window.split(u'|') << true;
        QTest::newRow("batch in Japanese")
            << QStringList{"quillpix_ja.ts"} << batch.split(u'|') << true;
        QTest::newRow("every folder")
            << QStringList{"quillpix_en.ts", "quillpix_ja.ts"} << allSourceFolders() << false;
    }
    void translationFiles() {
        QFETCH(QStringList, tsFiles);
        QFETCH(QStringList, sources);
        QFETCH(bool, exact);
        if (!QFile::exists(QStringLiteral(QUILLPIX_LUPDATE)))
            QSKIP("lupdate (qt6-l10n-tools) is not installed");
        QString error;
        const Messages found = extract(sources, error);
        QVERIFY2(error.isEmpty(), qPrintable(error));
        QVERIFY(!found.isEmpty());
        Messages held;
        for (const QString& ts : tsFiles) {
            held.insert(readTs(QStringLiteral(QUILLPIX_SOURCE_DIR "/translations/") + ts, error));
            QVERIFY2(error.isEmpty(), qPrintable(error));
        }
        QStringList problems;
        const auto shown = [](QString key) { return key.replace(u'\x1f', QStringLiteral(" | ")); };
        for (auto it = found.cbegin(); it != found.cend(); ++it) {
            const auto in = held.constFind(it.key());
            if (in == held.cend())
                problems << QStringLiteral("not in the file: ") + shown(it.key());
            else if (!in->finished)
                problems << QStringLiteral("not translated: ") + shown(it.key());
            else if (placeholders(it.key().section(u'\x1f', 1, 1)) != placeholders(in->translation))
                problems << QStringLiteral("placeholders differ: ") + shown(it.key());
        }
        if (exact)
            for (auto it = held.cbegin(); it != held.cend(); ++it)
                if (!found.contains(it.key()))
                    problems << QStringLiteral("no longer in the sources: ") + shown(it.key());
        QVERIFY2(problems.isEmpty(),
                 qPrintable(problems.join(u'\n') +
                            QStringLiteral("\n(cmake --build build --target update_translations, "
                                           "then translate)")));
    }
};

QTEST_GUILESS_MAIN(TestLanguages)
#include "test_languages.moc"
