#include "selectionhandler.h"

#include "crop.h"
#include "display.h"
#include "failure.h"
#include "failurereport.h"
#include "picturebox.h"
#include "platform.h"
#include "rubberband.h"
#include "widgets.h"

#include <QCoreApplication>
#include <QLabel>

#include <utility>

namespace quillpix {
namespace {

int32_t addChecked(int32_t a, int32_t b) {
    return selection::toInt32(int64_t(a) + b);
}

} // namespace

SelectionHandler::SelectionHandler(const SelectionControls& controls, viewer::Display& display,
                                   Platform& platform)
    : m_c(controls), m_display(display), m_platform(platform) {}

void SelectionHandler::discard() {
    m_state.discardCorners();
    m_frameKnown = false;
    emit selectionDiscarded();
}

void SelectionHandler::clearForNewFolder() {
    clearPictureBox(m_c.picDispRect);
    discard();
}

void SelectionHandler::followView(int h, int v, bool drawn) {
    runReportingFailures(m_platform, [&] {
        selection::followView(m_state, h, v);
        if (drawn)
            m_display.toggleFrame(m_state.x1, m_state.y1, m_state.x2, m_state.y2);
    });
}

void SelectionHandler::press(Qt::MouseButton button, double x, double y) {
    if (button == Qt::RightButton)
        return;
    SelectionState& s = m_state;
    eraseFrame();
    if (!(x <= 0 && y <= 0)) {
        s.x1 = selection::roundToPixel(x);
        s.y1 = selection::roundToPixel(y);
        s.dragging = true;
        m_movedThisDrag = false;
        m_scrolledThisDrag = false;
    }
}

void SelectionHandler::move(double x, double y) {
    SelectionState& s = m_state;
    if (!s.dragging)
        return;
    // Once the view scrolled under the drag, the frame on show is the one drawn last, whatever
    // side of the edges its anchor now lies.
    if ((s.x1 > 0 && s.y1 > 0 && s.x2 > 0 && s.y2 > 0) || m_scrolledThisDrag)
        m_display.toggleFrame(s.x1, s.y1, s.x2, s.y2);
    drawBandTo(x, y);
}

void SelectionHandler::drawBandTo(double x, double y) {
    SelectionState& s = m_state;
    const int32_t px = selection::roundToPixel(x), py = selection::roundToPixel(y);
    m_display.toggleFrame(s.x1, s.y1, px, py);
    s.x2 = px;
    s.y2 = py;
    m_movedThisDrag = true;
    m_movedX = px;
    m_movedY = py;
}

void SelectionHandler::release(Qt::MouseButton button, double x, double y) {
    if (button == Qt::RightButton)
        return;
    SelectionState& s = m_state;
    const int32_t rx = selection::roundToPixel(x), ry = selection::roundToPixel(y);
    // A release where the pointer never moved to leaves the frame elsewhere than the corners
    // say; moving there first keeps the frame on the display and the corners together.
    if (s.dragging && (!m_movedThisDrag || m_movedX != rx || m_movedY != ry))
        move(x, y);
    s.x2 = rx;
    s.y2 = ry;
    s.dragging = false;
    // A view scrolled under the drag left the frame exactly at the corners, wherever they are.
    m_frameKnown = m_scrolledThisDrag;
    m_scrolledThisDrag = false;

    const bool made = s.x1 != s.x2 && s.y1 != s.y2;
    runReportingFailures(m_platform, [&] {
        if (made) {
            if (s.x2 < s.x1)
                std::swap(s.x1, s.x2);
            if (s.y2 < s.y1)
                std::swap(s.y1, s.y2);
            complete();
        } else {
            m_c.lblHeight->setText(QString());
            m_c.lblWidth->setText(QString());
            clearPictureBox(m_c.picDispRect);
        }
    });
    emit dragEnded(made);
}

void SelectionHandler::complete() {
    SelectionState& s = m_state;
    const viewer::ViewPosition view = m_display.viewPosition();
    s.frameScrollV = view.v;
    s.frameScrollH = view.h;
    emit selectionMade();
    m_c.lblHeight->setText(QCoreApplication::translate("selection", "高さ＝") +
                           QString::number(s.y2 - s.y1));
    m_c.lblWidth->setText(QCoreApplication::translate("selection", "幅＝") +
                          QString::number(s.x2 - s.x1));
    using selection::toInt32;
    selection::showSelectionPreview(
        m_display.fullPicture(), toInt32(int64_t(s.x1) + view.h + 1),
        toInt32(int64_t(s.y1) + view.v + 1), toInt32(int64_t(s.x2) + view.h),
        toInt32(int64_t(s.y2) + view.v), view.zoomDivisor, m_c.picDispRect);
}

bool SelectionHandler::selectWholePicture() {
    SelectionState& s = m_state;
    const QImage& picture = m_display.fullPicture();
    if (s.dragging || picture.isNull() || !m_display.showsPicture())
        return false;
    bool done = false;
    runReportingFailures(m_platform, [&] {
        const viewer::ViewPosition view = m_display.viewPosition();
        const selection::Corners whole =
            selection::wholePictureCorners(picture.size(), view.zoomDivisor, view.h, view.v);
        eraseFrame();
        s.x1 = whole.x1;
        s.y1 = whole.y1;
        s.x2 = whole.x2;
        s.y2 = whole.y2;
        m_display.toggleFrame(s.x1, s.y1, s.x2, s.y2);
        // The corners left of and above the view are never erased by the corners' test.
        m_frameKnown = true;
        complete();
        done = true;
    });
    return done;
}

void SelectionHandler::eraseFrame() {
    SelectionState& s = m_state;
    if (!selection::frameOnDisplay(s) && !(m_frameKnown && !s.dragging))
        return;
    m_display.toggleFrame(s.x1, s.y1, s.x2, s.y2);
    m_c.picRect->clearPicture();
    discard();
}

void SelectionHandler::dragScrolled(double x, double y) {
    if (!m_state.dragging)
        return;
    // The view was drawn afresh without a frame and the corners followed it: the band is drawn
    // once from the anchor, wherever it now lies, to the pointer.
    drawBandTo(x, y);
    m_scrolledThisDrag = true;
}

QImage SelectionHandler::cropForRun() {
    // The scroll and zoom of the moment, not those recorded when the selection was made; the
    // engine gets a pixel of margin above and left, four below and right.
    const viewer::ViewPosition view = m_display.viewPosition();
    // As the cut-out counts it: its top-left display pixel, scrolled and at full size.
    m_cropOrigin = QPoint(int((qint64(view.h) + m_state.x1 + 1) * view.zoomDivisor),
                          int((qint64(view.v) + m_state.y1 + 1) * view.zoomDivisor));
    cropSelectionAt(m_display.fullPicture(), addChecked(m_state.x1, 1), addChecked(m_state.y1, 1),
                    addChecked(m_state.x2, 4), addChecked(m_state.y2, 4), view.h, view.v,
                    view.zoomDivisor, m_c.picRect);
    // The cut-out has the picture's pixels, so it has its resolution too: the engine measures
    // the text by it.
    QImage crop = m_c.picRect->surface();
    crop.setDotsPerMeterX(m_display.fullPicture().dotsPerMeterX());
    crop.setDotsPerMeterY(m_display.fullPicture().dotsPerMeterY());
    return crop;
}

void SelectionHandler::showSentPicture(const QImage& picture) {
    m_c.picDispRect->setPicture(picture);
}

} // namespace quillpix
