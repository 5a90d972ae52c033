#include "launcherhandler.h"

#include "display.h"
#include "failure.h"
#include "failurereport.h"
#include "launch.h"
#include "platform.h"

#include <QPushButton>

namespace quillpix {

LauncherHandler::LauncherHandler(const LauncherControls& controls, const viewer::FileChoice& files,
                                 Platform& platform, const Folders& folders)
    : m_c(controls), m_files(files), m_platform(platform), m_folders(folders) {
    connect(m_c.cmdHelp, &QPushButton::clicked, this, [this] { openHelp(); });
    connect(m_c.cmdExplorer, &QPushButton::clicked, this, [this] { openExplorer(); });
    connect(m_c.cmdOpenTmpTxt, &QPushButton::clicked, this, [this] { openRawResult(); });
}

// Whether the desktop found something to open these with is its own business: nothing is
// reported, as with the list files.
void LauncherHandler::openHelp() {
    m_platform.shellOpen(launch::helpPagePath(m_folders.parent));
}

void LauncherHandler::openExplorer() {
    m_platform.shellOpen(m_files.chosenFile().folder);
}

void LauncherHandler::openRawResult() {
    m_platform.shellOpen(launch::rawResultPath(m_folders.program));
}

void LauncherHandler::openPaint() {
    runReportingFailures(m_platform, m_c.window, [&] {
        const viewer::ChosenFile chosen = m_files.chosenFile();
        // After a folder change the button stays enabled with nothing chosen; the paint
        // program would only be handed the folder.
        if (chosen.name.isEmpty())
            throw Failure(QStringLiteral("画像ファイルが選ばれていません。\n"
                                         "ペイントで開く画像ファイルを選んでください。"));
        const QString path = launch::picturePath(chosen.folder, chosen.name);
        if (!m_platform.startPaint(path))
            throw Failure(
                QStringLiteral(
                    "ペイントのプログラム kolourpaint が見つからないか、起動できません。\n"
                    "kolourpaint をインストールしてから、もう一度開いてください。\n"
                    "画像ファイル: %1")
                    .arg(path));
    });
}

} // namespace quillpix
