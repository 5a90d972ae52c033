#pragma once

#include "enginecall.h"
#include "lines.h"
#include "reading.h"
#include "readingplan.h"

#include <QImage>
#include <QList>
#include <QRect>
#include <QSize>
#include <QString>
#include <QStringList>
#include <QTransform>

#include <vector>

// The language item "自動": the engine's language and page segmentation mode are chosen for each
// picture from the picture itself, and the picture is prepared for them (straightened, parts of
// lines at its edges and, on vertical text, the readings beside the columns painted over). The
// window's run and the folder batch both go through here, so a picture gets the same command and
// the same pixels either way.
namespace quillpix::pipeline {

// The list item that asks for the automatic reading, as listLang.txt holds it.
QString automaticLanguage();
// Only the item exactly as shipped; "自動 " or "jpn+自動" stay what they are: a language name the
// engine will refuse.
bool isAutomatic(const EngineSettings& settings);

// How a book opened flat on the glass (a spread) is read: as one picture, its two pages text
// regions of it in a reader's order, as 実行's one command reads it; or as its two
// pages, each prepared as a page of its own, as 認識 and a book's text want them (a page break
// between).
enum class Spreads { OnePicture, TwoPages };

// One page of a spread, prepared as a page of its own.
struct PreparedPage {
    QImage picture;
    EngineSettings settings;
    pagelayout::ReadingPlan plan;
    QRect from; // where the page lies on the planned picture
};

struct PreparedPicture {
    QImage picture;          // what the engine reads
    EngineSettings settings; // the language and mode it reads it with; the option as chosen
    EngineSettings chosen;   // the settings as the lists gave them (text regions follow them)
    // Clockwise quarter turns given to a page that lay sideways or upside down, before the plan
    // (the plan's skew is about the turned picture); 0 when it stood upright.
    int quarterTurns = 0;
    pagelayout::ReadingPlan plan;
    QSize uprightSize; // the picture's as it came, stood upright
    // A photographed page drawn flat: the upright picture's points onto the flat page's;
    // identity for a scan.
    QTransform flattening;
    QSize plannedSize; // what the plan was made on: the upright picture, or the flat page
    // A spread read as two pages: each of them in a reader's order (a vertical book's right
    // page first, a horizontal one's left page); picture, settings and plan hold the first.
    // Empty for a picture read as one.
    std::vector<PreparedPage> pages;
    // What the automatic reading's steps did to the picture, in the order they ran (the page's
    // analysis among them), and why it is read with these settings; empty for a fixed setting.
    QStringList notes;
    QString choice;
};

// The one step before the engine, for every front end (the window's run and 実行, the folder
// batch): with "自動" a page found lying sideways or upside down turned upright first (when it
// holds text enough and the engine's orientation detection is sure), then the plan for the
// picture and the settings it asks for (the chosen mode where it suits the direction found, see
// settingsFor; the option item as it stands); with any other item the picture and the settings
// as they are, and a plan that changes nothing. A vertical page's running head and page number
// are left out unless kept.
PreparedPicture prepare(const QImage& picture, const EngineSettings& chosen,
                        pagelayout::RunningHeads heads = pagelayout::RunningHeads::LeftOut,
                        Spreads spreads = Spreads::OnePicture);

// Why a plan is read with these settings (the direction found, the mode and its reason), as
// the automatic reading notes it; "" for a plan that failed or a fixed setting's.
QString choiceExplained(const pagelayout::ReadingPlan& plan, const EngineSettings& settings);
// Why "自動" read a picture with the settings it did, in a line for the user beside the command
// (which shows --psm 6 or --psm 5 though the list says 3): its choice, then the notes of what
// was done to the picture; "" for a fixed setting.
QString automaticChoiceExplained(const PreparedPicture& prepared);

// One picture the engine reads for a prepared picture, with its settings: the prepared picture
// itself, each page of a spread, or each text region of a page that parts into regions, in the
// order the texts follow one another. page and region say where its lines go back (see
// linesOnPicture), -1 for none.
struct EngineRead {
    QImage picture;
    EngineSettings settings;
    int page = -1;
    int region = -1;
};
std::vector<EngineRead> engineReads(const PreparedPicture& prepared);
// The readings of those pictures, in their order (the first readings.size() of them, when a
// failure stopped the rest), as one reading of the picture: the regions of a page one after the
// other (joinedRegions), the pages of a spread with a page break between them (joinedPages).
Reading joinedReads(const std::vector<EngineRead>& reads, const QList<Reading>& readings);

// Where the engine read on a prepared picture, brought back onto the picture it was prepared
// from: boxes on a text region go back to where the region lay (at the page's scale when the
// region was enlarged for the engine); a straightened picture
// was turned about its centre, so every box is turned back about it and grows to hold its
// turned corners (a text layer over the picture as it came then covers the characters where
// they lie); then a page turned upright is turned back by its quarter turns. Lines of a picture
// left as it was come back as they are. The lines of one page of a spread (page, from 0) go
// back through that page's plan, then onto its place on the picture.
QList<enginelayout::Line> linesOnPicture(QList<enginelayout::Line> lines,
                                         const PreparedPicture& prepared, int page = -1,
                                         int region = -1);

// The engine settings for a direction. Horizontal text is read with jpn and the chosen page
// segmentation mode, except the vertical block (5), which becomes its horizontal counterpart,
// the single block (6); with none chosen, full automatic segmentation (3). Vertical text is read
// with jpn_vert as one block of vertical lines (5), the one mode that reads columns right to
// left whatever mode was chosen. The option item is kept as chosen.
//
// Full automatic segmentation (3, or none chosen) on horizontal text that stands in one block
// becomes the single block (6): the automatic layout analysis at times runs two lines of a
// dense page together into one, which the single block never does; beside another block of
// text (a second column) it stays automatic, and so it does on a picture the plan found no
// text on (oneBlock is false there), which the automatic segmentation dismisses quickly.
EngineSettings settingsFor(pagelayout::Direction direction, const EngineSettings& chosen,
                           bool oneBlock = false);

// Every set of settings a run with these may use: for "自動" the horizontal and the vertical
// reading, otherwise the settings themselves. A batch checks each before its first picture.
QList<EngineSettings> possibleSettings(const EngineSettings& chosen);

} // namespace quillpix::pipeline
