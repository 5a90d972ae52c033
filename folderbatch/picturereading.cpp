#include "picturereading.h"

#include "automatic.h"

namespace quillpix::folderbatch {

namespace {

// One picture the engine reads: its lines brought back onto the picture as it came (page: the
// spread's page it is, or -1), its text tidied by the batch's rules.
PageReader::PageReading readPrepared(PageReader::Worker& worker, const QImage& picture,
                                     const pipeline::EngineSettings& engineSettings,
                                     const pipeline::PreparedPicture& prepared, int page,
                                     const Settings& settings, bool withLines) {
    PageReader::PageReading read = worker.read(picture, engineSettings, withLines);
    read.lines = pipeline::linesOnPicture(read.lines, prepared, page);
    // The worker tidies by the rules as written; other rules start again from the engine's text.
    if (const pipeline::TextRules rules = textRules(settings); rules != pipeline::TextRules{})
        read.reading.boxText = pipeline::tidiedText(read.reading.engineText, rules);
    return read;
}

} // namespace

PageReader::PageReading readPicture(PageReader::Worker& worker, const QImage& picture,
                                    const Settings& settings, bool withLines) {
    const pipeline::PreparedPicture prepared =
        pipeline::prepare(picture, engineSettings(settings),
                          settings.keepRunningHeads ? pagelayout::RunningHeads::Kept
                                                    : pagelayout::RunningHeads::LeftOut,
                          pipeline::Spreads::TwoPages);
    PageReader::PageReading page;
    if (!prepared.plan.failure.isEmpty()) {
        page.reading.failed = true;
        page.reading.reason = prepared.plan.failure;
        return page;
    }
    if (prepared.pages.empty())
        return readPrepared(worker, prepared.picture, prepared.settings, prepared, -1, settings,
                            withLines);
    // A spread: each page read on its own, the texts one after the other with a page break.
    QList<pipeline::Reading> readings;
    for (size_t k = 0; k < prepared.pages.size(); ++k) {
        const pipeline::PreparedPage& one = prepared.pages[k];
        PageReader::PageReading read =
            readPrepared(worker, one.picture, one.settings, prepared, int(k), settings, withLines);
        readings << read.reading;
        page.lines << read.lines;
        page.hasLines = read.hasLines;
    }
    page.reading = pipeline::joinedPages(readings);
    return page;
}

} // namespace quillpix::folderbatch
