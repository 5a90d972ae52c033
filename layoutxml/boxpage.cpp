#include "boxpage.h"

namespace quillpix::layoutxml {

PageText pageOfBox(const QString& picture, QSize size, const QString& stored,
                   const textplacing::BoxPlaces& places) {
    PageText page{picture, size, {}, {}};
    int block = 0;
    bool blockOpen = false;
    qsizetype position = 0; // in the box: a line break is one
    qsizetype index = 0;    // in stored
    while (index <= stored.size()) {
        qsizetype end = index;
        while (end < stored.size() && stored[end] != u'\n' && stored[end] != u'\r')
            ++end;
        if (end == index) {
            if (blockOpen)
                ++block;
            blockOpen = false;
        } else {
            enginelayout::Line line;
            line.block = block;
            int vertical = 0;
            int placed = 0;
            bool afterSpace = true;
            for (qsizetype i = index; i < end;) {
                const qsizetype length = stored[i].isHighSurrogate() && i + 1 < end ? 2 : 1;
                const QString text = stored.mid(i, length);
                const qsizetype at = position + (i - index);
                if (text.trimmed().isEmpty()) {
                    afterSpace = true;
                    i += length;
                    continue;
                }
                textplacing::PlacedCharacter character;
                character.text = text;
                character.at = i;
                character.line = int(page.lines.size());
                character.startsWord = afterSpace;
                afterSpace = false;
                if (const textplacing::Place* place = places.placeAt(at)) {
                    character.box = place->box;
                    character.confidence = place->confidence;
                    character.doubtful = place->doubtful;
                    line.box = line.box.united(place->box);
                    vertical += place->vertical;
                    ++placed;
                } else {
                    character.changed = true;
                }
                page.characters << character;
                i += length;
            }
            if (vertical * 2 > placed)
                line.direction = enginelayout::Direction::Vertical;
            page.lines << line;
            blockOpen = true;
        }
        position += end - index + 1;
        // CR LF is one break.
        if (end + 1 < stored.size() && stored[end] == u'\r' && stored[end + 1] == u'\n')
            ++end;
        index = end + 1;
    }
    return page;
}

} // namespace quillpix::layoutxml
