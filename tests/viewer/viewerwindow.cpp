#include "viewerwindow.h"

#include "filelistbox.h"
#include "picturebox.h"
#include "widgets.h"

#include <QtTest>

namespace quillpix::testing {

void ViewerWindow::open() {
    window = std::make_unique<FrmMain>(platform, ws.bin());
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window.get()));
}

int ViewerWindow::rowOf(const QString& name) {
    for (int i = 0; i < c().File1->count(); ++i)
        if (c().File1->item(i)->text() == name)
            return i;
    return -1;
}

void ViewerWindow::choose(const QString& name) {
    FileListBox* list = c().File1;
    const int row = rowOf(name);
    QVERIFY2(row >= 0, qPrintable(name));
    list->scrollToItem(list->item(row));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                      list->visualItemRect(list->item(row)).center());
}

void ViewerWindow::waitUntilRead() {
    // A deadline only so that a read that never ends fails the test instead of hanging it.
    QVERIFY(QTest::qWaitFor([this] { return !window->viewer().reading(); }, 300000));
}

void ViewerWindow::chooseZoom(int row) {
    QListWidget* list = c().lstZoom;
    list->scrollToItem(list->item(row));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                      list->visualItemRect(list->item(row)).center());
}

QImage ViewerWindow::expectedView(int z, int h, int v) {
    const PictureBox* display = c().picDisp;
    return stretchedByHand(c().picBmp->picture(), display->surface().size(),
                           display->backColor().rgb(), z, h, v);
}

QImage stretchedByHand(const QImage& picture, QSize surface, QRgb back, int z, int h, int v) {
    QImage out(surface, QImage::Format_RGB32);
    out.fill(back);
    const int w = picture.width(), ht = picture.height(), sw = w / z, sh = ht / z;
    for (int dy = 0; dy < std::min(sh, surface.height()); ++dy)
        for (int dx = 0; dx < std::min(sw, surface.width()); ++dx) {
            const qint64 sx = qint64(h) * z + qint64(dx) * w / sw;
            const qint64 sy = qint64(v) * z + qint64(dy) * ht / sh;
            if (sx < w && sy < ht)
                out.setPixel(dx, dy, picture.pixel(int(sx), int(sy)));
        }
    return out;
}

void xorFrame(QImage& image, int x1, int y1, int x2, int y2) {
    const int l = std::min(x1, x2), r = std::max(x1, x2), t = std::min(y1, y2),
              b = std::max(y1, y2);
    for (int y = std::max(t, 0); y <= std::min(b, image.height() - 1); ++y)
        for (int x = std::max(l, 0); x <= std::min(r, image.width() - 1); ++x)
            if (x == l || x == r || y == t || y == b)
                image.setPixel(x, y, image.pixel(x, y) ^ 0x808080);
}

namespace {
const QPoint kBorder(PictureBox::kSunkenBorder, PictureBox::kSunkenBorder);
}

void pressOn(QWidget* display, QPoint at, Qt::MouseButton button) {
    QTest::mousePress(display, button, {}, at + kBorder);
}

void moveOn(QWidget* display, QPoint to) {
    QTest::mouseMove(display, to + kBorder);
}

void releaseOn(QWidget* display, QPoint at, Qt::MouseButton button) {
    QTest::mouseRelease(display, button, {}, at + kBorder);
}

void drag(QWidget* display, QPoint from, QPoint to) {
    pressOn(display, from);
    moveOn(display, (from + to) / 2);
    moveOn(display, to);
    releaseOn(display, to);
}

} // namespace quillpix::testing
