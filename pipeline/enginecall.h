#pragma once

#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

// The engine settings the window's three lists give, and what they make for a work folder: the
// command the window writes to tess.bat, and the engine's words the folder batch starts the
// engine with (it writes no tess.bat). Both are made from the settings, so the engine gets the
// same words either way.
namespace quillpix::pipeline {

// The three values the lists give the command line: the language argument of "-l", the page
// segmentation mode (the text after the PSM item's first colon) and the "他" item as the list
// holds it.
struct EngineSettings {
    QString lang;
    QString psm;
    QString option;
};
// The settings the three lists' items make: the language and the option item as they stand,
// the PSM item's value (itemValue). The one way an item becomes a setting, for the window's run,
// its folder batch and the command line's defaults alike.
EngineSettings settingsOfItems(const QString& langItem, const QString& psmItem,
                               const QString& optionItem);

// The command the window writes to tess.bat for a work picture folder/tmp.bmp and output base
// folder/tmp with these settings ("pause" on a line of its own).
QString commandFor(const QString& folder, const EngineSettings& settings);

// The words of the engine call the settings make for a work folder's picture: the program,
// the work picture and the output base as the command names them (see buildCommandLine), then
// "-l", "--psm" and the option item, split as the batch file runner splits tess.bat's lines
// (variables expanded with environment, a "pause" line passed over, since no one is there to
// answer). problem is set, in Japanese, when the lists' text makes anything else of it: a second
// command, "&", "|", a redirection or a syntax error.
struct CommandWords {
    QStringList words;
    QString problem;
};
CommandWords engineWords(const QString& folder, const EngineSettings& settings,
                         const QProcessEnvironment& environment);

} // namespace quillpix::pipeline
