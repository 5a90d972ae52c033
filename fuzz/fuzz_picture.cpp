// Picture loading into the viewer on arbitrary file bytes, under every picture name the list
// shows (the content decides the reader: BMP, GIF, PNG, JPEG, TIFF, WebP, PDF), and as a
// document's second page: either a clear refusal (a Failure) or an opaque picture that fits the
// view's range and can be drawn reduced: 8-bit grey exactly when every pixel is grey, RGB32
// otherwise.
#include "failure.h"
#include "greypicture.h"
#include "picturebox.h"
#include "pictureloader.h"
#include "reducedview.h"

#include "offscreenapp.h"

#include <QTemporaryDir>

#include <algorithm>
#include <cstdlib>

namespace {
QTemporaryDir* dir = nullptr;
const QSize kDisplay(825, 405);
} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    dir = quillpix::fuzzing::startOffscreenApp(argc, argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace quillpix;
    const QString path = dir->filePath(QStringLiteral("fuzz.pdf"));
    fuzzing::writeInput(path, data, size);
    for (int page : {pictures::kNoPage, 1}) {
        QImage picture;
        try {
            picture = viewer::loadPage(path, page, kDisplay);
        } catch (const Failure&) {
            continue;
        }
        // A loaded picture always has pixels, and no transparency left; grey ones are 8-bit.
        if (picture.isNull() || picture.width() <= 0 || picture.height() <= 0 ||
            (picture.format() != QImage::Format_RGB32 &&
             picture.format() != QImage::Format_Grayscale8) ||
            (picture.format() == QImage::Format_RGB32) == pictures::isGrey(picture))
            std::abort();
        // The fast reduced view draws exactly what sampling the picture draws.
        PictureBox fast(nullptr, PictureBox::Border::Sunken);
        PictureBox plain(nullptr, PictureBox::Border::Sunken);
        fast.setOuterSize(kDisplay.width(), kDisplay.height());
        plain.setOuterSize(kDisplay.width(), kDisplay.height());
        viewer::ReducedView view;
        for (int z : {1, 5}) {
            const int hMax = std::max(0, picture.width() / z - kDisplay.width());
            const int vMax = std::max(0, picture.height() / z - kDisplay.height());
            view.draw(&fast, picture, z, hMax, vMax, hMax, vMax);
            viewer::drawByStretching(&plain, picture, z, hMax, vMax);
            if (fast.surface() != plain.surface())
                std::abort();
        }
    }
    return 0;
}
