#pragma once

#include <QImage>
#include <QRgb>

#include <cstdint>
#include <memory>
#include <vector>

namespace quillpix {

class PictureBox;

namespace viewer {

// The view's stretch rule: the display is painted in its back colour, then display pixel
// (dx, dy), for dx < W \ z and dy < H \ z, takes picture pixel
// (hPos·z + dx·W / (W \ z), vPos·z + dy·H / (H \ z)) when that lies inside the picture.
//
// Sampling a full-size scan for every scroll step reads far more memory than the display
// holds. Since dx·W / (W \ z) = dx·z + phase(dx) with 0 ≤ phase < z constant over a few long
// runs of display columns (and the same for rows), the pixels each run can show at any scroll
// position are gathered once per picture, zoom and display; a redraw then copies display
// rows from them. The drawn pixels are exactly those of the rule.
class ReducedView {
public:
    // Draws the view at (hPos, vPos) for bars that reach hMax and vMax. Positions the bars
    // cannot reach are drawn by sampling the picture directly.
    void draw(PictureBox* display, const QImage& picture, int z, int hPos, int vPos, int hMax,
              int vMax);
    // Lets go of the gathered pixels (a new picture is coming).
    void forget();

private:
    // A run of display columns (or rows) that share one phase, and the range of scroll-shifted
    // reduced indices u = position + d the run can show: [lo, hi).
    struct Run {
        int d0 = 0;
        int d1 = 0;
        int phase = 0;
        int lo = 0;
        int hi = 0;
    };
    // Pixels for one column run and one row run: pixel (u - lo, v - lo) is picture pixel
    // (u·z + phase, v·z + phase), rows stride pixels apart, in the picture's own format (QRgb,
    // or one byte for a grey picture). At 100 % this is the picture itself.
    struct Tile {
        const uchar* pixels = nullptr;
        qsizetype stride = 0;
    };
    struct Key {
        qint64 picture = 0;
        bool grey = false;
        int width = -1;
        int height = -1;
        int z = 0;
        int surfaceWidth = -1;
        int surfaceHeight = -1;
        int hMax = -1;
        int vMax = -1;
        bool operator==(const Key&) const = default;
    };

    static std::vector<Run> runs(int full, int reduced, int shown, int z, int maxPosition);
    void prepare(const Key& key, const QImage& picture);
    template <typename Pixel> void gather(const QImage& picture);
    template <typename Pixel> void drawRows(QImage& surface, QRgb back, int hPos, int vPos) const;

    Key m_key;
    // Held while the tiles point into it (100 %).
    QImage m_picture;
    // The gathered pixels of all tiles, in bytes. Kept between pictures and zooms: fresh memory
    // costs a page fault per 4 KiB on first touch, which would dominate a zoom change.
    std::unique_ptr<uchar[]> m_buffer;
    size_t m_capacity = 0;
    size_t m_used = 0;
    std::vector<Run> m_columns;
    std::vector<Run> m_rows;
    std::vector<Tile> m_tiles; // row-run major
};

// The stretch rule sampled directly from the picture, as a reference and for positions the
// bars cannot reach: clears the display, then copies.
void drawByStretching(PictureBox* display, const QImage& picture, int z, int hPos, int vPos);

} // namespace viewer
} // namespace quillpix
