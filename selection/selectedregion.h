#pragma once

#include <QImage>
#include <QPoint>

namespace quillpix::selection {

// What a recognition run asks of the selection.
class SelectedRegion {
public:
    virtual ~SelectedRegion() = default;
    // Cuts the selection out of the full-size picture at the view of the moment, widened by
    // the run's margins; what lies beyond the picture is white. The cut-out may have no pixels.
    // It declares the picture's resolution.
    virtual QImage cropForRun() = 0;
    // Where the last cut-out's top-left pixel lies on the full picture (it may lie beyond it).
    virtual QPoint cropOrigin() const = 0;
    // The preview shows what went to the engine.
    virtual void showSentPicture(const QImage& picture) = 0;
};

} // namespace quillpix::selection
