#pragma once

#include "enginecall.h"
#include "reading.h"
#include "textfiles.h"

#include <QString>
#include <QStringList>

namespace quillpix::folderbatch {

// What one batch does: which folder, with which engine settings, how many engines at once and
// which share of the folder's pictures.
struct Settings {
    QString folder;
    // What the window's three lists give the engine (settingsOfItems).
    pipeline::EngineSettings engine;
    int jobs = 1;
    // Pictures that already have a saved result are read again and the result replaced.
    bool force = false;
    // Picture number shardIndex, shardIndex + shardCount, ... (1-based, in the folder's
    // natural order) belong to this batch.
    int shardIndex = 1;
    int shardCount = 1;
    // The clean-up keeps Latin text's spaces and periods (--keep-latin-spaces), and the lines of
    // each paragraph are joined (--paragraphs); both off, as the window reads.
    bool keepLatinSpaces = false;
    bool paragraphs = false;
    // The running head and page number of a vertical page read with it (--running-heads); left
    // out otherwise, as the window reads.
    bool keepRunningHeads = false;
    // The book: every picture's result of the folder joined into this file ("" for none).
    QString book{};
    // The options of the outputs asked for besides the texts ("--pdf", "--hocr", "--alto": see
    // outputFormats()).
    QStringList outputs{};
    // Only this file of the folder (a document), its text and its PDF; "" for the whole folder.
    QString document{};
    // What the results, the document texts and the book are written in.
    textfiles::TextEncoding encoding = textfiles::TextEncoding::ShiftJis;
};

// The items the window selects at start: row 0 of each option list in the program folder.
// A missing or empty list gives "".
pipeline::EngineSettings listDefaults(const QString& programFolder);

// How the engine's text is tidied for these settings.
pipeline::TextRules textRules(const Settings& settings);

} // namespace quillpix::folderbatch
