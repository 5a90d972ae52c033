#pragma once

#include "lines.h"

#include <QList>

#include <tesseract/renderer.h>

namespace tesseract {
class TessBaseAPI;
}

// What the engine read and where, as the searchable PDF's lines: the one place that walks the
// engine's results, so that every way of running it (a call of Recognize(), a run of
// ProcessPages with renderers) gives the same lines.
namespace quillpix::enginelayout {

// The lines of the page the engine has just recognised (after Recognize(), or in a renderer's
// AddImageHandler), in its reading order, in the pixels of the picture it was given. A line
// whose block the engine reads top to bottom is vertical. With alternatives, each symbol gets
// the other readings the engine kept for it (for the LSTM engine: only while its
// lstm_choice_mode was 2 as it recognised, and still is).
QList<enginelayout::Line> recognisedLines(tesseract::TessBaseAPI& api,
                                          Alternatives alternatives = Alternatives::Without);

// Collects the lines of every page while TessBaseAPI::ProcessPages runs, and writes nothing
// itself. Give it to ProcessPages as the first renderer, with the one that writes the text
// inserted behind it (collector.insert(new TessTextRenderer(...))): the engine's renderers
// delete the ones inserted behind them, so the collector owns the chain, and none of it may be
// inserted behind another renderer.
class LineCollector final : public tesseract::TessResultRenderer {
public:
    LineCollector();
    // One entry per page given to the engine, in order.
    const QList<QList<enginelayout::Line>>& pages() const { return m_pages; }

protected:
    bool AddImageHandler(tesseract::TessBaseAPI* api) override;

private:
    QList<QList<enginelayout::Line>> m_pages;
};

} // namespace quillpix::enginelayout
