#include "optionshandler.h"

#include "failure.h"
#include "failurereport.h"
#include "platform.h"

#include <QCoreApplication>
#include <QListWidget>
#include <QPushButton>

namespace quillpix {

OptionsHandler::OptionsHandler(const OptionsControls& controls, Platform& platform,
                               const Folders& folders)
    : m_c(controls), m_platform(platform), m_folders(folders) {
    for (ListFile list : {ListFile::Option, ListFile::PSMode, ListFile::Lang}) {
        connect(m_c.cmdRefreshList[size_t(list)], &QPushButton::clicked, this,
                [this, list] { refresh(list); });
        connect(m_c.cmdEditLst[size_t(list)], &QPushButton::clicked, this,
                [this, list] { editList(list); });
        connect(listOf(list), &QListWidget::currentRowChanged, this,
                &OptionsHandler::chosenItemsChanged);
    }
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
                problems << QCoreApplication::translate("options", "リストファイルが空です: %1")
                                .arg(path);
            listOf(list)->setCurrentRow(0);
        } catch (const Failure& failure) {
            problems << failure.text();
        }
    }
    return problems;
}

void OptionsHandler::refresh(ListFile list) {
    runReportingFailures(
        m_platform, [&] { loadListFile(listFilePath(m_folders.program, list), listOf(list)); });
}

void OptionsHandler::editList(ListFile list) {
    const QString path = listFilePath(m_folders.program, list);
    if (!m_platform.shellOpen(path))
        m_platform.showMessage(
            openerMissingMessage(QCoreApplication::translate("options", "リストファイル"),
                                 QCoreApplication::translate("options", "テキストエディタ"), path));
}

options::EngineChoice OptionsHandler::chosenItems() const {
    return {selectedItemText(m_c.lstPSegMode), selectedItemText(m_c.lstLang),
            selectedItemText(m_c.lstOption)};
}

} // namespace quillpix
