#include "enginelayout.h"

#include <tesseract/baseapi.h>
#include <tesseract/resultiterator.h>

#include <memory>

namespace quillpix::enginelayout {
namespace {

QRect boxAt(const tesseract::ResultIterator& it, tesseract::PageIteratorLevel level) {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
    if (!it.BoundingBox(level, &left, &top, &right, &bottom))
        return {};
    return QRect(left, top, right - left, bottom - top);
}

enginelayout::Direction directionAt(const tesseract::ResultIterator& it) {
    tesseract::Orientation orientation = tesseract::ORIENTATION_PAGE_UP;
    tesseract::WritingDirection writing = tesseract::WRITING_DIRECTION_LEFT_TO_RIGHT;
    tesseract::TextlineOrder order = tesseract::TEXTLINE_ORDER_TOP_TO_BOTTOM;
    float deskew = 0;
    it.Orientation(&orientation, &writing, &order, &deskew);
    return writing == tesseract::WRITING_DIRECTION_TOP_TO_BOTTOM
               ? enginelayout::Direction::Vertical
               : enginelayout::Direction::Horizontal;
}

} // namespace

QList<enginelayout::Line> recognisedLines(tesseract::TessBaseAPI& api) {
    QList<enginelayout::Line> lines;
    const std::unique_ptr<tesseract::ResultIterator> it(api.GetIterator());
    if (!it)
        return lines;
    bool lineOpen = false;
    // Blocks are counted as they hold text: a block of no symbol takes no number.
    int block = -1;
    bool blockOpen = false;
    do {
        if (it->IsAtBeginningOf(tesseract::RIL_BLOCK))
            blockOpen = false;
        if (it->IsAtBeginningOf(tesseract::RIL_TEXTLINE))
            lineOpen = false;
        if (it->Empty(tesseract::RIL_SYMBOL))
            continue;
        if (!blockOpen) {
            ++block;
            blockOpen = true;
        }
        if (!lineOpen) {
            lines.append({directionAt(*it), boxAt(*it, tesseract::RIL_TEXTLINE), {}, block});
            lineOpen = true;
        }
        const std::unique_ptr<char[]> text(it->GetUTF8Text(tesseract::RIL_SYMBOL));
        enginelayout::Symbol symbol{QString::fromUtf8(text.get()),
                                    boxAt(*it, tesseract::RIL_SYMBOL),
                                    it->IsAtBeginningOf(tesseract::RIL_WORD)};
        symbol.confidence = it->Confidence(tesseract::RIL_SYMBOL);
        lines.last().symbols.append(std::move(symbol));
    } while (it->Next(tesseract::RIL_SYMBOL));
    return lines;
}

// "-" is the renderer's name for standard output, which it opens nothing for; nothing is
// written there as no text is appended.
LineCollector::LineCollector() : tesseract::TessResultRenderer("-", "lines") {}

bool LineCollector::AddImageHandler(tesseract::TessBaseAPI* api) {
    m_pages.append(recognisedLines(*api));
    return true;
}

} // namespace quillpix::enginelayout
