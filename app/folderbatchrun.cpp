#include "folderbatchrun.h"

#include "pdfoutput.h"
#include "platform.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QProgressDialog>

#include <algorithm>

namespace quillpix {
namespace {

// The end message offers no more files than it has room for buttons.
constexpr qsizetype kMostOffered = 3;

QString busyText() {
    return QCoreApplication::translate(
        "app", "フォルダの一括認識を実行中です。\n終わってから、もう一度選んでください。");
}

QString timeLeft(qint64 ms) {
    if (ms < 0)
        return QCoreApplication::translate("app", "計算中");
    const qint64 s = (ms + 999) / 1000;
    return s >= 60 ? QCoreApplication::translate("app", "約 %1 分 %2 秒").arg(s / 60).arg(s % 60)
                   : QCoreApplication::translate("app", "約 %1 秒").arg(s);
}

} // namespace

FolderBatchRun::FolderBatchRun(QWidget* window, Platform& platform)
    : m_window(window), m_platform(platform) {
    connect(&m_controller, &folderbatch::BatchController::progress, this,
            &FolderBatchRun::showProgress);
    connect(&m_controller, &folderbatch::BatchController::finished, this, &FolderBatchRun::finish);
}

FolderBatchRun::~FolderBatchRun() = default;

QString FolderBatchRun::confirmationText(const folderbatch::Settings& settings) {
    const QString none = QCoreApplication::translate("app", "（なし）");
    const QString what =
        settings.outputs.contains(QLatin1String("--pdf")) && !settings.document.isEmpty()
            ? QCoreApplication::translate(
                  "app", "%1 の検索できる PDF を pdf/%2 に作ります。結果のないページは先に"
                         "認識して保存します。")
                  .arg(settings.document, folderbatch::documentPdfName(settings.document))
        : !settings.book.isEmpty()
            ? QCoreApplication::translate(
                  "app", "このフォルダの画像をすべて認識して、結果を画像の横に保存し、"
                         "順につなげた本のテキスト %1 と、その検索できる PDF を pdf/ に作ります。")
                  .arg(QFileInfo(settings.book).fileName())
            : QCoreApplication::translate(
                  "app", "このフォルダの画像をすべて認識して、結果を画像の横に保存します。");
    return QCoreApplication::translate("app",
                                       "%7\n"
                                       "%1\n\n"
                                       "言語: %2\nPSM: %3\n他: %4\n同時に読む画像: %5 枚\n%6\n\n"
                                       "OK で始めます。")
        .arg(settings.folder, settings.engine.lang.isEmpty() ? none : settings.engine.lang,
             settings.engine.psm.isEmpty() ? none : settings.engine.psm,
             settings.engine.option.isEmpty() ? none : settings.engine.option)
        .arg(settings.jobs)
        .arg(settings.force
                 ? QCoreApplication::translate("app", "保存済みの結果も読み直して置き換えます。")
                 : QCoreApplication::translate("app", "結果を保存済みの画像は飛ばします。"),
             what);
}

void FolderBatchRun::start(const folderbatch::Settings& settings) {
    if (m_controller.isRunning()) {
        m_platform.showMessage(busyText());
        return;
    }
    // The user sees what the batch will use before anything is read or saved.
    if (!m_platform.askOkCancel(confirmationText(settings)))
        return;
    if (!m_controller.start(settings)) {
        m_platform.showMessage(busyText());
        return;
    }
    m_folder = settings.folder;
    m_document = settings.document;
    m_closing = false;
    m_dialog = std::make_unique<QProgressDialog>(
        QCoreApplication::translate("app", "%1\nの画像を認識しています…").arg(settings.folder),
        QCoreApplication::translate("app", "中止"), 0, 0, m_window);
    m_dialog->setObjectName(QStringLiteral("folderBatchProgress"));
    m_dialog->setWindowTitle(QStringLiteral("Quillpix"));
    // The window stays usable: the dialog does not hold the rest of it.
    m_dialog->setWindowModality(Qt::NonModal);
    m_dialog->setAutoClose(false);
    m_dialog->setAutoReset(false);
    m_dialog->setMinimumDuration(0);
    // Cancel starts no further picture; those being read are finished and saved.
    connect(m_dialog.get(), &QProgressDialog::canceled, this, [this] {
        m_controller.cancel();
        m_dialog->setLabelText(
            QCoreApplication::translate("app", "読み取り中の画像が終わるのを待っています…"));
    });
    m_dialog->show();
}

QString FolderBatchRun::closingQuestion(const QString& folder) {
    return QCoreApplication::translate("app", "フォルダの一括認識を実行中です: %1\n"
                                              "中止して閉じますか？読み取り中の画像は、"
                                              "読み終えて保存してから閉じます。")
        .arg(folder);
}

void FolderBatchRun::stopForClosing() {
    if (!m_controller.isRunning())
        return;
    m_closing = true;
    m_controller.cancel();
    if (m_dialog)
        m_dialog->setLabelText(QCoreApplication::translate(
            "app", "読み取り中の画像が終わるのを待っています。終わったら閉じます…"));
}

void FolderBatchRun::showProgress(const folderbatch::Progress& progress) {
    if (!m_dialog)
        return;
    m_dialog->setMaximum(std::max(progress.toDo, 1));
    m_dialog->setValue(std::min(progress.finished, std::max(progress.toDo, 1)));
    if (!m_dialog->wasCanceled())
        m_dialog->setLabelText(QCoreApplication::translate("app", "%1 / %2 枚　残り時間: %3")
                                   .arg(progress.finished)
                                   .arg(progress.toDo)
                                   .arg(timeLeft(progress.msLeft)));
}

QString FolderBatchRun::summaryText(const folderbatch::Summary& summary, const QString& document) {
    if (!summary.setupError.isEmpty())
        return QCoreApplication::translate("app", "フォルダの一括認識を始められませんでした。\n") +
               summary.setupError;
    // One document's PDF is no batch of the folder to the user who asked for it.
    QString text =
        (document.isEmpty()
             ? (summary.cancelled
                    ? QCoreApplication::translate("app", "フォルダの一括認識を中止しました: %1")
                    : QCoreApplication::translate("app", "フォルダの一括認識が終わりました: %1"))
                   .arg(summary.folder)
             : (summary.cancelled
                    ? QCoreApplication::translate("app", "%1 の PDF の作成を中止しました")
                    : QCoreApplication::translate("app", "%1 の PDF の作成が終わりました"))
                   .arg(summary.folder + QLatin1Char('/') + document)) +
        QCoreApplication::translate("app", "\n認識して保存: %1 枚、保存済みで飛ばした画像: %2 枚、"
                                           "失敗: %3 枚")
            .arg(summary.done)
            .arg(summary.skipped)
            .arg(summary.failures.size());
    if (summary.notStarted > 0)
        text += QCoreApplication::translate("app", "、未処理: %1 枚").arg(summary.notStarted);
    for (const folderbatch::PictureFailure& failure : summary.failures)
        text += QStringLiteral("\n%1: %2").arg(failure.file, failure.reason);
    if (!summary.keptMeanwhile.isEmpty())
        text += QCoreApplication::translate(
                    "app", "\n一括認識の間に保存された結果は、そのまま残しました: %1")
                    .arg(summary.keptMeanwhile.join(QStringLiteral("、")));
    if (!summary.replacedNotOwn.isEmpty())
        text += QCoreApplication::translate(
                    "app", "\n一括認識が読んだのではない（ウィンドウなどで保存した）結果を"
                           "置き換えました: %1")
                    .arg(summary.replacedNotOwn.join(QStringLiteral("、")));
    for (const folderbatch::Summary::LostCharacters& lost : summary.lostCharacters)
        text += QCoreApplication::translate("app",
                                            "\nShift-JIS にない文字を「?」で保存しました: %1 (%2)")
                    .arg(lost.file, lost.characters);
    using State = folderbatch::OutputOutcome::State;
    for (const folderbatch::Summary::OutputReport& report : summary.outputs) {
        switch (report.outcome.state) {
        case State::Written:
            text += QCoreApplication::translate("app", "\n書きました: %1").arg(report.name);
            if (!report.outcome.detail.isEmpty())
                text += QStringLiteral(" (%1)").arg(report.outcome.detail);
            break;
        case State::UpToDate:
            text += QCoreApplication::translate("app", "\n最新です（書き直していません）: %1")
                        .arg(report.name);
            break;
        case State::Incomplete:
            text += QCoreApplication::translate(
                        "app", "\n結果のないページがあるため書いていません: %1 (%2)")
                        .arg(report.name, report.outcome.detail);
            break;
        case State::Failed:
            text += QCoreApplication::translate("app", "\n書けませんでした: %1: %2")
                        .arg(report.name, report.outcome.detail);
            break;
        case State::Stopped:
            break;
        }
    }
    return text;
}

void FolderBatchRun::finish(const folderbatch::Summary& summary) {
    if (m_dialog) {
        m_dialog->hide();
        m_dialog.reset();
    }
    emit ended();
    // Stopped for closing: the window goes; what was saved is beside the pictures.
    if (m_closing)
        return;
    const QString text = summaryText(summary, m_document);
    const QStringList openable = openableOutputs(summary);
    if (openable.isEmpty()) {
        m_platform.showMessage(text);
        return;
    }
    // The book, the documents' texts and the PDFs are offered to open; Esc only closes.
    QStringList answers;
    for (const QString& target : openable)
        answers << QCoreApplication::translate("app", "%1 を開く")
                       .arg(QDir(summary.folder).relativeFilePath(target));
    answers << QCoreApplication::translate("app", "閉じる");
    const int chosen = m_platform.askChoice(text, answers);
    if (chosen >= 0 && chosen < openable.size() && !m_platform.shellOpen(openable[chosen]))
        m_platform.showMessage(openerMissingMessage(
            QCoreApplication::translate("app", "ファイル"),
            QCoreApplication::translate("app", "テキストエディタや PDF ビューア"),
            openable[chosen]));
}

QStringList FolderBatchRun::openableOutputs(const folderbatch::Summary& summary) {
    using State = folderbatch::OutputOutcome::State;
    using Scope = folderbatch::OutputScope;
    QList<const folderbatch::Summary::OutputReport*> openable;
    for (const folderbatch::Summary::OutputReport& report : summary.outputs)
        if (report.scope != Scope::Picture &&
            (report.outcome.state == State::Written || report.outcome.state == State::UpToDate))
            openable << &report;
    // The book before the documents, and of each its searchable PDF before its text: what a
    // reader opens first.
    const auto rank = [](const folderbatch::Summary::OutputReport* report) {
        return (report->scope == Scope::Book ? 0 : 2) +
               (report->target.endsWith(QLatin1String(".pdf"), Qt::CaseInsensitive) ? 0 : 1);
    };
    std::stable_sort(openable.begin(), openable.end(),
                     [&rank](const auto* a, const auto* b) { return rank(a) < rank(b); });
    QStringList targets;
    for (const folderbatch::Summary::OutputReport* report : openable.mid(0, kMostOffered))
        targets << report->target;
    return targets;
}

} // namespace quillpix
