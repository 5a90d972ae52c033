#include "viewerhandler.h"

#include "failure.h"
#include "picturebox.h"
#include "pictureloader.h"
#include "platform.h"
#include "rubberband.h"
#include "textfiles.h"
#include "viewmath.h"
#include "widgets.h"

#include <QSignalBlocker>

namespace quillpix {

ViewerHandler::ViewerHandler(Controls& controls, SelectionState& state, Platform& platform,
                             const Folders& folders)
    : m_c(controls), m_state(state), m_platform(platform), m_folders(folders) {
    connect(m_c.cmbFolder, &QComboBox::currentIndexChanged, this, [this](int index) {
        if (index >= 0)
            changeFolder();
    });
    // A mouse click makes the row current before it selects it, the keyboard the other way
    // round; the choice counts once the current row is also selected.
    connect(m_c.File1, &QListWidget::currentRowChanged, this, [this](int) { onFileListSignal(); });
    connect(m_c.File1, &QListWidget::itemSelectionChanged, this, [this] { onFileListSignal(); });
    connect(m_c.lstZoom, &QListWidget::currentRowChanged, this,
            [this](int row) { chooseZoom(row); });

    for (ScrollBar* bar : {m_c.HScroll1, m_c.VScroll1}) {
        // The position changes when the thumb is released; dragging it raises sliderMoved.
        bar->setTracking(false);
        connect(bar, &QAbstractSlider::valueChanged, this, [this](int) { positionChanged(); });
        // Released where it started, the thumb changes no value, yet the view may show a
        // tracking position: the release then counts as the position change.
        connect(bar, &QAbstractSlider::sliderReleased, this, [this, bar] {
            if (bar->sliderPosition() == bar->value())
                positionChanged();
        });
    }
    m_c.HScroll1->setSingleStep(1);
    connect(m_c.HScroll1, &QAbstractSlider::sliderMoved, this,
            [this](int) { horizontalTracking(); });
    connect(m_c.VScroll1, &QAbstractSlider::sliderMoved, this, [this](int) { verticalTracking(); });
}

int ViewerHandler::zoomDivisor() const {
    return m_state.zoomDivisor != 0 ? m_state.zoomDivisor
                                    : zoomDivisorForIndex(m_c.lstZoom->currentRow());
}

void ViewerHandler::changeFolder() {
    runReportingFailures(m_platform, m_c.frmMain, [&] {
        const QString folder = m_folders.parent + QLatin1Char('/') + m_c.cmbFolder->currentText();
        m_c.File1->setFolder(folder);
        const bool listed = m_c.File1->refresh();
        m_handledRow = -1;
        // picBmp keeps its picture, but it is no longer on show.
        m_shownName.clear();
        clearPictureBox(m_c.picDisp);
        clearPictureBox(m_c.picDispRect);
        m_c.txtBat->setText(QString());
        m_c.txtResult->setText(QString());
        // The display no longer shows the selected part, so there is nothing left to run on.
        m_state.discardCorners();
        m_c.cmdRecognize->setEnabled(false);
        if (!listed)
            throw Failure(QStringLiteral("フォルダの一覧を読めません: %1").arg(folder));
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
    m_handledRow = row;
    chooseFile();
}

void ViewerHandler::restoreFileSelection() {
    const QSignalBlocker blocker(m_c.File1);
    int row = -1;
    if (!m_shownName.isEmpty() && m_c.File1->folder() == m_shownFolder) {
        for (int i = 0; i < m_c.File1->count(); ++i)
            if (m_c.File1->item(i)->text() == m_shownName)
                row = i;
    }
    m_c.File1->setCurrentRow(row);
    if (row < 0)
        m_c.File1->clearSelection();
    m_handledRow = row;
}

void ViewerHandler::chooseFile() {
    runReportingFailures(m_platform, m_c.frmMain, [&] {
        const QString folder = m_c.File1->folder();
        const QString name = m_c.File1->fileName();
        if (name.isEmpty())
            return;
        m_c.frmMain->setCursor(Qt::WaitCursor);

        // Everything is read before anything changes, so a file that cannot be shown leaves
        // the previous picture, its text and the list's selection as they were.
        QImage picture;
        QString savedText;
        bool hasSavedText = false;
        try {
            picture =
                viewer::loadPage(folder + QLatin1Char('/') + name, m_c.File1->page(),
                                 QSize(m_c.picDisp->outerWidth(), m_c.picDisp->outerHeight()));
            const QString savedPath = textfiles::savedResultPath(folder, name, m_c.File1->page());
            hasSavedText = textfiles::fileExists(savedPath);
            if (hasSavedText)
                savedText = textfiles::readTextFile(savedPath);
        } catch (...) {
            restoreFileSelection();
            throw;
        }

        m_view.forget();
        m_c.picBmp->setPicture(picture);
        picture = QImage();
        m_shownFolder = folder;
        m_shownName = name;
        showImage();
        redrawView(false);
        m_c.cmdPaint->setEnabled(true);
        m_state.discardCorners();
        // The corners are gone, so a run would work on nothing the user chose.
        m_c.cmdRecognize->setEnabled(false);
        m_c.txtResult->setText(savedText);
        m_c.cmdOpenTextFile->setEnabled(hasSavedText);
        m_c.frmMain->unsetCursor();
    });
}

void ViewerHandler::chooseZoom(int row) {
    runReportingFailures(m_platform, m_c.frmMain, [&] {
        m_state.zoomDivisor = zoomDivisorForIndex(row);
        m_state.discardCorners();
        m_c.cmdRecognize->setEnabled(false);
        showImage();
        redrawView(false);
    });
}

void ViewerHandler::showImage() {
    if (m_c.File1->fileName().isEmpty())
        return;
    const int z = zoomDivisor();
    const viewer::ScrollSetup s =
        viewer::scrollSetup(m_c.picBmp->picture().size(), z,
                            QSize(m_c.picDisp->outerWidth(), m_c.picDisp->outerHeight()));

    // Resetting the positions runs the position change, which shifts the corners; the callers
    // repaint right afterwards, so the drawing is left to them.
    m_settingUpBars = true;
    struct Reset {
        bool& flag;
        ~Reset() { flag = false; }
    } reset{m_settingUpBars};
    m_c.HScroll1->setLogicalMaximum(s.hMaximum);
    if (s.hMaximum >= 1)
        m_c.HScroll1->setPageStep(s.hLargeChange);
    else
        m_c.HScroll1->setEnabled(false);
    m_c.VScroll1->setLogicalMaximum(s.vMaximum);
    if (s.vMaximum >= 1)
        m_c.VScroll1->setPageStep(s.vLargeChange);
    else
        m_c.VScroll1->setEnabled(false);
    m_c.VScroll1->setSingleStep(viewer::kVerticalSmallChange);
    m_c.VScroll1->setEnabled(s.vEnabled);
    m_c.HScroll1->setEnabled(s.hEnabled);
    m_c.HScroll1->setValue(0);
    m_c.VScroll1->setValue(0);
}

void ViewerHandler::redrawView(bool fromTop) {
    if (m_c.File1->fileName().isEmpty())
        return;
    const int z = zoomDivisor();
    const int h = m_c.HScroll1->sliderPosition();
    const int v = fromTop ? 0 : m_c.VScroll1->sliderPosition();
    // The offsets are held in 16 bits; pictures are refused at loading before they could
    // leave that range, so this only guards the arithmetic.
    viewer::sourceOffset(h, z);
    viewer::sourceOffset(v, z);
    m_c.picDisp->setDrawMode(PictureBox::DrawMode::CopyPen);
    m_view.draw(m_c.picDisp, m_c.picBmp->picture(), z, h, v, m_c.HScroll1->logicalMaximum(),
                m_c.VScroll1->logicalMaximum());
    m_c.File1->setFocus();
}

void ViewerHandler::followViewAndDrawFrame() {
    viewer::followView(m_state, m_c.HScroll1->sliderPosition(), m_c.VScroll1->sliderPosition());
    if (!m_settingUpBars)
        selection::drawFrame(m_c.picDisp, m_state.x1, m_state.y1, m_state.x2, m_state.y2);
}

void ViewerHandler::positionChanged() {
    runReportingFailures(m_platform, m_c.frmMain, [&] {
        if (!m_settingUpBars)
            redrawView(false);
        followViewAndDrawFrame();
    });
}

void ViewerHandler::horizontalTracking() {
    m_state.hScrollToggle = !m_state.hScrollToggle;
    if (!m_state.hScrollToggle)
        return;
    positionChanged();
}

void ViewerHandler::verticalTracking() {
    m_state.vScrollToggle = !m_state.vScrollToggle;
    if (!m_state.vScrollToggle)
        return;
    runReportingFailures(m_platform, m_c.frmMain, [&] {
        // Within the first arrow step the picture is drawn from its top row.
        redrawView(m_c.VScroll1->sliderPosition() <= 29);
        followViewAndDrawFrame();
    });
}

} // namespace quillpix
