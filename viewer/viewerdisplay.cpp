#include "viewerhandler.h"

#include "placeframes.h"

#include "failurereport.h"
#include "filelistbox.h"
#include "picturebox.h"
#include "runstate.h"
#include "viewmath.h"
#include "widgets.h"
#include "zoom.h"

#include <QAction>
#include <QCoreApplication>
#include <QFontMetrics>
#include <QPainter>
#include <QScopedValueRollback>
#include <QTimer>

#include <algorithm>
#include <cmath>

// The viewer's display: the scroll bars, the zoom, the mouse on the picture and its menu, and
// the drawing of the view; the folders and files are in viewerhandler.cpp.
namespace quillpix {

void ViewerHandler::setUpScrollBars() {
    connect(m_c.lstZoom, &QListWidget::currentRowChanged, this,
            [this](int row) { chooseZoom(row); });

    for (ScrollBar* bar : {m_c.HScroll1, m_c.VScroll1}) {
        // The position changes when the thumb is released; dragging it raises sliderMoved.
        bar->setTracking(false);
        connect(bar, &QAbstractSlider::valueChanged, this, [this](int) { positionChanged(); });
        // Released where it started, the thumb changes no value, yet the view may show a
        // tracking position: the release then counts as the position change.
        connect(bar, &QAbstractSlider::sliderReleased, this, [this, bar] {
            if (bar->sliderPosition() == bar->value())
                positionChanged();
        });
    }
    m_c.HScroll1->setSingleStep(1);
    connect(m_c.HScroll1, &QAbstractSlider::sliderMoved, this,
            [this](int) { horizontalTracking(); });
    connect(m_c.VScroll1, &QAbstractSlider::sliderMoved, this, [this](int) { verticalTracking(); });
}

void ViewerHandler::showPlaces(const QRect& current, const QList<QRect>& marked) {
    m_frames->setPlaces(current, marked);
    if (current.isEmpty() || !showsPicture())
        return;
    const QRect shown = m_frames->onDisplay(current);
    const QRect display(0, 0, m_c.picDisp->innerWidth(), m_c.picDisp->innerHeight());
    if (display.contains(shown))
        return;
    // Centred where the bars allow: the lines around it show too.
    const int z = zoomDivisor();
    m_c.HScroll1->setValue(std::clamp(current.center().x() / z - display.width() / 2, 0,
                                      std::max(0, m_c.HScroll1->logicalMaximum())));
    m_c.VScroll1->setValue(std::clamp(current.center().y() / z - display.height() / 2, 0,
                                      std::max(0, m_c.VScroll1->logicalMaximum())));
}

void ViewerHandler::setUpDisplay() {
    // Nothing is selected on a display that does not show the chosen picture yet.
    connect(m_c.picDisp, &PictureBox::mousePressed, this,
            [this](Qt::MouseButton button, double x, double y) {
                if (reading())
                    return;
                m_heldOnDisplay = button == Qt::LeftButton;
                m_pointer = QPointF(x, y);
                m_pressedAt = m_pointer;
                emit displayPressed(button, x, y);
            });
    connect(m_c.picDisp, &PictureBox::mouseMoved, this,
            [this](Qt::MouseButtons buttons, double x, double y) {
                if (reading())
                    return;
                emit displayMoved(x, y);
                m_heldOnDisplay = m_heldOnDisplay && (buttons & Qt::LeftButton);
                m_pointer = QPointF(x, y);
                const QPoint step = viewer::edgeScrollStep(
                    m_pointer, QSize(m_c.picDisp->innerWidth(), m_c.picDisp->innerHeight()));
                if (m_heldOnDisplay && !step.isNull()) {
                    if (!m_edgeTimer->isActive())
                        m_edgeTimer->start();
                } else
                    m_edgeTimer->stop();
            });
    connect(m_c.picDisp, &PictureBox::mouseReleased, this,
            [this](Qt::MouseButton button, double x, double y) {
                if (button == Qt::LeftButton) {
                    m_heldOnDisplay = false;
                    m_edgeTimer->stop();
                }
                if (reading())
                    return;
                emit displayReleased(button, x, y);
                // A click, not a drag: a few pixels of a hand's tremble still count.
                constexpr double kClickSlack = 3;
                if (button == Qt::LeftButton && showsPicture() &&
                    std::abs(x - m_pressedAt.x()) <= kClickSlack &&
                    std::abs(y - m_pressedAt.y()) <= kClickSlack) {
                    const viewer::ViewPosition view = viewPosition();
                    emit displayClicked(QPoint(int((view.h + x) * view.zoomDivisor),
                                               int((view.v + y) * view.zoomDivisor)));
                }
            });
    m_frames = new PlaceFrames(m_c.picDisp);
    // Ticks while a drag is held at the edge, also when the pointer rests there.
    m_edgeTimer = new QTimer(this);
    m_edgeTimer->setInterval(40);
    connect(m_edgeTimer, &QTimer::timeout, this, &ViewerHandler::edgeScrollTick);
    // A click gives the display the focus, so its keys (Ctrl+A, Ctrl+V) reach it.
    m_c.picDisp->setFocusPolicy(Qt::ClickFocus);
    m_c.picDisp->setContextMenuPolicy(Qt::ActionsContextMenu);
    auto* selectWhole =
        new QAction(QCoreApplication::translate("viewer", "画像全体を選択"), m_c.picDisp);
    selectWhole->setObjectName(QStringLiteral("actSelectWhole"));
    selectWhole->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_A));
    selectWhole->setShortcutContext(Qt::WidgetShortcut);
    connect(selectWhole, &QAction::triggered, this, [this] { emit wholePictureRequested(false); });
    auto* readWhole =
        new QAction(QCoreApplication::translate("viewer", "画像全体を読む"), m_c.picDisp);
    readWhole->setObjectName(QStringLiteral("actReadWhole"));
    connect(readWhole, &QAction::triggered, this, [this] { emit wholePictureRequested(true); });
    m_c.picDisp->addActions({selectWhole, readWhole});
    m_c.picDisp->installEventFilter(this);
}

void ViewerHandler::edgeScrollTick() {
    if (!m_heldOnDisplay || reading()) {
        m_edgeTimer->stop();
        return;
    }
    runReportingFailures(m_platform, [&] {
        const QPoint step = viewer::edgeScrollStep(
            m_pointer, QSize(m_c.picDisp->innerWidth(), m_c.picDisp->innerHeight()));
        const int h = std::clamp(m_c.HScroll1->value() + step.x(), 0, m_c.HScroll1->maximum());
        const int v = std::clamp(m_c.VScroll1->value() + step.y(), 0, m_c.VScroll1->maximum());
        if (h == m_c.HScroll1->value() && v == m_c.VScroll1->value())
            return;
        {
            // The corners follow each bar; the view is drawn once, clean, for the band.
            const QScopedValueRollback settingUp(m_settingUpBars, true);
            m_c.HScroll1->setValue(h);
            m_c.VScroll1->setValue(v);
        }
        drawView(false);
        emit dragScrolled(m_pointer.x(), m_pointer.y());
    });
}

void ViewerHandler::stepZoom(int rows) {
    const int last = m_c.lstZoom->count() - 1;
    if (last < 0)
        return;
    const int row = std::clamp(
        viewer::zoomRowAfter(std::max(0, m_c.lstZoom->currentRow()), rows, m_fitDivisor), 0, last);
    if (row != m_c.lstZoom->currentRow())
        m_c.lstZoom->setCurrentRow(row);
}

int ViewerHandler::zoomDivisor() const {
    if (m_zoomIndex == uint8_t(viewer::ZoomRow::Fit))
        return m_fitDivisor;
    return viewer::zoomDivisorForIndex(m_zoomIndex);
}

viewer::ViewPosition ViewerHandler::viewPosition() const {
    return {m_c.HScroll1->value(), m_c.VScroll1->value(), m_zoomIndex, zoomDivisor()};
}

const QImage& ViewerHandler::fullPicture() const {
    return m_c.picBmp->picture();
}

bool ViewerHandler::showsPicture() const {
    return !m_c.File1->fileName().isEmpty() && !reading() && !m_c.picBmp->picture().isNull();
}

void ViewerHandler::toggleFrame(int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
    m_c.picDisp->setDrawMode(PictureBox::DrawMode::XorPen);
    // Grey under the exclusive-or pen shows on light and dark pictures alike.
    const QColor frameGrey(128, 128, 128);
    m_c.picDisp->lineBox(x1, y1, x2, y2, frameGrey);
}

void ViewerHandler::showReadingNotice() {
    clearPictureBox(m_c.picDisp);
    const QString text = QCoreApplication::translate("viewer", "読み込み中…");
    QFont font = m_c.picDisp->font();
    font.setPointSizeF(12);
    const QSize size = QFontMetrics(font).size(0, text) + QSize(16, 8);
    QImage notice(size, QImage::Format_RGB32);
    notice.fill(m_c.picDisp->backColor());
    QPainter painter(&notice);
    painter.setFont(font);
    painter.setPen(Qt::black);
    painter.drawText(notice.rect(), Qt::AlignCenter, text);
    painter.end();
    m_c.picDisp->copyRegion(notice, {0, 0}, {8, 8}, notice.size());
}

void ViewerHandler::chooseZoom(int row) {
    runReportingFailures(m_platform, [&] {
        m_zoomIndex = viewer::zoomIndexForRow(row);
        emit zoomChanged();
        showImage();
        redrawView(false);
    });
}

void ViewerHandler::showImage() {
    if (m_c.File1->fileName().isEmpty())
        return;
    setUpBars();
    // Resetting the positions runs the position change, which shifts the corners; the callers
    // repaint right afterwards, so the drawing is left to them.
    const QScopedValueRollback settingUp(m_settingUpBars, true);
    m_c.HScroll1->setValue(0);
    m_c.VScroll1->setValue(0);
}

void ViewerHandler::setUpBars() {
    const QSize picture = m_c.picBmp->picture().size();
    m_fitDivisor = viewer::fitDivisor(picture.width(), picture.height(), m_c.picDisp->innerWidth(),
                                      m_c.picDisp->innerHeight());
    const int z = zoomDivisor();
    const viewer::ScrollSetup s = viewer::scrollSetup(
        picture, z, QSize(m_c.picDisp->outerWidth(), m_c.picDisp->outerHeight()));

    // A maximum below the position moves it, which runs the position change; the callers
    // repaint right afterwards.
    const QScopedValueRollback settingUp(m_settingUpBars, true);
    m_c.HScroll1->setLogicalMaximum(s.hMaximum);
    if (s.hMaximum >= 1)
        m_c.HScroll1->setPageStep(s.hLargeChange);
    else
        m_c.HScroll1->setEnabled(false);
    m_c.VScroll1->setLogicalMaximum(s.vMaximum);
    if (s.vMaximum >= 1)
        m_c.VScroll1->setPageStep(s.vLargeChange);
    else
        m_c.VScroll1->setEnabled(false);
    m_c.VScroll1->setSingleStep(viewer::kVerticalSmallChange);
    m_c.VScroll1->setEnabled(s.vEnabled);
    m_c.HScroll1->setEnabled(s.hEnabled);
}

void ViewerHandler::displayResized() {
    if (m_c.File1->fileName().isEmpty()) {
        clearPictureBox(m_c.picDisp);
        return;
    }
    if (reading()) {
        showReadingNotice();
        return;
    }
    runReportingFailures(m_platform, [&] {
        const int before = zoomDivisor();
        const QSize picture = m_c.picBmp->picture().size();
        const bool refits =
            m_zoomIndex == uint8_t(viewer::ZoomRow::Fit) &&
            viewer::fitDivisor(picture.width(), picture.height(), m_c.picDisp->innerWidth(),
                               m_c.picDisp->innerHeight()) != before;
        if (refits) {
            // Another reduction: the selection's corners no longer stand for the same pixels.
            emit zoomChanged();
            showImage();
            drawView(false);
            return;
        }
        setUpBars();
        drawView(false);
        announceViewMoved();
    });
}

void ViewerHandler::redrawView(bool fromTop) {
    if (m_c.File1->fileName().isEmpty() || reading())
        return;
    drawView(fromTop);
    m_c.File1->setFocus();
}

void ViewerHandler::drawView(bool fromTop) {
    // While a picture is read aside the display keeps saying so.
    if (m_c.File1->fileName().isEmpty() || reading())
        return;
    const int z = zoomDivisor();
    const int h = m_c.HScroll1->sliderPosition();
    const int v = fromTop ? 0 : m_c.VScroll1->sliderPosition();
    m_c.picDisp->setDrawMode(PictureBox::DrawMode::CopyPen);
    m_view.draw(m_c.picDisp, m_c.picBmp->picture(), z, h, v, m_c.HScroll1->logicalMaximum(),
                m_c.VScroll1->logicalMaximum());
    m_frames->setView(h, v, z);
}

void ViewerHandler::announceViewMoved() {
    emit viewMoved(m_c.HScroll1->sliderPosition(), m_c.VScroll1->sliderPosition(),
                   !m_settingUpBars && !reading());
}

void ViewerHandler::positionChanged() {
    runReportingFailures(m_platform, [&] {
        if (!m_settingUpBars)
            redrawView(false);
        announceViewMoved();
    });
}

void ViewerHandler::horizontalTracking() {
    m_hScrollToggle = !m_hScrollToggle;
    if (!m_hScrollToggle)
        return;
    positionChanged();
}

void ViewerHandler::verticalTracking() {
    m_vScrollToggle = !m_vScrollToggle;
    if (!m_vScrollToggle)
        return;
    runReportingFailures(m_platform, [&] {
        // Within the first arrow step the picture is drawn from its top row.
        redrawView(m_c.VScroll1->sliderPosition() <= 29);
        announceViewMoved();
    });
}

} // namespace quillpix
