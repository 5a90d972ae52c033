#include "pix.h"

#include "pictureresolution.h"

#include <leptonica/allheaders.h>

#include <QPainter>

#include <cstring>

namespace quillpix::pagelayout {

void PixDeleter::operator()(Pix* pix) const {
    pixDestroy(&pix);
}

PixPtr toGreyPix(const QImage& image) {
    QImage grey;
    if (image.hasAlphaChannel()) {
        QImage flat(image.size(), QImage::Format_RGB32);
        flat.fill(Qt::white);
        QPainter painter(&flat);
        painter.drawImage(0, 0, image);
        painter.end();
        grey = flat.convertToFormat(QImage::Format_Grayscale8);
    } else {
        grey = image.convertToFormat(QImage::Format_Grayscale8);
    }
    const int w = grey.width();
    const int h = grey.height();
    PixPtr pix(pixCreate(w, h, 8));
    if (!pix)
        return pix;
    l_uint32* data = pixGetData(pix.get());
    const int wpl = pixGetWpl(pix.get());
    for (int y = 0; y < h; ++y) {
        const uchar* in = grey.constScanLine(y);
        l_uint32* line = data + size_t(y) * wpl;
        for (int x = 0; x < w; ++x)
            SET_DATA_BYTE(line, x, in[x]);
    }
    pixSetResolution(pix.get(), pictures::wholeDotsPerInch(image.dotsPerMeterX()),
                     pictures::wholeDotsPerInch(image.dotsPerMeterY()));
    return pix;
}

QImage toGreyImage(const Pix* source) {
    Pix* pix = const_cast<Pix*>(source);
    const int w = int(pixGetWidth(pix));
    const int h = int(pixGetHeight(pix));
    const int depth = int(pixGetDepth(pix));
    QImage out(w, h, QImage::Format_Grayscale8);
    const l_uint32* data = pixGetData(pix);
    const int wpl = pixGetWpl(pix);
    for (int y = 0; y < h; ++y) {
        const l_uint32* line = data + size_t(y) * wpl;
        uchar* o = out.scanLine(y);
        for (int x = 0; x < w; ++x)
            o[x] = depth == 1 ? (GET_DATA_BIT(line, x) ? 0 : 255) : uchar(GET_DATA_BYTE(line, x));
    }
    out.setDotsPerMeterX(pictures::dotsPerMetre(pixGetXRes(pix)));
    out.setDotsPerMeterY(pictures::dotsPerMetre(pixGetYRes(pix)));
    return out;
}

} // namespace quillpix::pagelayout
