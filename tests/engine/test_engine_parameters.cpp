#include "libraryparameters.h"
#include "plaincall.h"

#include <QTest>

#include <tesseract/baseapi.h>

#include <cstdio>
#include <cstdlib>

using namespace quillpix::engine;

namespace {

// An engine that is not loaded has no settings of its own until one is set; this one is
// set to its default.
void makeOwnSettings(tesseract::TessBaseAPI& api) {
    api.SetVariable("tessedit_char_whitelist", "");
}

// Every setting of the library by name, as an engine prints them.
QStringList allSettings() {
    tesseract::TessBaseAPI api;
    makeOwnSettings(api);
    char* buffer = nullptr;
    size_t size = 0;
    FILE* stream = ::open_memstream(&buffer, &size);
    api.PrintVariables(stream);
    std::fclose(stream);
    QStringList names;
    for (const QByteArray& line : QByteArray(buffer, qsizetype(size)).split('\n'))
        if (const qsizetype tab = line.indexOf('\t'); tab > 0)
            names << QString::fromLatin1(line.left(tab));
    std::free(buffer);
    return names;
}

enum class Reach { EngineOnly, EveryEngine, FixedAtLoad };

// Sets the setting for one engine and looks at it from another, then sets it back.
Reach probe(const QString& name) {
    tesseract::TessBaseAPI one;
    tesseract::TessBaseAPI other;
    makeOwnSettings(one);
    makeOwnSettings(other);
    const QByteArray key = name.toLatin1();
    std::string was;
    one.GetVariableAsString(key.constData(), &was);
    one.SetVariable(key.constData(), was == "0" ? "1" : "0");
    std::string now;
    one.GetVariableAsString(key.constData(), &now);
    std::string seen;
    other.GetVariableAsString(key.constData(), &seen);
    one.SetVariable(key.constData(), was.c_str());
    if (now == was) // only loading sets it
        return Reach::FixedAtLoad;
    return seen == now ? Reach::EveryEngine : Reach::EngineOnly;
}

} // namespace

class TestEngineParameters : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void namedSettings_data();
    void namedSettings();
    void everySettingAsTheLibraryKeepsIt();
};

void TestEngineParameters::namedSettings_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("processWide");
    QTest::newRow("heavy noise removal") << "textord_heavy_nr" << true;
    QTest::newRow("minimum line size") << "textord_min_linesize" << true;
    QTest::newRow("where messages go") << "debug_file" << true;
    QTest::newRow("arithmetic") << "dotproduct" << true;
    QTest::newRow("allowed characters") << "tessedit_char_whitelist" << false;
    QTest::newRow("spaces between words") << "preserve_interword_spaces" << false;
    QTest::newRow("text output") << "tessedit_create_txt" << false;
    QTest::newRow("resolution") << "user_defined_dpi" << false;
}

void TestEngineParameters::namedSettings() {
    QFETCH(QString, name);
    QFETCH(bool, processWide);
    QCOMPARE(processWideVariable(name), processWide);
    QCOMPARE(probe(name), processWide ? Reach::EveryEngine : Reach::EngineOnly);
    if (processWide)
        QVERIFY(!residentVariable(name, QStringLiteral("1")));
}

// The library's own list against what each setting does: every setting one engine can change
// is either seen by another engine (process-wide) or not, and the list says which.
void TestEngineParameters::everySettingAsTheLibraryKeepsIt() {
    const QStringList names = allSettings();
    int everyEngine = 0;
    int engineOnly = 0;
    for (const QString& name : names) {
        const Reach reach = probe(name);
        if (reach == Reach::FixedAtLoad)
            continue;
        const bool shared = reach == Reach::EveryEngine;
        (shared ? everyEngine : engineOnly)++;
        if (processWideVariable(name) != shared)
            QFAIL(qPrintable(QStringLiteral("%1: process-wide %2, listed %3")
                                 .arg(name)
                                 .arg(shared)
                                 .arg(processWideVariable(name))));
    }
    QVERIFY2(everyEngine >= 100, qPrintable(QString::number(everyEngine)));
    QVERIFY2(engineOnly >= 100, qPrintable(QString::number(engineOnly)));
    QVERIFY(!processWideVariable(QStringLiteral("no_such_setting_here")));
}

QTEST_GUILESS_MAIN(TestEngineParameters)
#include "test_engine_parameters.moc"
