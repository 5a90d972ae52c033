#include "enginelayout.h"

#include <tesseract/baseapi.h>
#include <tesseract/resultiterator.h>

#include <algorithm>
#include <memory>
#include <utility>
#include <vector>

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

// Enough for a person to pick from; the engine's later choices are seldom right.
constexpr qsizetype kMostAlternatives = 5;

// The other readings the engine kept for the symbol at it, most likely first. Without any
// (the LSTM engine not told to keep them) its choices are the chosen text alone.
QStringList alternativesAt(const tesseract::ResultIterator& it, const QString& chosen) {
    std::vector<std::pair<QString, float>> choices;
    tesseract::ChoiceIterator choice(it);
    do {
        const char* text = choice.GetUTF8Text();
        if (text)
            choices.emplace_back(QString::fromUtf8(text), choice.Confidence());
    } while (choice.Next());
    // Their order is the engine's search order, not always by likelihood.
    std::stable_sort(choices.begin(), choices.end(),
                     [](const auto& a, const auto& b) { return a.second > b.second; });
    QStringList alternatives;
    for (const auto& [text, confidence] : choices) {
        if (text.trimmed().isEmpty() || text == chosen || alternatives.contains(text))
            continue;
        alternatives << text;
        if (alternatives.size() == kMostAlternatives)
            break;
    }
    return alternatives;
}

} // namespace

QList<enginelayout::Line> recognisedLines(tesseract::TessBaseAPI& api, Alternatives alternatives) {
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
        if (alternatives == Alternatives::With)
            symbol.alternatives = alternativesAt(*it, symbol.text);
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
