#include "viewerhandler.h"

#include "failure.h"
#include "failurereport.h"
#include "filelistbox.h"
#include "folderchooser.h"
#include "listing.h"
#include "picturebox.h"
#include "pictureloader.h"
#include "platform.h"
#include "runstate.h"
#include "settingsfile.h"
#include "textfiles.h"
#include "viewmath.h"
#include "waitingpointer.h"
#include "widgets.h"
#include "zoom.h"

#include <QAction>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QEvent>
#include <QEventLoop>
#include <QFileInfo>
#include <QMenu>
#include <QMouseEvent>
#include <QPushButton>
#include <QScopedValueRollback>
#include <QShortcut>
#include <QSignalBlocker>
#include <QWheelEvent>

#include <algorithm>

namespace quillpix {
namespace {
// The settings file's key for the folders opened from elsewhere, most recent first.
const QString kRememberedKey = QStringLiteral("folders/opened");
} // namespace

ViewerHandler::ViewerHandler(const ViewerControls& controls, const RunState& runState,
                             Platform& platform, const Folders& folders)
    : m_c(controls), m_runState(runState), m_platform(platform), m_pictureFolders(folders.parent),
      m_programFolder(folders.program), m_zoomIndex(viewer::zoomIndexForRow(-1)) {
    setUpFolderChooser();
    setUpFileList();
    setUpFileListMenu();
    setUpScrollBars();
    setUpDisplay();
    // A run works on the picture on show, and its text belongs to that one.
    connect(&m_runState, &RunState::started, this, [this] {
        if (reading())
            giveUpReading();
    });
}

void ViewerHandler::setUpFolderChooser() {
    connect(m_c.cmbFolder, &QComboBox::currentIndexChanged, this, [this](int index) {
        if (index < 0)
            return;
        if (m_runState.running() && index != m_shownFolderIndex) {
            const QSignalBlocker blocker(m_c.cmbFolder);
            m_c.cmbFolder->setCurrentIndex(m_shownFolderIndex);
            m_platform.showMessage(busyMessage());
            return;
        }
        if (!mayLeaveShown()) {
            const QSignalBlocker blocker(m_c.cmbFolder);
            m_c.cmbFolder->setCurrentIndex(m_shownFolderIndex);
            return;
        }
        changeFolder();
    });
    // The chooser offers a picture folder made while the program runs.
    connect(m_c.cmbFolder, &FolderChooser::aboutToShowPopup, this, [this] { readFolderList(); });
}

void ViewerHandler::setUpFileList() {
    // A mouse click makes the row current before it selects it, the keyboard the other way
    // round; the choice counts once the current row is also selected.
    connect(m_c.File1, &QListWidget::currentRowChanged, this, [this](int) { onFileListSignal(); });
    connect(m_c.File1, &QListWidget::itemSelectionChanged, this, [this] { onFileListSignal(); });
    connect(&m_read, &viewer::BackgroundRead::done, this, &ViewerHandler::readingDone);
    connect(&m_read, &viewer::BackgroundRead::failed, this, &ViewerHandler::readingFailed);
    // A click on the picture already chosen chooses it again: the picture and its saved text
    // are read afresh. A click that changes the row is handled by the signals above.
    m_c.File1->viewport()->installEventFilter(this);
    connect(m_c.File1, &QListWidget::itemClicked, this, [this](QListWidgetItem* item) {
        const int row = m_c.File1->row(item);
        if (row != m_rowAtPress || row != m_handledRow)
            return;
        if (!m_runState.refuse(m_platform, busyMessage()) && mayLeaveShown())
            chooseFile();
    });
    connect(m_c.cmdRefreshFiles, &QPushButton::clicked, this, [this] { refreshFiles(); });
    connect(m_c.cmdPaint, &QPushButton::clicked, this, &ViewerHandler::paintRequested);

    auto* refresh = new QShortcut(QKeySequence(Qt::Key_F5), m_c.window);
    connect(refresh, &QShortcut::activated, this, [this] { refreshFiles(); });
}

void ViewerHandler::setUpFileListMenu() {
    // The file list's own menu offers the folder batch, and on a document's page its
    // searchable PDF; a right click opens it without choosing the entry under the pointer (see
    // eventFilter).
    m_c.File1->setContextMenuPolicy(Qt::CustomContextMenu);
    auto* readAll =
        new QAction(QCoreApplication::translate("viewer", "このフォルダをすべて認識…"), m_c.File1);
    readAll->setObjectName(QStringLiteral("actReadFolder"));
    connect(readAll, &QAction::triggered, this, [this] {
        if (!m_c.File1->folder().isEmpty())
            emit folderBatchRequested(m_c.File1->folder());
    });
    auto* makeBook = new QAction(
        QCoreApplication::translate("viewer", "本のテキストと検索できる PDF を作る…"), m_c.File1);
    makeBook->setObjectName(QStringLiteral("actMakeBook"));
    connect(makeBook, &QAction::triggered, this, [this] {
        if (!m_c.File1->folder().isEmpty())
            emit bookRequested(m_c.File1->folder());
    });
    auto* makePdf =
        new QAction(QCoreApplication::translate("viewer", "検索できる PDF を作る…"), m_c.File1);
    makePdf->setObjectName(QStringLiteral("actMakePdf"));
    connect(makePdf, &QAction::triggered, this, [this, makePdf] {
        // The document under the pointer when the menu opened, else the chosen page's.
        QString document = makePdf->data().toString();
        makePdf->setData(QString());
        if (document.isEmpty() &&
            (m_c.File1->page() != pictures::kNoPage ||
             m_c.File1->fileName().endsWith(QLatin1String(".pdf"), Qt::CaseInsensitive)))
            document = m_c.File1->fileName();
        if (m_c.File1->folder().isEmpty() || document.isEmpty())
            m_platform.showMessage(QCoreApplication::translate(
                "viewer", "検索できる PDF を作る文書のページを、ファイルの一覧で選んでください"
                          "（PDF や、複数ページの TIFF）。\nフォルダの画像すべての PDF は、"
                          "「本のテキストと検索できる PDF を作る…」で作ります。"));
        else
            emit pdfRequested(m_c.File1->folder(), document);
    });
    connect(m_c.File1, &QWidget::customContextMenuRequested, this,
            [this, readAll, makeBook, makePdf](const QPoint& point) {
                QMenu menu(m_c.File1);
                // The ways in (WaysInHandler), then what reads the folder or the document.
                menu.addActions(m_c.File1->actions());
                menu.addAction(readAll);
                menu.addAction(makeBook);
                const QString document = m_c.File1->documentAt(point);
                makePdf->setData(document);
                if (!document.isEmpty())
                    menu.addAction(makePdf);
                menu.exec(m_c.File1->viewport()->mapToGlobal(point));
            });
}

QString ViewerHandler::folderOfItem(int index) const {
    const QString folder = m_c.cmbFolder->itemData(index).toString();
    if (!folder.isEmpty())
        return folder;
    return m_pictureFolders + QLatin1Char('/') + m_c.cmbFolder->itemText(index);
}

int ViewerHandler::itemOfFolder(const QString& folder) const {
    const QString wanted = QFileInfo(folder).canonicalFilePath();
    if (wanted.isEmpty())
        return -1;
    for (int i = 0; i < m_c.cmbFolder->count(); ++i)
        if (QFileInfo(folderOfItem(i)).canonicalFilePath() == wanted)
            return i;
    return -1;
}

QStringList ViewerHandler::rememberedFolders() const {
    return m_unkeptFolders ? *m_unkeptFolders
                           : textfiles::SettingsFile(m_programFolder).list(kRememberedKey);
}

void ViewerHandler::rememberFolders(const QStringList& folders) {
    textfiles::SettingsFile settings(m_programFolder);
    if (!m_unkeptFolders && settings.setList(kRememberedKey, folders))
        return;
    // Passed over: the folder opens all the same, and is forgotten at the end of the run.
    m_unkeptFolders = folders;
    const QString message = textfiles::unkeptSettingsMessage(settings);
    if (!message.isEmpty())
        m_platform.showMessage(message);
}

void ViewerHandler::readFolderList() {
    const QStringList remembered = rememberedFolders();
    QStringList kept;
    const QList<viewer::FolderItem> items =
        viewer::folderChoices(m_pictureFolders, remembered, QDir::homePath(), &kept);
    if (kept != remembered)
        rememberFolders(kept);
    const QSignalBlocker blocker(m_c.cmbFolder);
    m_c.cmbFolder->clear();
    for (const viewer::FolderItem& item : items) {
        m_c.cmbFolder->addItem(item.label, item.folder);
        m_c.cmbFolder->setItemData(m_c.cmbFolder->count() - 1, item.folder, Qt::ToolTipRole);
    }
    const QString shown = m_c.File1->folder();
    m_shownFolderIndex = shown.isEmpty() ? -1 : itemOfFolder(shown);
    m_c.cmbFolder->setCurrentIndex(m_shownFolderIndex);
}

void ViewerHandler::open(const viewer::Opening& opening, const QString& asked) {
    if (opening.folder.isEmpty())
        throw Failure(
            QCoreApplication::translate("viewer", "開くファイルかフォルダが見つかりません: %1")
                .arg(asked));
    const pictures::Listing listing = pictures::listPictures(opening.folder, m_c.File1->pattern());
    if (!listing.listed)
        throw Failure(QCoreApplication::translate("viewer", "フォルダの一覧を読めません: %1")
                          .arg(opening.folder));
    int page = pictures::kNoPage;
    if (!opening.fileName.isEmpty()) {
        const QString path = opening.folder + QLatin1Char('/') + opening.fileName;
        const auto entry = std::find_if(
            listing.entries.begin(), listing.entries.end(),
            [&](const pictures::ListEntry& e) { return e.fileName == opening.fileName; });
        if (entry == listing.entries.end())
            throw Failure(QCoreApplication::translate(
                              "viewer", "このファイルは画像ファイルの一覧に出せないため、"
                                        "開けません: %1\n開けるのは次の画像と文書です: %2")
                              .arg(path, QString::fromLatin1(pictures::kPicturePattern)));
        page = entry->page;
        // Its headers are read now, so a file that cannot be shown changes nothing.
        viewer::openPage(path, page, QSize(m_c.picDisp->outerWidth(), m_c.picDisp->outerHeight()));
    }
    // The folder on show opened again only reads its list afresh: the text stays.
    const bool replacesShown =
        !opening.fileName.isEmpty() || QFileInfo(opening.folder).canonicalFilePath() !=
                                           QFileInfo(m_c.File1->folder()).canonicalFilePath();
    if (replacesShown && !mayLeaveShown())
        return;
    if (!viewer::isPictureFolder(m_pictureFolders, opening.folder)) {
        rememberFolders(viewer::rememberFolder(rememberedFolders(), opening.folder));
    }
    readFolderList();
    const int index = itemOfFolder(opening.folder);
    if (index < 0)
        throw Failure(QCoreApplication::translate("viewer", "フォルダを一覧に加えられません: %1")
                          .arg(opening.folder));
    if (index == m_c.cmbFolder->currentIndex())
        refreshFiles();
    else
        m_c.cmbFolder->setCurrentIndex(index);
    if (!opening.fileName.isEmpty()) {
        const int row = m_c.File1->rowOf(opening.fileName, page);
        if (row >= 0)
            m_c.File1->setCurrentRow(row);
    }
}

bool ViewerHandler::eventFilter(QObject* watched, QEvent* event) {
    const auto type = event->type();
    if (watched == m_c.picDisp) {
        // Ctrl+wheel over the display steps through the zoom list, a notch a row: up towards
        // 100 %, down towards the whole picture.
        if (type == QEvent::Wheel) {
            auto* wheel = static_cast<QWheelEvent*>(event);
            if (!(wheel->modifiers() & Qt::ControlModifier))
                return false;
            m_wheelTurned += wheel->angleDelta().y();
            const int notches = m_wheelTurned / QWheelEvent::DefaultDeltasPerStep;
            m_wheelTurned -= notches * QWheelEvent::DefaultDeltasPerStep;
            if (notches != 0)
                stepZoom(-notches);
            return true;
        }
        return false;
    }
    if (type == QEvent::MouseButtonPress || type == QEvent::MouseButtonRelease ||
        type == QEvent::MouseButtonDblClick) {
        // The list would make the entry under a right click current, choosing that picture
        // and throwing away the result box's unsaved text; the menu needs no choice.
        if (static_cast<QMouseEvent*>(event)->button() == Qt::RightButton)
            return true;
        if (type == QEvent::MouseButtonPress)
            m_rowAtPress = m_c.File1->currentRow();
    }
    return QObject::eventFilter(watched, event);
}

bool ViewerHandler::mayLeaveShown() {
    const QScopedValueRollback asking(m_askingToLeave, true);
    return !m_leaveCheck || m_leaveCheck->mayLeave();
}

QString ViewerHandler::busyMessage() {
    return QCoreApplication::translate("viewer",
                                       "文字認識を実行中です。\n実行中の文字認識が終わってから、"
                                       "画像ファイルやフォルダを選んでください。");
}

viewer::ChosenFile ViewerHandler::chosenFile() const {
    // While another entry is read, or the list has moved on and the user is asked about the
    // text, the result box still holds the shown picture's text.
    if (reading() || m_askingToLeave)
        return {m_c.File1->folder(), m_shownName, m_shownPage};
    return {m_c.File1->folder(), m_c.File1->fileName(), m_c.File1->page()};
}

void ViewerHandler::refreshFiles() {
    const bool wasReading = reading();
    m_read.abandon();
    runReportingFailures(m_platform, [&] {
        if (wasReading) {
            // The list is read afresh below; the picture on show is chosen in it again.
            const bool listed = m_c.File1->refresh();
            restoreFileSelection();
            showShownPictureAgain();
            if (!listed)
                throw Failure(
                    QCoreApplication::translate("viewer", "フォルダの一覧を読めません: %1")
                        .arg(m_c.File1->folder()));
            reportLeftOutNames();
            return;
        }
        if (!m_c.File1->refresh())
            throw Failure(QCoreApplication::translate("viewer", "フォルダの一覧を読めません: %1")
                              .arg(m_c.File1->folder()));
        reportLeftOutNames();
    });
}

void ViewerHandler::reportLeftOutNames() {
    if (!m_c.File1->leftOutMessage().isEmpty())
        m_platform.showMessage(m_c.File1->leftOutMessage());
}

void ViewerHandler::changeFolder() {
    m_read.abandon();
    runReportingFailures(m_platform, [&] {
        const QString folder = folderOfItem(m_c.cmbFolder->currentIndex());
        m_shownFolderIndex = m_c.cmbFolder->currentIndex();
        m_c.File1->setFolder(folder);
        const bool listed = m_c.File1->refresh();
        m_handledRow = -1;
        // picBmp keeps its picture, but it is no longer on show.
        m_shownName.clear();
        clearPictureBox(m_c.picDisp);
        emit folderChanged();
        if (!listed)
            throw Failure(QCoreApplication::translate("viewer", "フォルダの一覧を読めません: %1")
                              .arg(folder));
        reportLeftOutNames();
    });
}

void ViewerHandler::onFileListSignal() {
    const QString name = m_c.File1->fileName();
    if (name.isEmpty()) {
        m_handledRow = -1;
        return;
    }
    const int row = m_c.File1->currentRow();
    if (row == m_handledRow)
        return;
    if (m_runState.running()) {
        restoreFileSelection();
        m_platform.showMessage(busyMessage());
        return;
    }
    if (!mayLeaveShown()) {
        // Back to the picture on show, whose text the box holds; a read aside is given up.
        if (reading())
            giveUpReading();
        else
            restoreFileSelection();
        return;
    }
    m_handledRow = row;
    chooseFile();
}

void ViewerHandler::restoreFileSelection() {
    const QSignalBlocker blocker(m_c.File1);
    int row = -1;
    if (!m_shownName.isEmpty() && m_c.File1->folder() == m_shownFolder)
        row = m_c.File1->rowOf(m_shownName, m_shownPage);
    m_c.File1->setCurrentRow(row);
    if (row < 0)
        m_c.File1->clearSelection();
    m_handledRow = row;
}

void ViewerHandler::chooseFile() {
    runReportingFailures(m_platform, [&] {
        const QString folder = m_c.File1->folder();
        const QString name = m_c.File1->fileName();
        const int page = m_c.File1->page();
        if (name.isEmpty())
            return;
        const bool wasReading = reading();
        m_read.abandon();
        WaitingPointer pointer(m_c.window);

        // Everything the headers tell is checked before anything changes, so a file that
        // cannot be shown leaves the previous picture, its text and the list's selection.
        QImage picture;
        try {
            pictures::OpenedPage reader =
                viewer::openPage(folder + QLatin1Char('/') + name, page,
                                 QSize(m_c.picDisp->outerWidth(), m_c.picDisp->outerHeight()));
            if (reader.slow()) {
                m_readingName = name;
                m_readingPage = page;
                m_read.start(std::move(reader));
                showReadingNotice();
                return;
            }
            picture = reader.read();
            showChosen(picture, folder, name, page);
        } catch (...) {
            restoreFileSelection();
            if (wasReading)
                showShownPictureAgain();
            throw;
        }
    });
}

void ViewerHandler::showChosen(const QImage& picture, const QString& folder, const QString& name,
                               int page) {
    QString savedText;
    const QString savedPath = textfiles::savedResultPath(folder, name, page);
    const bool hasSavedText = textfiles::isVisibleFile(savedPath);
    if (hasSavedText)
        savedText = textfiles::readSavedResult(savedPath);

    m_view.forget();
    m_c.picBmp->setPicture(picture);
    m_shownFolder = folder;
    m_shownName = name;
    m_shownPage = page;
    showImage();
    redrawView(false);
    m_c.cmdPaint->setEnabled(true);
    emit fileChosen(savedText, hasSavedText);
}

void ViewerHandler::readingDone(const QImage& picture) {
    // The text may have been edited while the picture was read.
    if (!mayLeaveShown()) {
        restoreFileSelection();
        showShownPictureAgain();
        return;
    }
    runReportingFailures(m_platform, [&] {
        try {
            showChosen(picture, m_c.File1->folder(), m_readingName, m_readingPage);
        } catch (...) {
            restoreFileSelection();
            showShownPictureAgain();
            throw;
        }
    });
}

void ViewerHandler::finishReading() {
    if (!reading())
        return;
    QEventLoop loop;
    connect(&m_read, &viewer::BackgroundRead::ended, &loop, &QEventLoop::quit);
    loop.exec();
}

void ViewerHandler::readingFailed(const QString& message) {
    restoreFileSelection();
    showShownPictureAgain();
    m_platform.showMessage(message);
}

void ViewerHandler::giveUpReading() {
    m_read.abandon();
    restoreFileSelection();
    showShownPictureAgain();
}

void ViewerHandler::showShownPictureAgain() {
    if (m_c.File1->fileName().isEmpty()) {
        clearPictureBox(m_c.picDisp);
        return;
    }
    redrawView(false);
    // The selection's frame went with the notice; announcing the view draws it again.
    announceViewMoved();
}

} // namespace quillpix
