#include "frmmain.h"

#include "booktext.h"
#include "commandline.h"
#include "failurereport.h"
#include "filelistbox.h"
#include "folderbatchrun.h"
#include "folderchooser.h"
#include "launcherhandler.h"
#include "layout.h"
#include "listfiles.h"
#include "listing.h"
#include "optionshandler.h"
#include "picturebox.h"
#include "platform.h"
#include "recognitionhandler.h"
#include "recovery.h"
#include "resultmarks.h"
#include "resulttexthandler.h"
#include "screenreading.h"
#include "selectionhandler.h"
#include "settingsfile.h"
#include "startuproutines.h"
#include "version.h"
#include "viewerhandler.h"
#include "waysin.h"
#include "waysinhandler.h"
#include "widgets.h"
#include "windowmenus.h"

#include <QButtonGroup>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDropEvent>
#include <QEvent>
#include <QFileInfo>
#include <QMenuBar>
#include <QMimeData>
#include <QThread>
#include <QTimer>

namespace quillpix {
namespace {

const QString kMonoFont = QStringLiteral("Noto Sans Mono CJK JP");
const QString kPropFont = QStringLiteral("Noto Sans CJK JP");

QFont fontOf(const QString& family, double points) {
    QFont f(family);
    f.setPointSizeF(points);
    return f;
}

template <typename W> W* place(W* widget, const char* name, int x, int y, int w, int h) {
    widget->setObjectName(QString::fromLatin1(name));
    widget->setGeometry(x, y, w, h);
    return widget;
}

QPushButton* button(QWidget* parent, const char* name, const QString& caption, int x, int y, int w,
                    int h) {
    auto* b = place(new QPushButton(caption, parent), name, x, y, w, h);
    b->setFont(fontOf(kPropFont, 9));
    b->setAutoDefault(false);
    return b;
}

QLabel* label(QWidget* parent, const char* name, const QString& caption, int x, int y, int w,
              int h) {
    auto* l = place(new QLabel(caption, parent), name, x, y, w, h);
    l->setFont(fontOf(kPropFont, 9));
    return l;
}

} // namespace

FrmMain::FrmMain(Platform& platform, const QString& programFolder, QWidget* parent)
    : QWidget(parent), m_platform(platform), m_folders(Folders::forProgram(programFolder)) {
    setObjectName(QStringLiteral("frmMain"));
    setFont(fontOf(kMonoFont, 9.75));
    resize(1252, layout::kClientHeight);
    createControls();
    createFeatures();

    connect(m_c.cmdEnd, &QPushButton::clicked, this, &QWidget::close);
    for (int i = 0; i < 3; ++i)
        connect(m_c.optFSize[i], &QRadioButton::toggled, this, [this, i](bool on) {
            if (on)
                chooseFontSize(i);
        });

    runStartupSequence();
    createMenus();
    keepLaidOut();
    takeKeptSize();

    setAcceptDrops(true);
    for (QWidget* box :
         {static_cast<QWidget*>(m_c.txtResult->viewport()), static_cast<QWidget*>(m_c.txtBat)})
        box->installEventFilter(this);
}

void FrmMain::createFeatures() {
    Controls& c = m_c;
    m_viewer = std::make_unique<ViewerHandler>(
        ViewerControls{this, c.cmbFolder, c.File1, c.cmdRefresh[size_t(RefreshButton::Files)],
                       c.cmdPaint, c.lstZoom, c.picBmp, c.picDisp, c.VScroll1, c.HScroll1},
        m_runState, m_platform, m_folders);
    m_waysIn = std::make_unique<WaysInHandler>(WaysInControls{this, c.File1}, *m_viewer, m_runState,
                                               m_platform, m_folders);
    m_selection = std::make_unique<SelectionHandler>(
        SelectionControls{this, c.picRect, c.picDispRect, c.lblHeight, c.lblWidth}, *m_viewer,
        m_platform);
    m_resultText = std::make_unique<ResultTextHandler>(
        ResultTextControls{this, c.txtResult, c.cmdUndo, c.cmdClear, c.cmdSaveText,
                           c.cmdOpenTextFile},
        *m_viewer, m_platform, m_folders.parent, m_folders.program);
    OptionsControls options{this, c.lstLang, c.lstPSegMode, c.lstOption};
    options.cmdEditLst = c.cmdEditLst;
    options.cmdRefreshList[size_t(ListFile::Option)] = c.cmdRefresh[size_t(RefreshButton::Option)];
    options.cmdRefreshList[size_t(ListFile::PSMode)] = c.cmdRefresh[size_t(RefreshButton::PSMode)];
    options.cmdRefreshList[size_t(ListFile::Lang)] = c.cmdRefresh[size_t(RefreshButton::Lang)];
    m_options = std::make_unique<OptionsHandler>(options, m_platform, m_folders);
    m_launcher = std::make_unique<LauncherHandler>(
        LauncherControls{this, c.cmdHelp, c.cmdExplorer, c.cmdOpenTmpTxt}, *m_viewer, m_platform,
        m_folders);
    m_recognition = std::make_unique<RecognitionHandler>(
        RecognitionControls{this, c.cmdRecognize, c.cmdDirect, c.txtBat}, *m_selection,
        *m_resultText, *m_options, m_runState, m_platform, m_folders);

    connectTheDisplay();
    connectTheRuns();
    connectTheFolderBatch();
    // Another picture or folder replaces the box's text: the result text asks about it first.
    m_viewer->setLeaveCheck(m_resultText.get());
    connect(m_resultText.get(), &ResultTextHandler::unsavedChanged, this, &FrmMain::showCaption);
    setUpRecovery();
}

void FrmMain::connectTheDisplay() {
    ViewerHandler* viewer = m_viewer.get();
    SelectionHandler* selection = m_selection.get();
    ResultTextHandler* resultText = m_resultText.get();
    RecognitionHandler* recognition = m_recognition.get();
    // The mouse on the display makes the selection; the view carries its frame along.
    connect(viewer, &ViewerHandler::displayPressed, selection, &SelectionHandler::press);
    connect(viewer, &ViewerHandler::displayMoved, selection, &SelectionHandler::move);
    connect(viewer, &ViewerHandler::displayReleased, selection, &SelectionHandler::release);
    connect(viewer, &ViewerHandler::viewMoved, selection, &SelectionHandler::followView);
    // What the display shows changed: the selection is gone, and with another folder or
    // picture the command line and the result box change too.
    connect(viewer, &ViewerHandler::folderChanged, selection, &SelectionHandler::clearForNewFolder);
    connect(viewer, &ViewerHandler::folderChanged, recognition, &RecognitionHandler::clearCommand);
    connect(viewer, &ViewerHandler::folderChanged, resultText, &ResultTextHandler::clearText);
    connect(viewer, &ViewerHandler::fileChosen, selection, &SelectionHandler::discard);
    connect(viewer, &ViewerHandler::fileChosen, resultText, &ResultTextHandler::showSavedResult);
    connect(viewer, &ViewerHandler::zoomChanged, selection, &SelectionHandler::discard);
    // A run needs a selection.
    connect(selection, &SelectionHandler::selectionMade, recognition,
            [recognition] { recognition->setSelectionMade(true); });
    connect(selection, &SelectionHandler::selectionDiscarded, recognition,
            [recognition] { recognition->setSelectionMade(false); });
    connect(viewer, &ViewerHandler::dragScrolled, selection, &SelectionHandler::dragScrolled);
    // A selection made goes on in the result box; a click that selects nothing leaves the focus
    // on the display, for its keys.
    connect(selection, &SelectionHandler::dragEnded, resultText, [resultText](bool made) {
        if (made)
            resultText->focus();
    });
    // The result box's caret character is framed on the picture, and a click on a character's
    // place there puts the caret on it.
    connect(&resultText->marks(), &ResultMarks::placeShown, viewer, &ViewerHandler::showPlaces);
    connect(viewer, &ViewerHandler::displayClicked, &resultText->marks(), &ResultMarks::goToPoint);
    resultText->setPictureSize(
        [viewer] { return viewer->showsPicture() ? viewer->fullPicture().size() : QSize(); });
    // The engine's other choices for a character are read when the user asks for them.
    resultText->marks().setAlternatives(
        [this, viewer](const textplacing::Place& place, const QString&) {
            return viewer->showsPicture()
                       ? m_platform.alternativesAt(viewer->fullPicture(), place.box, place.vertical)
                       : QStringList();
        });
    // The whole picture as a finished drag would select it; reading it is pressing
    // "コマンドを作成して実行".
    connect(viewer, &ViewerHandler::wholePictureRequested, this,
            [selection, recognition](bool read) {
                if (selection->selectWholePicture() && read)
                    recognition->recognizeSelection();
            });
}

void FrmMain::connectTheRuns() {
    ResultTextHandler* resultText = m_resultText.get();
    RecognitionHandler* recognition = m_recognition.get();
    connect(resultText, &ResultTextHandler::picturePasteRequested, m_waysIn.get(),
            &WaysInHandler::paste);
    // A pasted picture is read at once, as a captured one; the clipboard keeps the picture.
    connect(m_waysIn.get(), &WaysInHandler::picturePasted, recognition,
            [recognition](const QImage& picture) { recognition->readPicture(picture); });
    connect(resultText, &ResultTextHandler::clearing, recognition,
            &RecognitionHandler::clearCommand);
    connect(m_options.get(), &OptionsHandler::chosenItemsChanged, recognition,
            &RecognitionHandler::prepareEngineSoon);
    connect(m_waysIn.get(), &WaysInHandler::captureRequested, this, &FrmMain::readScreen);
}

void FrmMain::connectTheFolderBatch() {
    ViewerHandler* viewer = m_viewer.get();
    ResultTextHandler* resultText = m_resultText.get();
    // The folder batch reads the shown folder with the lists' current items, beside the window.
    m_folderBatch = std::make_unique<FolderBatchRun>(this, m_platform);
    connect(viewer, &ViewerHandler::folderBatchRequested, this,
            [this](const QString& folder) { m_folderBatch->start(batchSettings(folder)); });
    // A document's searchable PDF: the same batch on that document alone, with --pdf.
    connect(viewer, &ViewerHandler::pdfRequested, this,
            [this](const QString& folder, const QString& document) {
                folderbatch::Settings settings = batchSettings(folder);
                settings.document = document;
                settings.outputs << QStringLiteral("--pdf");
                m_folderBatch->start(settings);
            });
    // The folder's book and its searchable PDF, as the command line's --book and --pdf make
    // them: the book beside the pictures, named after the folder, its PDF in pdf/.
    connect(viewer, &ViewerHandler::bookRequested, this, [this](const QString& folder) {
        folderbatch::Settings settings = batchSettings(folder);
        settings.book =
            folder + QLatin1Char('/') + QFileInfo(folder).fileName() + QStringLiteral("_book.txt");
        settings.outputs << QStringLiteral("--pdf");
        m_folderBatch->start(settings);
    });
    // A page saved from the window joins its document's text again, once every page has one.
    connect(resultText, &ResultTextHandler::resultSaved, this,
            [this](const QString& folder, const QString& fileName, int page) {
                runReportingFailures(m_platform,
                                     [&] { booktext::pageResultChanged(folder, fileName, page); });
            });
    // The paint button is the file list's; the picture goes to the paint program.
    connect(viewer, &ViewerHandler::paintRequested, m_launcher.get(), &LauncherHandler::openPaint);
    connect(m_folderBatch.get(), &FolderBatchRun::ended, resultText,
            &ResultTextHandler::refreshSavedFileState);
    // A close asked for while work was under way follows once it has ended.
    connect(m_folderBatch.get(), &FolderBatchRun::ended, this, &FrmMain::closeWhenIdle);
    connect(&m_runState, &RunState::ended, this, &FrmMain::closeWhenIdle);
}

folderbatch::Settings FrmMain::batchSettings(const QString& folder) const {
    // The lists' items as the window's run reads them.
    const pipeline::EngineSettings chosen = m_recognition->chosenSettings();
    folderbatch::Settings settings;
    settings.folder = folder;
    settings.engine = chosen;
    // The pictures' saved text is what the window's run would give them.
    settings.keepLatinSpaces = m_resultText->latinSpacing() == cleanup::LatinSpacing::Kept;
    settings.encoding = m_resultText->saveEncoding();
    settings.jobs = std::max(1, QThread::idealThreadCount());
    return settings;
}

FrmMain::~FrmMain() = default;

void FrmMain::createMenus() {
    new WindowMenus(m_c.menuBar, this, m_c, [this] {
        m_platform.showMessage(m_caption + QLatin1Char('\n') +
                               tr("画像の日本語を読み取るプログラム"));
    });
    // The window grows by the bar's height; the inside keeps the layout's.
    m_menuHeight = m_c.menuBar->sizeHint().height();
    m_outerRect.setHeight(layout::kClientHeight + m_menuHeight);
    setGeometry(m_outerRect);
    placeMenuAndInside();
}

void FrmMain::createControls() {
    Controls& c = m_c;
    c.frmMain = this;
    c.menuBar = new QMenuBar(this);
    c.menuBar->setObjectName(QStringLiteral("menuBar"));
    // Every control stands in the inside, under the menu bar, where the layout puts it.
    c.inside = new QWidget(this);
    c.inside->setObjectName(QStringLiteral("inside"));
    QWidget* w = c.inside;

    c.cmdExplorer = button(w, "cmdExplorer", tr("開く"), 64, 0, 41, 21);
    c.cmdHelp = button(w, "cmdHelp", tr("ヘルプ"), 188, 0, 53, 21);
    c.cmdEnd = button(w, "cmdEnd", tr("終了"), 1000, 0, 41, 21);
    c.Label1[0] = label(w, "Label1_0", tr("フォルダ"), 8, 4, 49, 13);
    c.cmbFolder = place(new FolderChooser(w), "cmbFolder", 8, 20, 153, 21);
    c.Label1[1] = label(w, "Label1_1", tr("画像ファイル"), 8, 48, 73, 13);
    c.cmdRefresh[0] = button(w, "cmdRefresh_0", tr("一覧更新"), 76, 44, 65, 21);
    c.cmdPaint = button(w, "cmdPaint", tr("開く"), 144, 44, 37, 21);
    c.File1 = place(new FileListBox(w), "File1", 4, 64, 177, 188);
    c.Label2[0] = label(w, "Label2_0", QStringLiteral("Zoom"), 108, 268, 41, 13);
    c.lstZoom = place(new QListWidget(w), "lstZoom", 104, 284, 77, 56);
    c.picBmp = place(new PictureBox(w, PictureBox::Border::None), "picBmp", 4, 272, 25, 17);
    c.picRect = place(new PictureBox(w, PictureBox::Border::Sunken), "picRect", 4, 292, 25, 17);
    c.Label2[1] = label(w, "Label2_1", tr("選択部分の左上 (100％)"), 28, 348, 129, 13);
    c.picDispRect =
        place(new PictureBox(w, PictureBox::Border::Sunken), "picDispRect", 32, 364, 149, 297);
    c.lblHeight = label(w, "lblHeight", QString(), 4, 372, 25, 45);
    c.lblHeight->setWordWrap(true);
    c.lblHeight->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    c.lblWidth = label(w, "lblWidth", QString(), 60, 664, 81, 17);
    c.picDisp = place(new PictureBox(w, PictureBox::Border::Sunken), "picDisp", 188, 20, 825, 405);
    c.VScroll1 = place(new ScrollBar(Qt::Vertical, w), "VScroll1", 1016, 24, 25, 401);
    c.HScroll1 = place(new ScrollBar(Qt::Horizontal, w), "HScroll1", 188, 424, 829, 25);
    c.lblCommand = label(w, "lblCommand", tr("コマンド"), 196, 456, 49, 13);
    c.txtBat = place(new LineTextBox(w), "txtBat", 244, 452, 701, 19);
    c.txtBat->setFont(fontOf(kMonoFont, 9));
    c.cmdDirect = button(w, "cmdDirect", tr("実行"), 948, 452, 37, 21);
    c.lblResult = label(w, "lblResult", tr("認識した文字"), 196, 476, 77, 13);
    c.cmdUndo = button(w, "cmdUndo", tr("元に戻す"), 276, 472, 65, 21);
    c.cmdClear = button(w, "cmdClear", tr("クリア"), 344, 472, 49, 21);
    c.lblFontSize = label(w, "lblFontSize", tr("フォントサイズ"), 408, 476, 89, 13);
    const char* fsNames[] = {"optFSize_0", "optFSize_1", "optFSize_2"};
    const QString fsCaptions[] = {QStringLiteral("9.75pt"), QStringLiteral("11.25pt"),
                                  QStringLiteral("12.75pt")};
    const int fsX[] = {500, 568, 640}, fsW[] = {61, 65, 69};
    auto* fsGroup = new QButtonGroup(this);
    for (int i = 0; i < 3; ++i) {
        c.optFSize[i] =
            place(new QRadioButton(fsCaptions[i], w), fsNames[i], fsX[i], 476, fsW[i], 17);
        c.optFSize[i]->setFont(fontOf(kPropFont, 9));
        fsGroup->addButton(c.optFSize[i], i);
    }
    c.lblTmptxt = label(w, "lblTmptxt", tr("tmp.txtを"), 756, 476, 57, 13);
    c.cmdOpenTmpTxt = button(w, "cmdOpenTmpTxt", tr("開く"), 820, 472, 53, 21);
    c.txtResult = place(new TextBox(w), "txtResult", 188, 496, 745, 189);
    c.txtResult->setFont(fontOf(kMonoFont, 12));
    c.fraCommand = place(new QGroupBox(tr("操作"), w), "fraCommand", 936, 496, 313, 153);
    c.fraCommand->setFont(fontOf(kPropFont, 9));

    QWidget* f = c.fraCommand;
    c.Label4[0] = label(f, "Label4_0", tr("言語"), 4, 20, 29, 13);
    c.cmdEditLst[2] = button(f, "cmdEditLst_2", tr("編集"), 32, 16, 37, 21);
    c.cmdRefresh[2] = button(f, "cmdRefresh_2", tr("更新"), 68, 16, 37, 21);
    c.lstLang = place(new QListWidget(f), "lstLang", 4, 36, 101, 82);
    c.Label4[2] = label(f, "Label4_2", QStringLiteral("PSM"), 112, 20, 29, 13);
    c.cmdEditLst[1] = button(f, "cmdEditLst_1", tr("編集"), 140, 16, 37, 21);
    c.cmdRefresh[1] = button(f, "cmdRefresh_1", tr("更新"), 176, 16, 37, 21);
    c.lstPSegMode = place(new QListWidget(f), "lstPSegMode", 108, 36, 105, 82);
    c.Label4[1] = label(f, "Label4_1", tr("他"), 220, 20, 17, 13);
    c.cmdEditLst[0] = button(f, "cmdEditLst_0", tr("編集"), 236, 16, 37, 21);
    c.cmdRefresh[3] = button(f, "cmdRefresh_3", tr("更新"), 272, 16, 37, 21);
    c.lstOption = place(new QListWidget(f), "lstOption", 216, 36, 93, 82);
    c.cmdRecognize = button(f, "cmdRecognize", tr("コマンドを作成して実行"), 8, 120, 137, 29);
    c.cmdRecognize->setEnabled(false);
    c.Label3[1] = label(f, "Label3_1", tr("認識結果を"), 148, 128, 65, 13);
    c.cmdSaveText = button(f, "cmdSaveText", tr("保存"), 212, 120, 49, 25);
    c.cmdOpenTextFile = button(f, "cmdOpenTextFile", tr("開く"), 264, 120, 45, 25);

    // The design rows are 13 pixels high: all four zoom items fit without a scroll bar.
    for (QListWidget* list : {c.lstZoom, c.lstLang, c.lstPSegMode, c.lstOption}) {
        list->setSortingEnabled(false);
        list->setUniformItemSizes(true);
        list->setStyleSheet(QStringLiteral("QListWidget::item { height: 13px; padding: 0px; }"));
    }
    // Two short lines fit the narrow height label: "高さ" above "＝" and the number.
    c.lblHeight->setFont(fontOf(kPropFont, 8.25));
    // "画像ファイル" ends where "一覧更新" begins.
    c.Label1[1]->setFont(fontOf(kPropFont, 8.25));
    fitCaptions(c.inside);
    // The design fonts of the list boxes are the window's.
    for (QListWidget* list : {c.lstLang, c.lstPSegMode, c.lstOption}) {
        list->setFont(fontOf(kMonoFont, 9));
        // Long items are cut at the edge, as the design's list boxes do: a horizontal bar
        // would take the height of two rows, and Qt's "…" would hide the mode number at the
        // end of "単一ブロック:6".
        list->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        list->setTextElideMode(Qt::ElideNone);
    }
}

void FrmMain::chooseFontSize(int index) {
    const double sizes[] = {9.75, 11.25, 12.75};
    QFont f = m_c.txtResult->font();
    f.setPointSizeF(index >= 0 && index < 2 ? sizes[index] : sizes[2]);
    m_c.txtResult->setFont(f);
    if (isVisible())
        m_c.txtResult->setFocus();
}

bool FrmMain::event(QEvent* event) {
    const bool handled = QWidget::event(event);
    // A window manager puts the window into its frame some time after the window is shown;
    // without one there is no frame, and the window stays as placed.
    // The engine for the chosen language loads in the background once the window is up, so
    // the first run is as quick as the later ones; the first paint does not wait for it.
    if (event->type() == QEvent::Show && !m_engineAsked) {
        m_engineAsked = true;
        QTimer::singleShot(0, m_recognition.get(), &RecognitionHandler::prepareEngine);
    }
    if (event->type() == QEvent::Show && !m_frameFitted && !m_frameTimer) {
        m_frameTimer = new QTimer(this);
        connect(m_frameTimer, &QTimer::timeout, this, [this, tries = 0]() mutable {
            if (fitFrameIntoOuterRect() || ++tries >= 40) {
                m_frameTimer->deleteLater();
                m_frameTimer = nullptr;
            }
        });
        m_frameTimer->start(50);
    }
    return handled;
}

void FrmMain::runStartupSequence() {
    Controls& c = m_c;
    QStringList problems;

    m_caption = windowCaption(QStringLiteral(QUILLPIX_COMPANY), QUILLPIX_VERSION_MAJOR,
                              QUILLPIX_VERSION_MINOR, QUILLPIX_VERSION_REVISION);
    showCaption(false);
    const layout::WindowLayout l = layout::forScreenWidth(m_platform.screenWidth());
    m_outerRect = QRect(l.windowX, layout::kWindowTop, l.windowWidth, layout::kClientHeight);
    setGeometry(m_outerRect);
    c.txtResult->resize(l.resultWidth, c.txtResult->height());
    c.fraCommand->move(l.frameX, c.fraCommand->y());
    // The font-size choice runs its click behaviour; the window is not visible yet.
    c.optFSize[2]->setChecked(true);
    c.picDisp->setOuterSize(l.displayWidth, c.picDisp->outerHeight());
    c.VScroll1->move(l.vScrollX, c.VScroll1->y());
    c.HScroll1->resize(l.hScrollWidth, c.HScroll1->height());
    c.cmdEnd->move(l.endButtonX, c.cmdEnd->y());
    for (QPushButton* b : {c.cmdSaveText, c.cmdDirect, c.cmdUndo, c.cmdOpenTextFile})
        b->setEnabled(false);
    c.picRect->hide();
    c.picRect->setAutoSize(true);
    c.picBmp->hide();
    c.picBmp->setAutoSize(true);
    // The picture folders beside the program folder, then those opened from elsewhere;
    // choosing item 0 runs the folder change.
    m_viewer->readFolderList();
    if (viewer::pictureFolderNames(m_folders.parent).isEmpty())
        problems << tr("画像フォルダが見つかりません。\n%1 に名前が bmp_gif "
                       "で始まるフォルダを置いてください。")
                        .arg(m_folders.parent.isEmpty() ? QStringLiteral("/") : m_folders.parent);
    c.cmbFolder->setCurrentIndex(0);
    c.File1->setPattern(QString::fromLatin1(pictures::kPicturePattern));
    splitToList(QStringLiteral("100％,50％,25％,20％,") + tr("全体"), c.lstZoom);
    c.lstZoom->setCurrentRow(1);
    problems << m_options->loadAtStart();
    setPaintButton(c.cmdPaint, PaintButton::Disabled);

    if (!problems.isEmpty())
        m_platform.showMessage(problems.join(QStringLiteral("\n\n")));
}

namespace {

// The local files a drag carries; none when it carries anything else (text, a web link).
QStringList droppedFiles(const QMimeData* data) {
    QStringList files;
    if (!data)
        return files;
    for (const QUrl& url : data->urls()) {
        if (!url.isLocalFile())
            return {};
        files << url.toLocalFile();
    }
    return files;
}

} // namespace

void FrmMain::dragEnterEvent(QDragEnterEvent* event) {
    m_draggedFiles = droppedFiles(event->mimeData());
    if (!m_draggedFiles.isEmpty())
        event->acceptProposedAction();
}

void FrmMain::dragMoveEvent(QDragMoveEvent* event) {
    if (!m_draggedFiles.isEmpty())
        event->acceptProposedAction();
}

void FrmMain::dragLeaveEvent(QDragLeaveEvent*) {
    m_draggedFiles.clear();
}

void FrmMain::dropEvent(QDropEvent* event) {
    // A dragging program may not answer a second time for the same data (seen between two Qt
    // programs over XDND: the drop's data came empty after a wait); it is what the drag
    // offered when it entered.
    QStringList files = droppedFiles(event->mimeData());
    if (files.isEmpty())
        files = m_draggedFiles;
    m_draggedFiles.clear();
    if (files.isEmpty())
        return;
    event->acceptProposedAction();
    // The dragging program waits for the drop to end; the opening (and any message) follows.
    QTimer::singleShot(0, this, [this, files] { m_waysIn->openPaths(files); });
}

bool FrmMain::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
    case QEvent::DragEnter:
        // Dragged text goes into the box as before.
        m_draggedFiles = droppedFiles(static_cast<QDropEvent*>(event)->mimeData());
        if (m_draggedFiles.isEmpty())
            break;
        static_cast<QDropEvent*>(event)->acceptProposedAction();
        return true;
    case QEvent::DragMove:
        if (m_draggedFiles.isEmpty())
            break;
        static_cast<QDragMoveEvent*>(event)->acceptProposedAction();
        return true;
    case QEvent::DragLeave:
        m_draggedFiles.clear();
        break;
    case QEvent::Drop:
        if (m_draggedFiles.isEmpty())
            break;
        dropEvent(static_cast<QDropEvent*>(event));
        return true;
    default:
        break;
    }
    return QWidget::eventFilter(watched, event);
}

void FrmMain::takeRequest(const WindowRequest& request) {
    if (!request.unnamable.isEmpty())
        m_platform.showMessage(unnamableMessage(request.unnamable));
    if (!request.paths.isEmpty())
        m_waysIn->openPaths(request.paths);
    if (request.capture)
        readScreen();
    comeToFront();
}

void FrmMain::readScreen() {
    // A second request while the screen is frozen waits for nothing: the first one is shown.
    if (m_readingScreen)
        return;
    m_readingScreen = true;
    readScreenRegion(m_platform, m_runState, *m_waysIn, *m_recognition);
    m_readingScreen = false;
    comeToFront();
}

void FrmMain::showCaption(bool unsaved) {
    // Marked in the title, not in a line of its own: every control keeps its place.
    setWindowTitle(unsaved ? QLatin1Char('*') + m_caption : m_caption);
}

void FrmMain::comeToFront() {
    if (isMinimized())
        showNormal();
    else if (!isVisible())
        showAtStart();
    else
        show();
    raise();
    activateWindow();
}

} // namespace quillpix
