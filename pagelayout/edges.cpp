#include "edges.h"

#include "ink.h"

#include <leptonica/allheaders.h>

#include <algorithm>

namespace quillpix::pagelayout {
namespace {

// A band thinner than this share of a character is part of a line; one at least this thick is
// a whole line (a column with its readings is thicker still).
constexpr double kPartShare = 0.7;
constexpr double kWholeShare = 0.8;

std::vector<int> profileOf(Pix* binary, Direction direction) {
    NUMA* counts = direction == Direction::Horizontal ? pixCountPixelsByRow(binary, nullptr)
                                                      : pixCountPixelsByColumn(binary);
    std::vector<int> out;
    if (!counts)
        return out;
    out.resize(size_t(numaGetCount(counts)));
    for (size_t i = 0; i < out.size(); ++i)
        numaGetIValue(counts, int(i), &out[i]);
    numaDestroy(&counts);
    return out;
}

} // namespace

std::vector<std::pair<int, int>> partialEdgeBands(const std::vector<int>& profile, double em) {
    std::vector<std::pair<int, int>> bands;
    const int n = int(profile.size());
    for (int i = 0; i < n;) {
        if (profile[i] == 0) {
            ++i;
            continue;
        }
        int j = i;
        while (j + 1 < n && profile[j + 1] > 0)
            ++j;
        bands.emplace_back(i, j);
        i = j + 1;
    }
    std::vector<std::pair<int, int>> parts;
    if (bands.size() < 2 || em <= 0)
        return parts;
    const auto thickness = [](const std::pair<int, int>& b) { return b.second - b.first + 1; };
    const bool wholeLine = std::any_of(bands.begin(), bands.end(), [&](const auto& b) {
        return thickness(b) >= kWholeShare * em;
    });
    if (!wholeLine)
        return parts;
    if (bands.front().first == 0 && thickness(bands.front()) < kPartShare * em)
        parts.push_back(bands.front());
    if (bands.back().second == n - 1 && thickness(bands.back()) < kPartShare * em)
        parts.push_back(bands.back());
    return parts;
}

std::vector<QRect> partialEdgeLines(const Ink& ink, Direction direction) {
    std::vector<QRect> out;
    if (ink.em <= 0 || !ink.binary)
        return out;
    Pix* binary = ink.binary.get();
    const int w = int(pixGetWidth(binary));
    const int h = int(pixGetHeight(binary));
    for (const auto& [first, last] : partialEdgeBands(profileOf(binary, direction), ink.em)) {
        if (direction == Direction::Horizontal)
            out.emplace_back(0, first, w, last - first + 1);
        else
            out.emplace_back(first, 0, last - first + 1, h);
    }
    return out;
}

} // namespace quillpix::pagelayout
