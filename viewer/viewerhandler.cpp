#include "viewerhandler.h"

#include "failure.h"
#include "picturebox.h"
#include "platform.h"
#include "widgets.h"

namespace quillpix {

ViewerHandler::ViewerHandler(Controls& controls, SelectionState& state, Platform& platform,
                                   const Folders& folders)
    : m_c(controls), m_state(state), m_platform(platform), m_folders(folders) {
    connect(m_c.cmbFolder, &QComboBox::currentIndexChanged, this, [this](int index) {
        if (index >= 0)
            changeFolder();
    });
}

void ViewerHandler::changeFolder() {
    runReportingFailures(m_platform, m_c.frmMain, [&] {
        const QString folder = m_folders.parent + QLatin1Char('/') + m_c.cmbFolder->currentText();
        m_c.File1->setFolder(folder);
        const bool listed = m_c.File1->refresh();
        clearPictureBox(m_c.picDisp);
        clearPictureBox(m_c.picDispRect);
        m_c.txtBat->setText(QString());
        m_c.txtResult->setText(QString());
        if (!listed)
            throw Failure(QStringLiteral("フォルダの一覧を読めません: %1").arg(folder));
    });
}

} // namespace quillpix
