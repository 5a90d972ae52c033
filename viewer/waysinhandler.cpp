#include "waysinhandler.h"

#include "failurereport.h"
#include "filelistbox.h"
#include "platform.h"
#include "runstate.h"
#include "scanhandler.h"
#include "viewerhandler.h"
#include "waysin.h"

#include <QAction>
#include <QCoreApplication>
#include <QFileInfo>

namespace quillpix {

WaysInHandler::WaysInHandler(const WaysInControls& controls, ViewerHandler& viewer,
                             const RunState& runState, Platform& platform, const Folders& folders)
    : m_c(controls), m_viewer(viewer), m_runState(runState), m_platform(platform),
      m_pictureFolders(folders.parent),
      m_scan(std::make_unique<ScanHandler>(controls.window, controls.File1, viewer, runState,
                                           platform, folders)) {
    addMenuItems();
}

WaysInHandler::~WaysInHandler() = default;

void WaysInHandler::addMenuItems() {
    // Ahead of the list's other items; their keys work anywhere in the window, but a text box
    // keeps its own Ctrl+V.
    const auto item = [this](const char* name, const QString& text, const QKeySequence& key) {
        auto* action = new QAction(text, m_c.File1);
        action->setObjectName(QString::fromLatin1(name));
        action->setShortcut(key);
        return action;
    };
    QAction* openFolder =
        item("actOpenFolder", QCoreApplication::translate("viewer", "フォルダを開く…"),
             QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_O));
    QAction* openFile =
        item("actOpenFile", QCoreApplication::translate("viewer", "ファイルを開く…"),
             QKeySequence(Qt::CTRL | Qt::Key_O));
    QAction* paste = item("actPaste", QCoreApplication::translate("viewer", "画像を貼り付け"),
                          QKeySequence(Qt::CTRL | Qt::Key_V));
    QAction* capture =
        item("actCapture", QCoreApplication::translate("viewer", "画面から読む…"), QKeySequence());
    auto* separator = new QAction(m_c.File1);
    separator->setSeparator(true);
    m_c.File1->insertActions(m_c.File1->actions().value(0),
                             {openFolder, openFile, paste, capture, m_scan->action(), separator});
    connect(openFolder, &QAction::triggered, this, [this] { openFolderDialog(); });
    connect(openFile, &QAction::triggered, this, [this] { openFileDialog(); });
    connect(paste, &QAction::triggered, this, [this] { this->paste(); });
    connect(capture, &QAction::triggered, this, &WaysInHandler::captureRequested);
}

QString WaysInHandler::noPictureOnClipboardMessage() {
    return QCoreApplication::translate("viewer",
                                       "クリップボードに画像がありません。\n"
                                       "画像をコピーしてから、もう一度貼り付けてください。");
}

bool WaysInHandler::refuseWhileRunning() {
    return m_runState.refuse(m_platform, ViewerHandler::busyMessage());
}

QString WaysInHandler::dialogStartFolder() const {
    return m_c.File1->folder().isEmpty() ? m_pictureFolders : m_c.File1->folder();
}

void WaysInHandler::openFolderDialog() {
    if (refuseWhileRunning())
        return;
    const QString folder = m_platform.chooseFolder(dialogStartFolder());
    if (!folder.isEmpty())
        openPaths({folder});
}

void WaysInHandler::openFileDialog() {
    if (refuseWhileRunning())
        return;
    const QString file = m_platform.chooseFile(dialogStartFolder(), viewer::pictureFilter());
    if (!file.isEmpty())
        openPaths({file});
}

void WaysInHandler::openPaths(const QStringList& paths) {
    if (refuseWhileRunning())
        return;
    runReportingFailures(m_platform,
                         [&] { m_viewer.open(viewer::openingFor(paths), paths.value(0)); });
}

void WaysInHandler::paste() {
    const ClipboardContent content = m_platform.clipboardContent();
    if (!content.files.isEmpty()) {
        openPaths(content.files);
        return;
    }
    if (content.picture.isNull()) {
        m_platform.showMessage(noPictureOnClipboardMessage());
        return;
    }
    if (!takeInPicture(content.picture, QStringLiteral("clipboard")).isEmpty())
        emit picturePasted(content.picture);
}

QString WaysInHandler::takeInPicture(const QImage& picture, const QString& stem) {
    // Asked before the picture is kept, so a user who stays leaves no file behind.
    if (refuseWhileRunning() || !mayTakeIn())
        return {};
    QString kept;
    runReportingFailures(m_platform, [&] {
        const QString path = viewer::saveIncomingPicture(
            picture, m_pictureFolders + QLatin1Char('/') + viewer::kIncomingFolder, stem,
            QDateTime::currentDateTime());
        m_viewer.open(viewer::openingFor({path}), path);
        // A large picture (a photo of 24 megapixels copied from a viewer) is read aside; until
        // it is shown the window still names the picture before, and it is read once it is.
        m_viewer.finishReading();
        const viewer::ChosenFile chosen = m_viewer.chosenFile();
        if (chosen.name == QFileInfo(path).fileName() &&
            QFileInfo(chosen.folder) == QFileInfo(QFileInfo(path).absolutePath()))
            kept = path;
    });
    return kept;
}

bool WaysInHandler::mayTakeIn() {
    return m_viewer.mayLeaveShown();
}

} // namespace quillpix
