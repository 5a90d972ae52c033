#include "doubt.h"

#include "cp932.h"

#include <algorithm>
#include <map>
#include <vector>

namespace quillpix::textplacing {
namespace {

// Code page 932's codes: the first level's kanji run from 0x889F to 0x9872, the second level's
// from 0x989F to 0xEAA4.
constexpr int kFirstLevelFrom = 0x889F;
constexpr int kSecondLevelFrom = 0x989F;
constexpr int kSecondLevelEnd = 0xEAA4;

bool doubtfulAlone(const PlacedCharacter& c, bool onShortLine) {
    // What the user typed is what the user meant, whatever the engine read there.
    if (c.confidence == enginelayout::kNoConfidence || c.changed)
        return false;
    return c.confidence < kSureFrom || rarityOf(c.text) >= Rarity::SecondLevel || onShortLine;
}

// How many characters lie on each of the engine's lines: a character typed where nothing was read
// lies on none.
std::map<int, int> charactersByLine(const QList<PlacedCharacter>& characters) {
    std::map<int, int> count;
    for (const PlacedCharacter& c : characters)
        if (c.line >= 0)
            ++count[c.line];
    return count;
}

} // namespace

Rarity rarityOf(const QString& character) {
    if (!cp932::unrepresentable(character).isEmpty())
        return Rarity::Beyond;
    const QByteArray bytes = cp932::encode(character);
    if (bytes.size() != 2)
        return Rarity::Common;
    const int code = (uchar(bytes[0]) << 8) | uchar(bytes[1]);
    if (code < kFirstLevelFrom)
        return Rarity::Common;
    if (code < kSecondLevelFrom)
        return Rarity::FirstLevel;
    if (code <= kSecondLevelEnd)
        return Rarity::SecondLevel;
    return Rarity::Beyond;
}

void markDoubtful(QList<PlacedCharacter>& characters) {
    const std::map<int, int> byLine = charactersByLine(characters);
    // A short line stands out only beside lines of text: a reading of short lines alone (a
    // table's cells, a few buttons) is read that way throughout.
    const bool besideText = std::any_of(byLine.begin(), byLine.end(),
                                        [](const auto& l) { return l.second > 2 * kShortLine; });
    std::vector<qsizetype> doubtful;
    for (qsizetype i = 0; i < characters.size(); ++i) {
        PlacedCharacter& c = characters[i];
        c.doubtful = false;
        const bool onShortLine = besideText && c.line >= 0 && byLine.at(c.line) <= kShortLine;
        if (doubtfulAlone(c, onShortLine))
            doubtful.push_back(i);
    }
    const auto most = size_t(double(characters.size()) * kMostMarked);
    if (doubtful.size() > most) {
        std::stable_sort(doubtful.begin(), doubtful.end(), [&](qsizetype a, qsizetype b) {
            return characters[a].confidence < characters[b].confidence;
        });
        doubtful.resize(most);
    }
    for (const qsizetype i : doubtful)
        characters[i].doubtful = true;
}

} // namespace quillpix::textplacing
