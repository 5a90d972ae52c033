#include "optionshandler.h"

#include "failure.h"
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
}

void OptionsHandler::refresh(int index) {
    runReportingFailures(m_platform, m_c.frmMain, [&] {
        switch (index) {
        case 0:
            if (!m_c.File1->refresh())
                throw Failure(QStringLiteral("フォルダの一覧を読めません: %1").arg(m_c.File1->folder()));
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

} // namespace quillpix
