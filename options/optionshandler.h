#pragma once

#include "enginechoice.h"
#include "folders.h"
#include "listfiles.h"

#include <QObject>
#include <QStringList>

#include <array>

class QListWidget;
class QPushButton;

namespace quillpix {

class Platform;

// The controls the option lists own.
struct OptionsControls {
    QWidget* window = nullptr;
    QListWidget* lstLang = nullptr;
    QListWidget* lstPSegMode = nullptr;
    QListWidget* lstOption = nullptr;
    // By ListFile: the "編集" and "更新" buttons of each list.
    std::array<QPushButton*, 3> cmdEditLst{};
    std::array<QPushButton*, 3> cmdRefreshList{};
};

// The three option lists with their "編集" and "更新" buttons.
class OptionsHandler : public QObject, public options::EngineChoices {
    Q_OBJECT
public:
    OptionsHandler(const OptionsControls& controls, Platform& platform, const Folders& folders);

    // Loads the three lists and selects each one's first item; what could not be loaded is
    // returned for the start-up message.
    QStringList loadAtStart();
    void refresh(ListFile list);
    void editList(ListFile list);

    options::EngineChoice chosenItems() const override;

Q_SIGNALS:
    // Another item of one of the three lists is chosen, by the user or by a reload.
    void chosenItemsChanged();

private:
    QListWidget* listOf(ListFile list) const;

    OptionsControls m_c;
    Platform& m_platform;
    Folders m_folders;
};

} // namespace quillpix
