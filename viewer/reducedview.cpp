#include "reducedview.h"

#include "picturebox.h"
#include "viewmath.h"

#include <algorithm>
#include <cstring>
#include <type_traits>

namespace quillpix::viewer {

void drawByStretching(PictureBox* display, const QImage& picture, int z, int hPos, int vPos) {
    clearPictureBox(display);
    const int w = picture.width(), h = picture.height();
    display->stretchCopy(picture, QRect(sourceOffset(hPos, z), sourceOffset(vPos, z), w, h),
                         QRect(0, 0, w / z, h / z));
}

std::vector<ReducedView::Run> ReducedView::runs(int full, int reduced, int shown, int z,
                                                int maxPosition) {
    std::vector<Run> out;
    for (int d = 0; d < shown; ++d) {
        const int phase = int(int64_t(d) * full / reduced - int64_t(d) * z);
        if (out.empty() || out.back().phase != phase)
            out.push_back(Run{d, d + 1, phase, 0, 0});
        else
            out.back().d1 = d + 1;
    }
    for (Run& run : out) {
        // Positions run from 0 to maxPosition; u·z + phase must stay inside the picture.
        const int inside = (full - run.phase + z - 1) / z;
        run.lo = run.d0;
        run.hi = std::min(run.d1 + maxPosition, inside);
    }
    return out;
}

void ReducedView::forget() {
    m_key = Key{};
    m_picture = QImage();
    m_used = 0;
    m_columns.clear();
    m_rows.clear();
    m_tiles.clear();
}

namespace {

// A grey picture's byte shown in colour; a colour pixel as it is.
inline QRgb shown(QRgb pixel) {
    return pixel;
}
inline QRgb shown(uchar level) {
    return 0xFF000000u | level * 0x010101u;
}

} // namespace

template <typename Pixel> void ReducedView::gather(const QImage& picture) {
    const int z = m_key.z;
    size_t needed = 0;
    for (const Run& row : m_rows)
        for (const Run& col : m_columns)
            needed += size_t(std::max(0, col.hi - col.lo)) * size_t(std::max(0, row.hi - row.lo));
    needed *= sizeof(Pixel);
    if (needed > m_capacity) {
        m_buffer.reset();
        m_buffer.reset(new uchar[needed]);
        m_capacity = needed;
    }
    m_used = needed;
    auto* next = reinterpret_cast<Pixel*>(m_buffer.get());
    for (const Run& row : m_rows) {
        for (const Run& col : m_columns) {
            const int width = std::max(0, col.hi - col.lo);
            Tile tile{reinterpret_cast<const uchar*>(next), width};
            for (int v = row.lo; v < row.hi && width > 0; ++v) {
                const Pixel* from =
                    reinterpret_cast<const Pixel*>(picture.constScanLine(v * z + row.phase)) +
                    col.phase;
                Pixel* to = next + qsizetype(v - row.lo) * width;
                for (int u = col.lo; u < col.hi; ++u)
                    *to++ = from[int64_t(u) * z];
            }
            next += qsizetype(width) * std::max(0, row.hi - row.lo);
            m_tiles.push_back(tile);
        }
    }
}

template <typename Pixel>
void ReducedView::drawRows(QImage& surface, QRgb back, int hPos, int vPos) const {
    const int width = surface.width();
    const int shownRows = m_rows.empty() ? 0 : m_rows.back().d1;
    size_t rowRun = 0;
    for (int dy = 0; dy < surface.height(); ++dy) {
        QRgb* to = reinterpret_cast<QRgb*>(surface.scanLine(dy));
        while (rowRun < m_rows.size() && m_rows[rowRun].d1 <= dy)
            ++rowRun;
        const int v = vPos + dy;
        if (dy >= shownRows || v >= m_rows[rowRun].hi) {
            std::fill(to, to + width, back);
            continue;
        }
        const Run& row = m_rows[rowRun];
        int dx = 0;
        for (size_t c = 0; c < m_columns.size(); ++c) {
            const Run& col = m_columns[c];
            const Tile& tile = m_tiles[rowRun * m_columns.size() + c];
            // Columns whose u passes hi lie beyond the picture's right edge.
            const int end = std::clamp(col.hi - hPos, col.d0, col.d1);
            if (end > col.d0) {
                const Pixel* from = reinterpret_cast<const Pixel*>(tile.pixels) +
                                    qsizetype(v - row.lo) * tile.stride + (hPos + col.d0 - col.lo);
                if constexpr (std::is_same_v<Pixel, QRgb>)
                    std::memcpy(to + col.d0, from, size_t(end - col.d0) * sizeof(QRgb));
                else
                    for (int d = col.d0; d < end; ++d)
                        to[d] = shown(*from++);
            }
            std::fill(to + end, to + col.d1, back);
            dx = col.d1;
        }
        std::fill(to + dx, to + width, back);
    }
}

void ReducedView::prepare(const Key& key, const QImage& picture) {
    forget();
    m_key = key;
    const int z = key.z;
    m_columns =
        runs(key.width, key.width / z, std::min(key.width / z, key.surfaceWidth), z, key.hMax);
    m_rows =
        runs(key.height, key.height / z, std::min(key.height / z, key.surfaceHeight), z, key.vMax);
    m_tiles.reserve(m_columns.size() * m_rows.size());
    if (z == 1) {
        // One run each way, phase 0 and lo 0: the picture itself.
        m_picture = picture;
        m_tiles.push_back(Tile{m_picture.constBits(),
                               m_picture.bytesPerLine() / qsizetype(m_picture.depth() / 8)});
        return;
    }
    if (key.grey)
        gather<uchar>(picture);
    else
        gather<QRgb>(picture);
}

void ReducedView::draw(PictureBox* display, const QImage& picture, int z, int hPos, int vPos,
                       int hMax, int vMax) {
    QImage& surface = display->surfaceForWriting();
    hMax = std::max(hMax, 0);
    vMax = std::max(vMax, 0);
    const bool grey = picture.format() == QImage::Format_Grayscale8;
    if (picture.isNull() || (picture.format() != QImage::Format_RGB32 && !grey) || z < 1 ||
        hPos < 0 || vPos < 0 || hPos > hMax || vPos > vMax || surface.isNull() ||
        surface.format() != QImage::Format_RGB32) {
        drawByStretching(display, picture, z, hPos, vPos);
        return;
    }
    const Key key{picture.cacheKey(), grey, picture.width(),
                  picture.height(),   z,    surface.width(),
                  surface.height(),   hMax, vMax};
    if (!(key == m_key))
        prepare(key, picture);

    const QRgb back = display->backColor().rgb() | 0xFF000000;
    if (grey)
        drawRows<uchar>(surface, back, hPos, vPos);
    else
        drawRows<QRgb>(surface, back, hPos, vPos);
    display->update();
}

} // namespace quillpix::viewer
