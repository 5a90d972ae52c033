#pragma once

#include "display.h"
#include "folders.h"
#include "pictureloader.h"
#include "reducedview.h"
#include "waysin.h"

#include <QObject>

#include <optional>

class QComboBox;
class QTimer;
class QListWidget;
class QPushButton;

namespace quillpix {

class Platform;
class RunState;
class PictureBox;
class PlaceFrames;
class FileListBox;
class FolderChooser;
class ScrollBar;

// The controls the viewer owns.
struct ViewerControls {
    QWidget* window = nullptr;
    FolderChooser* cmbFolder = nullptr;
    FileListBox* File1 = nullptr;
    QPushButton* cmdRefreshFiles = nullptr;
    QPushButton* cmdPaint = nullptr;
    QListWidget* lstZoom = nullptr;
    PictureBox* picBmp = nullptr;
    PictureBox* picDisp = nullptr;
    ScrollBar* VScroll1 = nullptr;
    ScrollBar* HScroll1 = nullptr;
};

// Folder and file choice, the reduced display, zoom and scrolling.
class ViewerHandler : public QObject, public viewer::Display, public viewer::FileChoice {
    Q_OBJECT
public:
    // The picture folders are those of folders.parent; the folders opened from elsewhere are
    // remembered in the settings file of folders.program. While runState says a run is under
    // way, no other folder or picture is chosen.
    ViewerHandler(const ViewerControls& controls, const RunState& runState, Platform& platform,
                  const Folders& folders);

    // The chosen item of cmbFolder becomes the folder of File1; the display is cleared.
    void changeFolder();
    // The selected file of File1 is loaded and shown with its saved result text. A picture
    // that cannot be shown leaves everything as it was, the list's selection included. A
    // document page or a large picture is read on a thread of its own: the display says
    // "読み込み中…", nothing can be selected on it, and the picture still chosen (for its text,
    // its selection, saving and runs) is the one shown before, until the new one is shown.
    // Choosing another entry, another folder, re-reading the list or starting a run abandons
    // that read; the picture shown before then comes back with its selection's frame.
    void chooseFile();
    // Whether a picture is being read for the display.
    bool reading() const { return m_read.busy(); }
    // Waits, handling the window's events, until the read under way is over: its picture shown
    // (chosenFile() names it then), or failed, or abandoned for another choice. At once when
    // nothing is being read.
    void finishReading();
    // lstZoom's row picks the zoom; the view starts afresh.
    void chooseZoom(int row);
    // Re-reads the file list.
    void refreshFiles();

    // The folder chooser's items read afresh: the workspace's picture folders, then the folders
    // opened from elsewhere that still exist, most recent first. The folder on show stays
    // chosen; nothing counts as a folder change.
    void readFolderList();
    // Opens what a way in asked for (asked names it in a message): a folder is shown and
    // listed as a picture folder; a file shows its folder with the file (a document's first
    // page) chosen. Everything is checked before anything changes: a path that is gone, a
    // folder that cannot be listed, a file the list does not show or whose headers are wrong
    // throw and leave the folder, the picture and the text as they were. A folder outside the
    // workspace's picture folders is remembered by the chooser.
    void open(const viewer::Opening& opening, const QString& asked);

    // Sets the bars up for the picture in picBmp at the current zoom, view at the top-left.
    void showImage();
    // Repaints picDisp from picBmp for the current positions; fromTop draws from row 0.
    void redrawView(bool fromTop);
    // picDisp was given another size (the window grew or shrank): the bars are set up for it
    // with the view kept where it was as far as it can stay, the view is drawn again with the
    // selection's frame, and the whole-picture zoom fits the picture afresh (a new divisor
    // starts the view afresh, as a zoom change does). The focus stays where it is.
    void displayResized();

    // A bar's position changed (arrow, track, thumb released, or set by the program).
    void positionChanged();
    // The thumb is being dragged; only every second event of each bar is drawn.
    void horizontalTracking();
    void verticalTracking();

    // Another picture or folder is about to take the place of the one on show, and its result
    // text with it: the leave check, if one is set, says whether the text may go. False: the
    // user stays and nothing may change.
    bool mayLeaveShown();
    void setLeaveCheck(viewer::LeaveCheck* check) { m_leaveCheck = check; }

    // What the viewer and the ways in tell while a run waits for the engine: the picture and
    // the folder stay, as its text belongs to the picture it was read from.
    static QString busyMessage();

    int zoomDivisor() const;
    bool horizontalToggle() const { return m_hScrollToggle; }
    bool verticalToggle() const { return m_vScrollToggle; }

    viewer::ViewPosition viewPosition() const override;
    const QImage& fullPicture() const override;
    bool showsPicture() const override;
    // Frames the result box's caret character at current and the marked characters' places
    // (full-picture pixels); the view scrolls to current when it is out of sight.
    void showPlaces(const QRect& current, const QList<QRect>& marked);
    void toggleFrame(int32_t x1, int32_t y1, int32_t x2, int32_t y2) override;
    viewer::ChosenFile chosenFile() const override;

Q_SIGNALS:
    // Another folder is shown; nothing is chosen in it yet.
    void folderChanged();
    // A picture was chosen and is shown; its saved result, if it has one.
    void fileChosen(const QString& savedText, bool hasSavedText);
    // The zoom changed; the view is about to start afresh.
    void zoomChanged();
    // The view moved to (h, v); drawn is false while the bars are being set up, when the
    // caller repaints afterwards.
    void viewMoved(int h, int v, bool drawn);
    // "開く" beside the file list was pressed: the chosen picture goes to the paint program.
    void paintRequested();
    // "このフォルダをすべて認識…" was chosen on the file list.
    void folderBatchRequested(const QString& folder);
    // The folder's book: every picture's text joined in order, and its searchable PDF.
    void bookRequested(const QString& folder);
    // "検索できる PDF を作る…" was chosen on a page of the document fileName.
    void pdfRequested(const QString& folder, const QString& fileName);
    // The mouse on the display, in surface pixels.
    void displayPressed(Qt::MouseButton button, double x, double y);
    void displayMoved(double x, double y);
    void displayReleased(Qt::MouseButton button, double x, double y);
    // A left click on the display that dragged nothing, at point on the full picture.
    void displayClicked(const QPoint& point);
    // A drag held near the display's edge scrolled the view, which was drawn afresh without a
    // frame; the pointer is at (x, y).
    void dragScrolled(double x, double y);
    // "画像全体を選択" (Ctrl+A on the display) or "画像全体を読む" was chosen on the display.
    void wholePictureRequested(bool read);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // The picture is on show as the chosen one: picBmp, the view from the top-left, the saved
    // text. A saved text that cannot be read throws before anything changes.
    void showChosen(const QImage& picture, const QString& folder, const QString& name, int page);
    void readingDone(const QImage& picture);
    void readingFailed(const QString& message);
    // A read aside is given up: the list and the display go back to the picture shown before.
    void giveUpReading();
    void showShownPictureAgain();
    void showReadingNotice();
    void onFileListSignal();
    void restoreFileSelection();
    void announceViewMoved();
    // The drawing of redrawView, leaving the focus where it is.
    void drawView(bool fromTop);
    // The bars for the picture and zoom; the positions are kept as far as the new maxima allow.
    void setUpBars();
    // What the constructor sets up: the folder chooser; the file list, its signals and keys;
    // the list's own menu; the bars and the zoom list; the display's mouse, its own menu and
    // keys, the drag's scrolling at the edges, Ctrl+wheel.
    void setUpFolderChooser();
    void setUpFileList();
    void setUpFileListMenu();
    void setUpScrollBars();
    void setUpDisplay();
    void edgeScrollTick();
    void stepZoom(int rows);
    // Names the listing had to leave out are told once per listing.
    void reportLeftOutNames();
    // The folder an item of the chooser lists, and the item listing a folder (-1: none).
    QString folderOfItem(int index) const;
    int itemOfFolder(const QString& folder) const;
    // The folders opened from elsewhere: the settings file's, or this run's when the file
    // cannot keep them. A list the file refuses is kept here and said once.
    QStringList rememberedFolders() const;
    void rememberFolders(const QStringList& folders);

    ViewerControls m_c;
    const RunState& m_runState;
    Platform& m_platform;
    // The folder whose entries beginning with the picture-folder prefix are the folders offered.
    QString m_pictureFolders;
    // Where the settings file lies.
    QString m_programFolder;
    // The folders opened from elsewhere once the settings file refused them: they stay in the
    // chooser for this run.
    std::optional<QStringList> m_unkeptFolders;
    viewer::ReducedView m_view;
    uint8_t m_zoomIndex;
    // The whole-picture row's divisor for the picture and display on show.
    int m_fitDivisor = 1;
    // While the left button, pressed on the display, is held: where the pointer was last.
    bool m_heldOnDisplay = false;
    QPointF m_pointer;
    QTimer* m_edgeTimer = nullptr;
    PlaceFrames* m_frames = nullptr;
    QPointF m_pressedAt; // where the left button last went down on the display
    // Ctrl+wheel turns of less than a notch add up.
    int m_wheelTurned = 0;
    bool m_hScrollToggle = false;
    bool m_vScrollToggle = false;
    // The list row whose choice was handled last, so the two signals a click raises load once.
    int m_handledRow = -1;
    // The current row when the mouse went down on the list.
    int m_rowAtPress = -1;
    // The file whose picture picBmp holds.
    QString m_shownFolder;
    QString m_shownName;
    int m_shownPage = -1;
    // While showImage resets the bars, the caller repaints right afterwards.
    bool m_settingUpBars = false;
    // The folder chooser's item whose folder File1 shows.
    int m_shownFolderIndex = -1;
    // The page being read aside, and the read.
    QString m_readingName;
    int m_readingPage = -1;
    viewer::BackgroundRead m_read;
    viewer::LeaveCheck* m_leaveCheck = nullptr;
    // While the check asks, the list may already point at the next entry.
    bool m_askingToLeave = false;
};

} // namespace quillpix
