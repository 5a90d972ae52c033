#include "picturereading.h"

#include "automatic.h"

namespace quillpix::folderbatch {

namespace {

// One picture the engine reads: its lines brought back onto the picture as it came, its text
// tidied by the batch's rules.
PageReader::PageReading readPrepared(PageReader::Worker& worker, const pipeline::EngineRead& one,
                                     const pipeline::PreparedPicture& prepared,
                                     const Settings& settings, bool withLines) {
    PageReader::PageReading read = worker.read(one.picture, one.settings, withLines);
    read.lines = pipeline::linesOnPicture(read.lines, prepared, one.page, one.region);
    // The worker tidies by the rules as written; other rules start again from the engine's text.
    if (const pipeline::TextRules rules = textRules(settings); rules != pipeline::TextRules{})
        read.reading.boxText = pipeline::tidiedText(read.reading.engineText, rules);
    return read;
}

} // namespace

PageReader::PageReading readPicture(PageReader::Worker& worker, const QImage& picture,
                                    const Settings& settings, bool withLines) {
    const pipeline::PreparedPicture prepared =
        pipeline::prepare(picture, settings.engine,
                          settings.keepRunningHeads ? pagelayout::RunningHeads::Kept
                                                    : pagelayout::RunningHeads::LeftOut,
                          pipeline::Spreads::TwoPages);
    PageReader::PageReading page;
    if (!prepared.plan.failure.isEmpty()) {
        page.reading.failed = true;
        page.reading.reason = prepared.plan.failure;
        return page;
    }
    // Each page of a spread, and each text region of a page, read on its own.
    const std::vector<pipeline::EngineRead> reads = pipeline::engineReads(prepared);
    QList<pipeline::Reading> readings;
    for (const pipeline::EngineRead& one : reads) {
        PageReader::PageReading read = readPrepared(worker, one, prepared, settings, withLines);
        readings << read.reading;
        enginelayout::appendLines(page.lines, std::move(read.lines));
        page.hasLines = read.hasLines;
        // A failed or stopped engine fails the picture: the regions after it are not read.
        if (!read.reading.succeeded())
            break;
    }
    page.reading = pipeline::joinedReads(reads, readings);
    return page;
}

} // namespace quillpix::folderbatch
