#include "frmmain.h"

#include "layout.h"
#include "picturebox.h"
#include "viewerhandler.h"
#include "widgets.h"

#include <QMenuBar>
#include <QResizeEvent>
#include <QWindow>

#include <algorithm>

// How the window stands on the screen: the menu bar over the inside, the frame a window
// manager draws fitted to where the window was placed, and the controls that grow with the
// window.
namespace quillpix {

void FrmMain::placeMenuAndInside() {
    m_c.menuBar->setGeometry(0, 0, width(), m_menuHeight);
    m_c.inside->setGeometry(0, m_menuHeight, width(), std::max(0, height() - m_menuHeight));
}

bool FrmMain::fitFrameIntoOuterRect() {
    const QMargins m = windowHandle() ? windowHandle()->frameMargins() : QMargins();
    if (m_frameFitted || m.isNull())
        return m_frameFitted;
    m_frameFitted = true;
    // The frame stands where the window was placed and is as wide; the inside keeps the
    // layout's height, so the frame grows by the title bar and the borders below it.
    const QRect inside(m_outerRect.x() + m.left(), m_outerRect.y() + m.top(),
                       m_outerRect.width() - m.left() - m.right(),
                       layout::kClientHeight + m_menuHeight);
    // The narrower inside is the layout now; the end button stays flush with its right edge.
    m_laidOut = inside.size();
    setMinimumSize(m_laidOut);
    for (Growing& g : m_growing)
        if (g.widget == m_c.cmdEnd)
            g.laidOut.moveLeft(inside.width() - m_c.cmdEnd->width());
    if (isMaximized()) {
        placeGrown();
        return true;
    }
    setGeometry(inside);
    takeKeptSize();
    placeGrown();
    return true;
}

void FrmMain::keepLaidOut() {
    using layout::Across;
    using layout::Down;
    const Controls& c = m_c;
    m_laidOut = size();
    placeMenuAndInside();
    setMinimumSize(m_laidOut);
    m_growing.clear();
    const auto follow = [this](QWidget* w, Across across, Down down) {
        m_growing.push_back({w, w->geometry(), across, down});
    };
    follow(c.cmdEnd, Across::Moves, Down::Stays);
    follow(c.picDisp, Across::Grows, Down::GrowsWithView);
    follow(c.VScroll1, Across::Moves, Down::GrowsWithView);
    follow(c.HScroll1, Across::Grows, Down::BelowView);
    // The command line and the row above the result box keep their order under the view.
    for (QWidget* w : std::initializer_list<QWidget*>{
             c.lblCommand, c.lblResult, c.cmdUndo, c.cmdClear, c.lblFontSize, c.optFSize[0],
             c.optFSize[1], c.optFSize[2], c.lblTmptxt, c.cmdOpenTmpTxt})
        follow(w, Across::Stays, Down::BelowView);
    follow(c.txtBat, Across::Grows, Down::BelowView);
    follow(c.cmdDirect, Across::Moves, Down::BelowView);
    follow(c.txtResult, Across::Grows, Down::GrowsBelowView);
    follow(c.fraCommand, Across::Moves, Down::BelowView);
}

void FrmMain::placeGrown() {
    placeMenuAndInside();
    if (m_growing.empty())
        return;
    const QSize extra = size() - m_laidOut;
    bool displayResized = false;
    for (const Growing& g : m_growing) {
        const QRect place = layout::grownPlace(g.laidOut, g.across, g.down, extra);
        if (g.widget->geometry() == place)
            continue;
        if (g.widget == m_c.picDisp) {
            // The display's surface follows its size at once, for the view to be drawn on.
            m_c.picDisp->move(place.topLeft());
            m_c.picDisp->setOuterSize(place.width(), place.height());
            displayResized = true;
        } else {
            g.widget->setGeometry(place);
        }
    }
    if (displayResized)
        m_viewer->displayResized();
}

void FrmMain::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    placeGrown();
}

} // namespace quillpix
