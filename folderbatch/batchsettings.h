#pragma once

#include <QString>
#include <QStringList>

namespace quillpix::folderbatch {

// What one batch does: which folder, with which engine settings, how many engines at once and
// which share of the folder's pictures.
struct Settings {
    QString folder;
    // The three values the window's lists give the command line: the language argument of
    // "-l", the page segmentation mode (the text after the PSM item's first colon) and the
    // "他" item as the list holds it.
    QString lang;
    QString psm;
    QString option;
    int jobs = 1;
    // Pictures that already have a saved result are read again and the result replaced.
    bool force = false;
    // Picture number shardIndex, shardIndex + shardCount, ... (1-based, in the folder's
    // natural order) belong to this batch.
    int shardIndex = 1;
    int shardCount = 1;
};

// The items the window selects at start: row 0 of each option list in the program folder.
// A missing or empty list gives "".
struct ListDefaults {
    QString lang;
    QString psm;
    QString option;
};
ListDefaults listDefaults(const QString& programFolder);

// The words the window's command line hands the engine after its two paths, split as /bin/sh
// splits them: "-l", lang, "--psm", psm, then the words of the option. Whatever the window's
// batch file puts on a later line (the option "pause" alone, or the text after a line end) is
// not the engine's and is left out.
QStringList engineSettingsWords(const Settings& settings);

// Splits text into words as /bin/sh does for plain words: blanks separate, single quotes keep
// everything, double quotes keep everything but a backslash before " \ $ `, a backslash outside
// quotes keeps the next character.
QStringList shellWords(const QString& text);

} // namespace quillpix::folderbatch
