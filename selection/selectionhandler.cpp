#include "selectionhandler.h"

#include "failure.h"
#include "picturebox.h"
#include "platform.h"
#include "rubberband.h"
#include "widgets.h"

#include <utility>

namespace quillpix {

SelectionHandler::SelectionHandler(Controls& controls, SelectionState& state, Platform& platform,
                                   const Folders& folders)
    : m_c(controls), m_state(state), m_platform(platform), m_folders(folders) {
    connect(m_c.picDisp, &PictureBox::mousePressed, this,
            [this](Qt::MouseButton button, double x, double y) { press(button, x, y); });
    connect(m_c.picDisp, &PictureBox::mouseMoved, this,
            [this](Qt::MouseButtons, double x, double y) { move(x, y); });
    connect(m_c.picDisp, &PictureBox::mouseReleased, this,
            [this](Qt::MouseButton button, double x, double y) { release(button, x, y); });
}

void SelectionHandler::press(Qt::MouseButton button, double x, double y) {
    if (button == Qt::RightButton)
        return;
    SelectionState& s = m_state;
    if (selection::frameOnDisplay(s)) {
        selection::drawFrame(m_c.picDisp, s.x1, s.y1, s.x2, s.y2);
        s.discardCorners();
        m_c.picRect->clearPicture();
        m_c.cmdRecognize->setEnabled(false);
    }
    if (!(x <= 0 && y <= 0)) {
        s.x1 = selection::roundToPixel(x);
        s.y1 = selection::roundToPixel(y);
        s.dragging = true;
        m_movedThisDrag = false;
    }
}

void SelectionHandler::move(double x, double y) {
    SelectionState& s = m_state;
    if (!s.dragging)
        return;
    if (s.x1 > 0 && s.y1 > 0 && s.x2 > 0 && s.y2 > 0)
        selection::drawFrame(m_c.picDisp, s.x1, s.y1, s.x2, s.y2);
    // The frame is drawn at the rounded point that becomes the second corner, so the next
    // move erases exactly what this one drew.
    const int32_t px = selection::roundToPixel(x), py = selection::roundToPixel(y);
    selection::drawFrame(m_c.picDisp, s.x1, s.y1, px, py);
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

    runReportingFailures(m_platform, m_c.frmMain, [&] {
        if (s.x1 != s.x2 && s.y1 != s.y2) {
            if (s.x2 < s.x1)
                std::swap(s.x1, s.x2);
            if (s.y2 < s.y1)
                std::swap(s.y1, s.y2);
            const int h = m_c.HScroll1->value(), v = m_c.VScroll1->value();
            s.frameScrollV = v;
            s.frameScrollH = h;
            m_c.cmdRecognize->setEnabled(true);
            m_c.lblHeight->setText(QStringLiteral("高さ＝") + QString::number(s.y2 - s.y1));
            m_c.lblWidth->setText(QStringLiteral("幅＝") + QString::number(s.x2 - s.x1));
            using selection::toInt32;
            selection::showSelectionPreview(
                m_c.picBmp, toInt32(int64_t(s.x1) + h + 1), toInt32(int64_t(s.y1) + v + 1),
                toInt32(int64_t(s.x2) + h), toInt32(int64_t(s.y2) + v),
                zoomIndexByte(m_c.lstZoom->currentRow()), m_c.picDispRect);
        } else {
            m_c.lblHeight->setText(QString());
            m_c.lblWidth->setText(QString());
            clearPictureBox(m_c.picDispRect);
        }
    });
    m_c.txtResult->setFocus();
}

} // namespace quillpix
