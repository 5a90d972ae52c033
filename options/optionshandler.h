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

namespace viewer {
class FileChoice;
}

// The controls the option lists own, and the buttons that hand files to other programs.
struct OptionsControls {
    QWidget* window = nullptr;
    QListWidget* lstLang = nullptr;
    QListWidget* lstPSegMode = nullptr;
    QListWidget* lstOption = nullptr;
    // By ListFile: the "編集" and "更新" buttons of each list.
    std::array<QPushButton*, 3> cmdEditLst{};
    std::array<QPushButton*, 3> cmdRefreshList{};
    QPushButton* cmdHelp = nullptr;
    QPushButton* cmdExplorer = nullptr;
    QPushButton* cmdOpenTmpTxt = nullptr;
};

// The three option lists with their "編集" and "更新" buttons, and the buttons that hand files
// to other programs.
class OptionsHandler : public QObject, public options::EngineChoices {
    Q_OBJECT
public:
    OptionsHandler(const OptionsControls& controls, const viewer::FileChoice& files,
                   Platform& platform, const Folders& folders);

    // Loads the three lists and selects each one's first item; what could not be loaded is
    // returned for the start-up message.
    QStringList loadAtStart();
    void refresh(ListFile list);
    void editList(ListFile list);

    // The help page, the image folder and the engine's raw output go to the system's "open";
    // the chosen picture goes to the paint program.
    void openHelp();
    void openExplorer();
    void openPaint();
    void openRawResult();

    options::EngineChoice chosenItems() const override;

private:
    QListWidget* listOf(ListFile list) const;

    OptionsControls m_c;
    const viewer::FileChoice& m_files;
    Platform& m_platform;
    Folders m_folders;
};

} // namespace quillpix
