#pragma once

#include "batchsettings.h"
#include "controls.h"
#include "folders.h"
#include "instancechannel.h"
#include "layout.h"
#include "runstate.h"

#include <QStringList>
#include <QWidget>

#include <memory>
#include <vector>

class QTimer;

namespace quillpix {

class Platform;
class ViewerHandler;
class WaysInHandler;
class SelectionHandler;
class RecognitionHandler;
class ResultTextHandler;
class OptionsHandler;
class LauncherHandler;
class FolderBatchRun;
class RecoveryKeeper;

// The one window. It creates every control under its inventory name, hands each feature the
// controls it owns, connects the features' interfaces and runs the start-up while still
// invisible.
class FrmMain : public QWidget {
    Q_OBJECT
public:
    // programFolder is the folder that holds the program, its list files and work files.
    FrmMain(Platform& platform, const QString& programFolder, QWidget* parent = nullptr);
    ~FrmMain() override;

    Controls& controls() { return m_c; }
    const Folders& folders() const { return m_folders; }
    ViewerHandler& viewer() { return *m_viewer; }
    WaysInHandler& waysIn() { return *m_waysIn; }
    RunState& runState() { return m_runState; }
    SelectionHandler& selection() { return *m_selection; }
    ResultTextHandler& resultText() { return *m_resultText; }

    // A start's request (the command line, or a later start handing it over): the paths are
    // opened, the screen is read, and the window comes to the front.
    void takeRequest(const WindowRequest& request);
    void readScreen();
    // SIGTERM or SIGHUP: the box's text not yet saved goes to the recovery copy, the size is
    // kept, and the program ends without asking anything.
    void stopForSignal();
    // What stopForSignal does before the program ends.
    void keepForStop();
    // At start: a recovery copy left by a run that ended without saving is offered, to put
    // back into the box on its picture, to throw away, or to keep for the next start.
    void offerRecovery();
    RecoveryKeeper& recovery() { return *m_recovery; }
    // Shows the window as it was last closed: its size, or maximised.
    void showAtStart();
    // The inside's size as laid out at start; the window is never smaller.
    QSize laidOutSize() const { return m_laidOut; }
    // The menu bar's height: the window is that much higher than its inside.
    int menuHeight() const { return m_menuHeight; }

protected:
    bool event(QEvent* event) override;
    // Text not yet saved in the result box is asked about first; staying keeps the window open.
    void closeEvent(QCloseEvent* event) override;
    // The view and the result box take the room a larger window gives.
    void resizeEvent(QResizeEvent* event) override;
    // A picture, a document or a folder dropped anywhere on the window is opened; several
    // files open the first one's folder with it chosen. The text boxes pass such drops on and
    // keep taking dropped text.
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dragLeaveEvent(QDragLeaveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // The design places the window's frame at the left and top and gives its width; the inside
    // is as high as the layout. Under a window manager the frame is known only once the window
    // is shown: the inside then narrows by the borders and the frame grows downwards.
    bool fitFrameIntoOuterRect();
    void createControls();
    void createFeatures();
    // What createFeatures ties together: the display, the selection and the result box's
    // places; the runs and the ways pictures come in; the folder batch and what it writes.
    void connectTheDisplay();
    void connectTheRuns();
    void connectTheFolderBatch();
    // The menu bar over the inside, which holds every control; its entries come from the
    // features and the controls as the start-up left them.
    void createMenus();
    void placeMenuAndInside();
    void runStartupSequence();
    void chooseFontSize(int index);
    // The folder batch on the folder with the lists' current items.
    folderbatch::Settings batchSettings(const QString& folder) const;
    void comeToFront();
    // Closing while a run or the folder batch is under way asks first: keep working, or close
    // once it has ended (the batch stopped after the pictures being read). True when nothing
    // is under way.
    bool workAllowsClosing();
    // The close asked for waits no longer once the work has ended.
    void closeWhenIdle();
    // The caption, marked "*" while the result box holds text not yet saved.
    void showCaption(bool unsaved);
    // The controls that follow the window's size, at their laid-out places; the window's
    // smallest size. Run once the layout stands, again when the frame narrows the inside.
    void keepLaidOut();
    void placeGrown();
    // The size (and maximised state) the window had: kept on closing, used at start.
    void keepSize(bool tell = true) const;
    // The recovery copy follows the box's text not saved.
    void setUpRecovery();
    void takeKeptSize();

    struct Growing {
        QWidget* widget;
        QRect laidOut;
        layout::Across across;
        layout::Down down;
    };

    Platform& m_platform;
    Folders m_folders;
    Controls m_c;
    QRect m_outerRect;
    QString m_caption;
    bool m_frameFitted = false;
    int m_menuHeight = 0;
    bool m_readingScreen = false;
    // The files a drag over the window carries, as it offered them on entering.
    QStringList m_draggedFiles;
    QTimer* m_frameTimer = nullptr;
    bool m_engineAsked = false;
    std::vector<Growing> m_growing;
    QSize m_laidOut;
    bool m_keptMaximized = false;
    // The user chose to close once the run or the batch under way has ended.
    bool m_closeWhenIdle = false;
    // Whether the recognition's run is under way: every handler asks this one state.
    RunState m_runState;
    std::unique_ptr<ViewerHandler> m_viewer;
    std::unique_ptr<WaysInHandler> m_waysIn;
    std::unique_ptr<SelectionHandler> m_selection;
    std::unique_ptr<RecognitionHandler> m_recognition;
    std::unique_ptr<ResultTextHandler> m_resultText;
    std::unique_ptr<OptionsHandler> m_options;
    std::unique_ptr<LauncherHandler> m_launcher;
    std::unique_ptr<FolderBatchRun> m_folderBatch;
    std::unique_ptr<RecoveryKeeper> m_recovery;
};

} // namespace quillpix
