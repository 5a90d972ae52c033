#pragma once

#include <QComboBox>

namespace quillpix {

// The folder chooser (cmbFolder). Its list is read afresh each time it opens, so a picture
// folder made while the program runs is offered; the open list is as wide as its longest
// folder, while the box keeps its place and size on the window.
class FolderChooser : public QComboBox {
    Q_OBJECT
public:
    explicit FolderChooser(QWidget* parent) : QComboBox(parent) {}
    void showPopup() override;

Q_SIGNALS:
    void aboutToShowPopup();
};

} // namespace quillpix
