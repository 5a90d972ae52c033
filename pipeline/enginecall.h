#pragma once

#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

// The engine settings the window's three lists give, and the command they make for a work
// folder, read as tess.bat reads it. The folder batch writes no tess.bat, but it asks this the
// same command the window would write, so the engine gets the same words either way.
namespace quillpix::pipeline {

// The three values the lists give the command line: the language argument of "-l", the page
// segmentation mode (the text after the PSM item's first colon) and the "他" item as the list
// holds it.
struct EngineSettings {
    QString lang;
    QString psm;
    QString option;
};

// The command the window writes to tess.bat for a work picture folder/tmp.bmp and output base
// folder/tmp with these settings ("pause" on a line of its own).
QString commandFor(const QString& folder, const EngineSettings& settings);

// The one engine command of a batch text, as the batch file runner reads it (variables
// expanded with environment, %0 as batchPath): the program word and its arguments. A "pause"
// line and comments are passed over, since no one is there to answer. problem is set, in
// Japanese, when the text holds anything else: a second command, "&", "|", a redirection, a
// syntax error, or nothing at all.
struct CommandWords {
    QStringList words;
    QString problem;
};
CommandWords commandWords(const QString& batchText, const QProcessEnvironment& environment,
                          const QString& batchPath = {});

} // namespace quillpix::pipeline
