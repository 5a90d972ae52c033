#include "frmmain.h"

#include "filelistbox.h"
#include "folderbatchrun.h"
#include "layout.h"
#include "platform.h"
#include "recovery.h"
#include "resulttexthandler.h"
#include "settingsfile.h"
#include "viewerhandler.h"
#include "waysinhandler.h"
#include "widgets.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QFileInfo>
#include <QTimer>
#include <QWindow>

// What the window keeps from one start to the next (its size, the text not saved when the
// program was stopped) and how it ends.
namespace quillpix {
namespace {

// The settings file's keys for the window's inside size and whether it was maximised.
const QString kSizeKey = QStringLiteral("window/size");
const QString kMaximizedKey = QStringLiteral("window/maximized");

} // namespace

void FrmMain::setUpRecovery() {
    // Text not saved is copied aside after each pause in the editing; saved or given up, the
    // copy goes.
    m_recovery = std::make_unique<RecoveryKeeper>(m_folders.program);
    m_recovery->setSource([this] {
        const viewer::ChosenFile chosen = m_viewer->chosenFile();
        return RecoveryCopy{chosen.folder, chosen.name, chosen.page, m_c.txtResult->text()};
    });
    connect(m_resultText.get(), &ResultTextHandler::unsavedChanged, this, [this](bool unsaved) {
        if (unsaved)
            m_recovery->textChanged();
        else
            m_recovery->discard();
    });
    connect(m_c.txtResult, &QPlainTextEdit::textChanged, this, [this] {
        if (m_resultText->unsaved())
            m_recovery->textChanged();
    });
}

void FrmMain::keepForStop() {
    if (m_resultText->unsaved())
        m_recovery->writeNow();
    keepSize(false);
}

void FrmMain::stopForSignal() {
    keepForStop();
    // Every event loop ends, a run's wait and an open question too; main() returns.
    QCoreApplication::exit(0);
}

void FrmMain::offerRecovery() {
    const std::optional<RecoveryCopy> copy = m_recovery->left();
    if (!copy)
        return;
    const QString picture =
        copy->name.isEmpty()
            ? tr("（画像を選んでいないときの文字）")
            : copy->folder + QLatin1Char('/') + copy->name +
                  (copy->page >= 0 ? tr("（%1 ページ）").arg(copy->page + 1) : QString());
    constexpr qsizetype kShown = 200;
    const QString start =
        copy->text.left(kShown) + (copy->text.size() > kShown ? QStringLiteral("…") : QString());
    const int answer = m_platform.askChoice(
        tr("前回、保存しないまま終わった認識結果があります。\n%1\n\n%2\n\n"
           "復元すると、その画像を選んで認識結果の欄に入れます（まだ保存していません）。")
            .arg(picture, start),
        {tr("復元する"), tr("破棄する"), tr("次の起動まで残す")});
    if (answer == 1) {
        m_recovery->discard();
        return;
    }
    if (answer != 0) {
        m_recovery->keepForNextStart();
        return;
    }
    if (!copy->name.isEmpty()) {
        const QString path = copy->folder + QLatin1Char('/') + copy->name;
        // A picture gone is said once, below, not also by the opening.
        if (QFileInfo(path).isFile())
            m_waysIn->openPaths({path});
        const int row = m_c.File1->rowOf(copy->name, copy->page);
        if (row >= 0)
            m_c.File1->setCurrentRow(row);
        const viewer::ChosenFile chosen = m_viewer->chosenFile();
        if (chosen.name != copy->name || chosen.page != copy->page ||
            QFileInfo(chosen.folder).canonicalFilePath() !=
                QFileInfo(copy->folder).canonicalFilePath())
            m_platform.showMessage(
                tr("元の画像を開けないので、認識結果の欄に戻すだけにします。\n%1\n"
                   "名前を付けて保存で保存できます。")
                    .arg(path));
    }
    m_resultText->restore(copy->text);
}

bool FrmMain::workAllowsClosing() {
    const bool run = m_runState.running();
    const bool batch = m_folderBatch->isRunning();
    if (!run && !batch) {
        m_closeWhenIdle = false;
        return true;
    }
    if (!m_closeWhenIdle) {
        // A run's reading would come into a window gone; the batch would be dropped.
        const QString question =
            run ? tr("文字認識を実行中です。\n"
                     "認識が終わったら閉じますか？読み取った文字は、閉じる前に保存するか尋ねます。")
                : FolderBatchRun::closingQuestion(m_folderBatch->folder());
        const QString close = run ? tr("終わったら閉じる") : tr("中止して閉じる");
        if (m_platform.askChoice(question, {close, tr("続ける")}) != 0)
            return false;
        m_closeWhenIdle = true;
    }
    // The window closes once the work has ended (closeWhenIdle()).
    if (batch)
        m_folderBatch->stopForClosing();
    return false;
}

void FrmMain::closeWhenIdle() {
    if (m_closeWhenIdle)
        QTimer::singleShot(0, this, [this] {
            if (!close())
                m_closeWhenIdle = false;
        });
}

void FrmMain::closeEvent(QCloseEvent* event) {
    if (!workAllowsClosing()) {
        event->ignore();
        return;
    }
    if (!m_resultText->mayLeave()) {
        event->ignore();
        return;
    }
    keepSize();
    QWidget::closeEvent(event);
}

void FrmMain::takeKeptSize() {
    const textfiles::SettingsFile settings(m_folders.program);
    // The room the screen leaves right of and below the window's place, its frame outside.
    const QRect area = m_platform.availableArea();
    const QMargins frame = windowHandle() ? windowHandle()->frameMargins() : QMargins();
    const QSize room(
        area.right() + 1 - std::max(area.left(), m_outerRect.x()) - frame.left() - frame.right(),
        area.bottom() + 1 - std::max(area.top(), m_outerRect.y()) - frame.top() - frame.bottom());
    const QSize kept = layout::startSize(settings.list(kSizeKey), m_laidOut, room);
    m_keptMaximized = settings.flag(kMaximizedKey);
    if (kept != size()) {
        resize(kept);
        placeGrown();
    }
}

void FrmMain::keepSize(bool tell) const {
    textfiles::SettingsFile settings(m_folders.program);
    // A maximised window keeps the size it goes back to.
    const QSize size = isMaximized() ? normalGeometry().size() : this->size();
    bool kept = !size.isValid() || settings.setList(kSizeKey, layout::storedSize(size));
    kept = settings.setFlag(kMaximizedKey, isMaximized()) && kept;
    const QString message = kept || !tell ? QString() : textfiles::unkeptSettingsMessage(settings);
    if (!message.isEmpty())
        m_platform.showMessage(message);
}

void FrmMain::showAtStart() {
    if (m_keptMaximized)
        showMaximized();
    else
        show();
}

} // namespace quillpix
