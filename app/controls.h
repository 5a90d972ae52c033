#pragma once

#include "folderchooser.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QWidget>

#include <array>

class QMenuBar;

namespace quillpix {

class PictureBox;
class FileListBox;
class ScrollBar;
class TextBox;
class LineTextBox;

// The "更新" buttons by index: the file list's, then one per option list.
enum class RefreshButton { Files = 0, PSMode = 1, Lang = 2, Option = 3 };

// Every control of the main window, under the names the window gives them. The window creates
// them and hands each feature the controls it owns; tests find them here.
struct Controls {
    QWidget* frmMain = nullptr;
    QMenuBar* menuBar = nullptr;
    // Holds every control below, under the menu bar.
    QWidget* inside = nullptr;

    QPushButton* cmdExplorer = nullptr;
    QPushButton* cmdHelp = nullptr;
    QPushButton* cmdEnd = nullptr;
    std::array<QLabel*, 2> Label1{};
    FolderChooser* cmbFolder = nullptr;
    std::array<QPushButton*, 4> cmdRefresh{};
    QPushButton* cmdPaint = nullptr;
    FileListBox* File1 = nullptr;
    std::array<QLabel*, 2> Label2{};
    QListWidget* lstZoom = nullptr;
    PictureBox* picBmp = nullptr;
    PictureBox* picRect = nullptr;
    PictureBox* picDispRect = nullptr;
    QLabel* lblHeight = nullptr;
    QLabel* lblWidth = nullptr;
    PictureBox* picDisp = nullptr;
    ScrollBar* VScroll1 = nullptr;
    ScrollBar* HScroll1 = nullptr;
    QLabel* lblCommand = nullptr;
    LineTextBox* txtBat = nullptr;
    QPushButton* cmdDirect = nullptr;
    QLabel* lblResult = nullptr;
    QPushButton* cmdUndo = nullptr;
    QPushButton* cmdClear = nullptr;
    QLabel* lblFontSize = nullptr;
    std::array<QRadioButton*, 3> optFSize{};
    QLabel* lblTmptxt = nullptr;
    QPushButton* cmdOpenTmpTxt = nullptr;
    TextBox* txtResult = nullptr;
    QGroupBox* fraCommand = nullptr;

    // Inside fraCommand.
    std::array<QLabel*, 3> Label4{};
    std::array<QPushButton*, 3> cmdEditLst{};
    QListWidget* lstLang = nullptr;
    QListWidget* lstPSegMode = nullptr;
    QListWidget* lstOption = nullptr;
    QPushButton* cmdRecognize = nullptr;
    std::array<QLabel*, 2> Label3{}; // only index 1 exists
    QPushButton* cmdSaveText = nullptr;
    QPushButton* cmdOpenTextFile = nullptr;
};

} // namespace quillpix
