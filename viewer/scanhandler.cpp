#include "scanhandler.h"

#include "failurereport.h"
#include "filelistbox.h"
#include "runstate.h"
#include "scandialog.h"
#include "viewerhandler.h"
#include "waysin.h"

#include <QAction>
#include <QCoreApplication>
#include <QTimer>

namespace quillpix {

ScanHandler::ScanHandler(QWidget* window, FileListBox* files, ViewerHandler& viewer,
                         const RunState& runState, Platform& platform, const Folders& folders)
    : m_window(window), m_files(files), m_viewer(viewer), m_runState(runState),
      m_platform(platform), m_folders(folders) {
    m_action = new QAction(QCoreApplication::translate("scan", "スキャン…"), files);
    m_action->setObjectName(QStringLiteral("actScan"));
    m_action->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_N));
    connect(m_action, &QAction::triggered, this, [this] { openDialog(); });
}

void ScanHandler::openDialog() {
    // Asked before anything is scanned, so a user who stays has no pages to clear away.
    if (m_runState.refuse(m_platform, ViewerHandler::busyMessage()) || !m_viewer.mayLeaveShown())
        return;
    const QString folder = m_files->folder().isEmpty()
                               ? m_folders.parent + QLatin1Char('/') + viewer::kIncomingFolder
                               : m_files->folder();
    auto* dialog = new ScanDialog(m_platform, folder, m_folders.program, m_window);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setWindowModality(Qt::WindowModal);
    connect(dialog, &ScanDialog::scanned, this, &ScanHandler::showScanned);
    dialog->show();
    // Once it shows: looking for scanners may take a while on a network.
    QTimer::singleShot(0, dialog, &ScanDialog::findScanners);
}

void ScanHandler::showScanned(const QStringList& paths) {
    const QString last = paths.value(paths.size() - 1);
    runReportingFailures(m_platform, [&] {
        m_viewer.open(viewer::openingFor({last}), last);
        m_viewer.finishReading();
    });
}

} // namespace quillpix
