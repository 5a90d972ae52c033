#include "picturereading.h"

#include "automatic.h"

namespace quillpix::folderbatch {

PageReader::PageReading readPicture(PageReader::Worker& worker, const QImage& picture,
                                    const Settings& settings, bool withLines) {
    const pipeline::PreparedPicture prepared =
        pipeline::prepare(picture, engineSettings(settings),
                          settings.keepRunningHeads ? pagelayout::RunningHeads::Kept
                                                    : pagelayout::RunningHeads::LeftOut);
    PageReader::PageReading page;
    if (!prepared.plan.failure.isEmpty()) {
        page.reading.failed = true;
        page.reading.reason = prepared.plan.failure;
        return page;
    }
    page = worker.read(prepared.picture, prepared.settings, withLines);
    page.lines = pipeline::linesOnPicture(page.lines, prepared);
    // The worker tidies by the rules as written; other rules start again from the engine's text.
    if (const pipeline::TextRules rules = textRules(settings); rules != pipeline::TextRules{})
        page.reading.boxText = pipeline::tidiedText(page.reading.engineText, rules);
    return page;
}

} // namespace quillpix::folderbatch
