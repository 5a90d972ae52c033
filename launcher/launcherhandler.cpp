#include "launcherhandler.h"

#include "display.h"
#include "failure.h"
#include "failurereport.h"
#include "launch.h"
#include "platform.h"

#include <QCoreApplication>
#include <QPushButton>
#include <QShortcut>

namespace quillpix {

LauncherHandler::LauncherHandler(const LauncherControls& controls, const viewer::FileChoice& files,
                                 Platform& platform, const Folders& folders)
    : m_c(controls), m_files(files), m_platform(platform), m_folders(folders) {
    connect(m_c.cmdHelp, &QPushButton::clicked, this, [this] { openHelp(); });
    connect(m_c.cmdExplorer, &QPushButton::clicked, this, [this] { openExplorer(); });
    connect(m_c.cmdOpenTmpTxt, &QPushButton::clicked, this, [this] { openRawResult(); });
    auto* help = new QShortcut(QKeySequence(Qt::Key_F1), m_c.window);
    connect(help, &QShortcut::activated, this, [this] { openHelp(); });
}

// What the opened program then does is its own business; only a desktop without one is told.
void LauncherHandler::openHelp() {
    const QString page = launch::helpPagePath(m_folders.parent);
    if (!m_platform.shellOpen(page))
        m_platform.showMessage(
            openerMissingMessage(QCoreApplication::translate("launcher", "ヘルプ"),
                                 QCoreApplication::translate("launcher", "ブラウザ"), page));
}

void LauncherHandler::openExplorer() {
    const QString folder = m_files.chosenFile().folder;
    if (!m_platform.shellOpen(folder))
        m_platform.showMessage(openerMissingMessage(
            QCoreApplication::translate("launcher", "フォルダ"),
            QCoreApplication::translate("launcher", "ファイルマネージャ"), folder));
}

void LauncherHandler::openRawResult() {
    const QString raw = launch::rawResultPath(m_folders.program);
    if (!m_platform.shellOpen(raw))
        m_platform.showMessage(
            openerMissingMessage(QStringLiteral("tmp.txt"),
                                 QCoreApplication::translate("launcher", "テキストエディタ"), raw));
}

void LauncherHandler::openPaint() {
    runReportingFailures(m_platform, [&] {
        const viewer::ChosenFile chosen = m_files.chosenFile();
        // After a folder change the button stays enabled with nothing chosen; the paint
        // program would only be handed the folder.
        if (chosen.name.isEmpty())
            throw Failure(QCoreApplication::translate(
                "launcher", "画像ファイルが選ばれていません。\n"
                            "ペイントで開く画像ファイルを選んでください。"));
        const QString path = launch::picturePath(chosen.folder, chosen.name);
        if (!m_platform.startPaint(path))
            throw Failure(
                QCoreApplication::translate(
                    "launcher",
                    "ペイントのプログラム kolourpaint が見つからないか、起動できません。\n"
                    "kolourpaint をインストールしてから、もう一度開いてください。\n"
                    "画像ファイル: %1")
                    .arg(path));
    });
}

} // namespace quillpix
