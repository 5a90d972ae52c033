#pragma once

#include <QObject>

#include <cstddef>

class QLabel;
class QTimer;
class QWidget;

namespace quillpix {

class RunState;

namespace recognition {

// Shows how far a run has come once it has taken longer than a second: a label at the foot of
// the window with the share the engine has read (when a loaded engine tells it) and how to stop
// the run. Gone when the run ends.
class RunProgress : public QObject {
    Q_OBJECT
public:
    RunProgress(RunState& runState, QWidget* window);

    // The text for a share read (percent; negative: not known).
    static QString text(int percent);
    // The share of a whole run read when its part-th read of parts has read percent of its
    // picture: the reads of a run count alike, one after another.
    static int ofRun(size_t part, size_t parts, int percent);

private:
    void show();
    void update();
    void hide();

    RunState& m_runState;
    QWidget* m_window;
    QLabel* m_label;
    QTimer* m_delay;
    QTimer* m_refresh;
};

} // namespace recognition
} // namespace quillpix
