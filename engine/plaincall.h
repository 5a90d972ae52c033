#pragma once

#include <QList>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

#include <optional>
#include <utility>

// What the engine's command line is asked to do, read from one command, over plain values.
namespace quillpix::engine {

// A call of the engine that writes its text output and nothing else. Paths are as the command
// wrote them (relative ones are relative to the folder the batch runs in).
struct PlainCall {
    QString image;
    QString outputBase;
    QString languages = QStringLiteral("eng"); // the engine's own default
    int psm = 3;                               // fully automatic page segmentation
    int oem = 3;                               // whatever the language data offers
    int dpi = 0;                               // 0: the picture's own resolution
    // The -c assignments in command order; the engine sets them one after the other.
    QList<std::pair<QString, QString>> variables;
    QString tessdataDir; // "" when not given
    QString userWords;   // "" when not given
    QString userPatterns;
    QStringList configs; // config file names, in order

    bool operator==(const PlainCall&) const = default;
};

// The call when words (words[0] is the program) are a plain call of "tesseract": an input
// picture and an output base, then any of -l, --psm, --oem, --dpi, -c NAME=VALUE,
// --tessdata-dir, --user-words and --user-patterns, then config names, in the order the
// engine's command line reads them. Anything else gives nullopt: another program, standard
// input or output, a missing or odd value, an option not listed, a variable that writes files
// or other formats, opens windows, changes how the engine computes or is process-wide.
std::optional<PlainCall> plainCall(const QStringList& words);

// Whether a variable of a config file or of -c may be set for a resident run: it neither
// selects another output nor writes files nor shows anything, it names no file, and it belongs
// to the engine it is set for (a process-wide setting would reach every later run).
bool residentVariable(const QString& name, const QString& value);

// The settings of a config file ("name value" lines, "#" comments) in order.
QList<std::pair<QString, QString>> configSettings(const QString& configText);

// The settings lines of a config file ("name value", "#" comments) that a resident run cannot
// take; empty when every line is fine.
QStringList refusedConfigLines(const QString& configText);

// The call a batch's text makes when the batch file runner would run exactly one plain call of
// "tesseract" for it: lines are read as the runner reads them (batchfile::expandVariables with
// this environment and batchPath for %0, then batchfile::parseLine), and exactly one of them is
// neither empty nor a comment; it holds one command, without "&", "|" or a redirection, whose
// words plainCall() takes. So quotes, "^" and %NAME% mean here what they mean to the runner, and
// the engine gets the same words either way. nullopt for anything else ("pause" included).
std::optional<PlainCall> plainCallOfBatch(const QString& batchText,
                                          const QProcessEnvironment& environment,
                                          const QString& batchPath);

// The call with its relative paths (picture, output base, tessdata folder, user words and
// patterns) made absolute against folder.
PlainCall resolvedAgainst(const PlainCall& call, const QString& folder);

} // namespace quillpix::engine
