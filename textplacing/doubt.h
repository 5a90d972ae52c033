#pragma once

#include "characters.h"

#include <QList>
#include <QString>

// Which characters of a reading a user should look at: the few the engine was least sure of, and
// the rare kanji it reads where a common one stands. One rule, used wherever characters are marked
// (the result box, hOCR).
namespace quillpix::textplacing {

// How common a character is in Japanese text, by the JIS levels of code page 932: kana, ASCII,
// punctuation and symbols; the first level's 2965 kanji (the common ones); the second level's;
// and what lies beyond the two (extensions, or no Shift-JIS code at all).
enum class Rarity { Common, FirstLevel, SecondLevel, Beyond };
Rarity rarityOf(const QString& character);

// A character the engine was less sure of than this is doubtful. The engine gives 96 to 99 to
// most characters it reads right; below 96.5 lie about 3 % of the characters of a clean page
// and four fifths of its misreadings (docs/doubt.md).
inline constexpr float kSureFrom = 96.5F;
// At most this share of a reading's characters is marked, the least sure first: on a page read
// badly, a mark on every other character points at nothing, and reading it again does better.
// A fifth rather than a tenth: the errors gather on the pages read worst, and there a tenth
// left a part of them unmarked (docs/doubt.md).
inline constexpr double kMostMarked = 0.20;

// Sets doubtful on each character: less sure than kSureFrom, or a kanji beyond the first level
// (the engine's model reaches for rare kanji on a blurred common one), as long as no more than
// kMostMarked of them are. A character that is not what the engine read (typed over, or where
// nothing was read) is never doubtful: the user wrote it.
void markDoubtful(QList<PlacedCharacter>& characters);

} // namespace quillpix::textplacing
