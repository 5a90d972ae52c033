#include "optionshandler.h"

#include "failure.h"
#include "launch.h"
#include "listfiles.h"
#include "platform.h"
#include "widgets.h"

#include <QPushButton>

namespace quillpix {

OptionsHandler::OptionsHandler(Controls& controls, SelectionState&, Platform& platform,
                               const Folders& folders)
    : m_c(controls), m_platform(platform), m_folders(folders) {
    for (int i = 0; i < int(m_c.cmdRefresh.size()); ++i)
        connect(m_c.cmdRefresh[i], &QPushButton::clicked, this, [this, i] { refresh(i); });
    for (int i = 0; i < int(m_c.cmdEditLst.size()); ++i)
        connect(m_c.cmdEditLst[i], &QPushButton::clicked, this, [this, i] { editList(i); });
    connect(m_c.cmdHelp, &QPushButton::clicked, this, [this] { openHelp(); });
    connect(m_c.cmdExplorer, &QPushButton::clicked, this, [this] { openExplorer(); });
    connect(m_c.cmdPaint, &QPushButton::clicked, this, [this] { openPaint(); });
    connect(m_c.cmdOpenTmpTxt, &QPushButton::clicked, this, [this] { openRawResult(); });
}

void OptionsHandler::refresh(int index) {
    runReportingFailures(m_platform, m_c.frmMain, [&] {
        switch (index) {
        case 0:
            if (!m_c.File1->refresh())
                throw Failure(
                    QStringLiteral("フォルダの一覧を読めません: %1").arg(m_c.File1->folder()));
            break;
        case 1:
            loadListFile(listFilePath(m_folders.program, 1), m_c.lstPSegMode);
            break;
        case 2:
            loadListFile(listFilePath(m_folders.program, 2), m_c.lstLang);
            break;
        default:
            loadListFile(listFilePath(m_folders.program, 0), m_c.lstOption);
            break;
        }
    });
}

void OptionsHandler::editList(int index) {
    m_platform.shellOpen(listFilePath(m_folders.program, index));
}

// Whether the desktop found something to open these with is its own business: nothing is
// reported, as with the list files.
void OptionsHandler::openHelp() {
    m_platform.shellOpen(launch::helpPagePath(m_folders.parent));
}

void OptionsHandler::openExplorer() {
    m_platform.shellOpen(m_c.File1->folder());
}

void OptionsHandler::openRawResult() {
    m_platform.shellOpen(launch::rawResultPath(m_folders.program));
}

void OptionsHandler::openPaint() {
    runReportingFailures(m_platform, m_c.frmMain, [&] {
        const QString name = m_c.File1->fileName();
        // After a folder change the button stays enabled with nothing chosen; the paint
        // program would only be handed the folder.
        if (name.isEmpty())
            throw Failure(QStringLiteral("画像ファイルが選ばれていません。\n"
                                         "ペイントで開く画像ファイルを選んでください。"));
        const QString path = launch::picturePath(m_c.File1->folder(), name);
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
