// Picture loading into the viewer on arbitrary file bytes, as a BMP and as a GIF: either a
// clear refusal (a Failure) or a picture that fits the view's range and can be drawn reduced.
#include "failure.h"
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
    for (const char* name : {"fuzz.bmp", "fuzz.gif"}) {
        const QString path = dir->filePath(QString::fromLatin1(name));
        fuzzing::writeInput(path, data, size);
        QImage picture;
        try {
            picture = viewer::loadPicture(path, kDisplay);
        } catch (const Failure&) {
            continue;
        }
        if (picture.isNull() || picture.width() <= 0 || picture.height() <= 0)
            std::abort(); // a loaded picture always has pixels
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
