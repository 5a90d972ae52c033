#include "optionshandler.h"

#include "display.h"
#include "failure.h"
#include "launch.h"
#include "platform.h"

#include <QListWidget>
#include <QPushButton>

namespace quillpix {

OptionsHandler::OptionsHandler(const OptionsControls& controls, const viewer::FileChoice& files,
                               Platform& platform, const Folders& folders)
    : m_c(controls), m_files(files), m_platform(platform), m_folders(folders) {
    for (ListFile list : {ListFile::Option, ListFile::PSMode, ListFile::Lang}) {
        connect(m_c.cmdRefreshList[size_t(list)], &QPushButton::clicked, this,
                [this, list] { refresh(list); });
        connect(m_c.cmdEditLst[size_t(list)], &QPushButton::clicked, this,
                [this, list] { editList(list); });
    }
    connect(m_c.cmdHelp, &QPushButton::clicked, this, [this] { openHelp(); });
    connect(m_c.cmdExplorer, &QPushButton::clicked, this, [this] { openExplorer(); });
    connect(m_c.cmdOpenTmpTxt, &QPushButton::clicked, this, [this] { openRawResult(); });
}

QListWidget* OptionsHandler::listOf(ListFile list) const {
    switch (list) {
    case ListFile::PSMode:
        return m_c.lstPSegMode;
    case ListFile::Lang:
        return m_c.lstLang;
    case ListFile::Option:
        break;
    }
    return m_c.lstOption;
}

QStringList OptionsHandler::loadAtStart() {
    QStringList problems;
    for (ListFile list : {ListFile::PSMode, ListFile::Lang, ListFile::Option}) {
        const QString path = listFilePath(m_folders.program, list);
        try {
            loadListFile(path, listOf(list));
            if (listOf(list)->count() == 0)
                problems << QStringLiteral("リストファイルが空です: %1").arg(path);
            listOf(list)->setCurrentRow(0);
        } catch (const Failure& failure) {
            problems << failure.text();
        }
    }
    return problems;
}

void OptionsHandler::refresh(ListFile list) {
    runReportingFailures(m_platform, m_c.window, [&] {
        loadListFile(listFilePath(m_folders.program, list), listOf(list));
    });
}

void OptionsHandler::editList(ListFile list) {
    m_platform.shellOpen(listFilePath(m_folders.program, list));
}

options::EngineChoice OptionsHandler::chosenItems() const {
    return {selectedItemText(m_c.lstPSegMode), selectedItemText(m_c.lstLang),
            selectedItemText(m_c.lstOption)};
}

// Whether the desktop found something to open these with is its own business: nothing is
// reported, as with the list files.
void OptionsHandler::openHelp() {
    m_platform.shellOpen(launch::helpPagePath(m_folders.parent));
}

void OptionsHandler::openExplorer() {
    m_platform.shellOpen(m_files.chosenFile().folder);
}

void OptionsHandler::openRawResult() {
    m_platform.shellOpen(launch::rawResultPath(m_folders.program));
}

void OptionsHandler::openPaint() {
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
