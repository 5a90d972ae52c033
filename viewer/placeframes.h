#pragma once

#include <QList>
#include <QRect>
#include <QWidget>

namespace quillpix {

class PictureBox;

// Frames over the display, drawn on top of the picture's pixels and never into them: the place
// of the result box's caret character, and lighter the places of the marked characters. Boxes
// are in the full picture's pixels; the view's scroll and zoom say where they show.
class PlaceFrames : public QWidget {
    Q_OBJECT
public:
    explicit PlaceFrames(PictureBox* display);

    void setPlaces(const QRect& current, const QList<QRect>& marked);
    // The view moved or zoomed: scroll in display pixels, z the zoom's divisor.
    void setView(int h, int v, int z);
    const QRect& current() const { return m_current; }
    // Where a box of the picture shows on the display's surface.
    QRect onDisplay(const QRect& box) const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void fit();

    PictureBox* m_display;
    QRect m_current;
    QList<QRect> m_marked;
    int m_h = 0;
    int m_v = 0;
    int m_z = 1;
};

} // namespace quillpix
