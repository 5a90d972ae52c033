#include "doubt.h"

#include "cp932.h"

#include <algorithm>
#include <vector>

namespace quillpix::textplacing {
namespace {

// Code page 932's codes: the first level's kanji run from 0x889F to 0x9872, the second level's
// from 0x989F to 0xEAA4.
constexpr int kFirstLevelFrom = 0x889F;
constexpr int kSecondLevelFrom = 0x989F;
constexpr int kSecondLevelEnd = 0xEAA4;

bool doubtfulAlone(const PlacedCharacter& c) {
    // What the user typed is what the user meant, whatever the engine read there.
    if (c.confidence == enginelayout::kNoConfidence || c.changed)
        return false;
    return c.confidence < kSureFrom || rarityOf(c.text) >= Rarity::SecondLevel;
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
    std::vector<qsizetype> doubtful;
    for (qsizetype i = 0; i < characters.size(); ++i) {
        characters[i].doubtful = false;
        if (doubtfulAlone(characters[i]))
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
