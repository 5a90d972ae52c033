#pragma once

#include <QKeySequence>
#include <QObject>
#include <QString>

#include <functional>

class QAbstractButton;
class QAction;
class QMenu;
class QMenuBar;
class QWidget;

namespace quillpix {

struct Controls;

// The window's menu bar: every way in, every button and every key of the window in one place.
// It owns no feature: an entry is the feature's own action (opening a file, the marks), or does
// what pressing its button does, enabled as the button is.
class WindowMenus : public QObject {
    Q_OBJECT
public:
    // The actions are found among the window's children by their inventory names; about is
    // what the version entry shows.
    WindowMenus(QMenuBar* bar, QWidget* window, Controls& controls, std::function<void()> about);

private:
    QMenu* menu(const char* name, const QString& title);
    // The feature's own action, named as the window's inventory names it; none when the window
    // has no such feature.
    void addOwn(QMenu* menu, const char* actionName);
    // An entry that presses button; key is shown, and works from the window as well only when
    // no feature already answers it (shared false).
    QAction* addPress(QMenu* menu, const char* name, const QString& caption,
                      QAbstractButton* button, const QKeySequence& key = {}, bool shared = true);
    QAction* addDoing(QMenu* menu, const char* name, const QString& caption,
                      std::function<void()> doing, const QKeySequence& key = {},
                      bool shared = true);

    QMenuBar* m_bar;
    QWidget* m_window;
    Controls& m_c;
};

} // namespace quillpix
