#include "scandialog.h"

#include "platform.h"
#include "scanpreview.h"
#include "settingsfile.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

namespace quillpix {
namespace {

// The choices kept in the settings file: device, resolution, mode, source.
const QString kChoicesKey = QStringLiteral("scanner");
constexpr int kDefaultResolution = 300;

void offer(QComboBox* box, const QList<std::pair<QString, int>>& items, int wanted) {
    box->clear();
    for (const auto& [caption, value] : items)
        box->addItem(caption, value);
    const int row = box->findData(wanted);
    box->setCurrentIndex(row >= 0 ? row : 0);
}

} // namespace

QString scanProblemMessage(const scanner::Error& e, const scanner::Request& request) {
    using scanner::Problem;
    const QString& d = e.device;
    switch (e.problem) {
    case Problem::None:
        return {};
    case Problem::NoScanner:
        return QCoreApplication::translate(
            "scan", "スキャナーが見つかりません。\n"
                    "スキャナーをつないで電源を入れてから、もう一度スキャンしてください。");
    case Problem::NoSuchDevice:
        return QCoreApplication::translate("scan", "スキャナー %1 が見つかりません（%2）。")
            .arg(d, e.detail);
    case Problem::Busy:
        return QCoreApplication::translate(
                   "scan", "スキャナー %1 は使用中です。\n"
                           "ほかのプログラムが使い終わってから、もう一度スキャンしてください。")
            .arg(d);
    case Problem::Jammed:
        return QCoreApplication::translate("scan",
                                           "スキャナー %1 のフィーダーで紙が詰まりました。\n"
                                           "紙を取り除いてから、もう一度スキャンしてください。")
            .arg(d);
    case Problem::FeederEmpty:
        return QCoreApplication::translate("scan", "スキャナー %1 のフィーダーに紙がありません。\n"
                                                   "紙を入れてから、もう一度スキャンしてください。")
            .arg(d);
    case Problem::CoverOpen:
        return QCoreApplication::translate("scan",
                                           "スキャナー %1 のカバーが開いています。\n"
                                           "カバーを閉じてから、もう一度スキャンしてください。")
            .arg(d);
    case Problem::DeviceIo:
        return QCoreApplication::translate("scan",
                                           "スキャナー %1 が応答しません（%2）。\n"
                                           "つながっていて電源が入っているか確かめてください。")
            .arg(d, e.detail);
    case Problem::AccessDenied:
        return QCoreApplication::translate("scan", "スキャナー %1 を使う権限がありません（%2）。")
            .arg(d, e.detail);
    case Problem::NoMemory:
        return QCoreApplication::translate("scan", "スキャナー %1 のメモリが足りません（%2）。")
            .arg(d, e.detail);
    case Problem::WarmingUp:
        return QCoreApplication::translate(
                   "scan",
                   "スキャナー %1 は準備中です。\nしばらくしてから、もう一度スキャンしてください。")
            .arg(d);
    case Problem::Locked:
        return QCoreApplication::translate("scan",
                                           "スキャナー %1 に輸送用のロックがかかっています。\n"
                                           "ロックを外してから、もう一度スキャンしてください。")
            .arg(d);
    case Problem::Refused:
        return QCoreApplication::translate("scan",
                                           "スキャナー %1 がスキャンを受け付けませんでした（%2）。")
            .arg(d, e.detail);
    case Problem::Resolution:
        return QCoreApplication::translate(
                   "scan", "スキャナー %1 は %2 dpi でスキャンできません（できるのは %3）。")
            .arg(d)
            .arg(request.resolution)
            .arg(e.detail);
    case Problem::Mode:
        return QCoreApplication::translate(
                   "scan", "スキャナー %1 はこの色でスキャンできません（できるのは %2）。")
            .arg(d, e.detail);
    case Problem::Source:
        return (request.source == scanner::Source::Feeder
                    ? QCoreApplication::translate("scan",
                                                  "スキャナー %1 にはフィーダーがありません。")
                    : QCoreApplication::translate("scan",
                                                  "スキャナー %1 にはフラットベッドがありません。"))
            .arg(d);
    case Problem::Unreadable:
        return QCoreApplication::translate(
                   "scan", "スキャナー %1 から届いたページを画像にできません（%2）。")
            .arg(d, e.detail);
    case Problem::Folder:
        return QCoreApplication::translate("scan", "スキャンしたページを保存できません。\n%1")
            .arg(e.detail);
    case Problem::Stopped:
        return QCoreApplication::translate("scan", "スキャンを中止しました。");
    }
    return {};
}

ScanDialog::ScanDialog(Platform& platform, const QString& folder, const QString& programFolder,
                       QWidget* parent)
    : QDialog(parent), m_platform(platform), m_folder(folder), m_programFolder(programFolder) {
    setObjectName(QStringLiteral("dlgScan"));
    setWindowTitle(QCoreApplication::translate("scan", "スキャン"));
    const auto named = [](auto* widget, const char* name) {
        widget->setObjectName(QString::fromLatin1(name));
        return widget;
    };
    m_device = named(new QComboBox(this), "cmbScanner");
    m_resolution = named(new QSpinBox(this), "spnResolution");
    m_resolution->setSuffix(QStringLiteral(" dpi"));
    m_resolution->setRange(1, 9600);
    m_resolution->setValue(kDefaultResolution);
    m_mode = named(new QComboBox(this), "cmbScanMode");
    m_source = named(new QComboBox(this), "cmbScanSource");
    m_status = named(new QLabel(this), "lblScanStatus");
    m_status->setWordWrap(true);
    m_progress = named(new QProgressBar(this), "barScan");
    m_progress->setRange(0, 100);
    m_progress->setValue(0);
    m_scan =
        named(new QPushButton(QCoreApplication::translate("scan", "スキャン"), this), "cmdScan");
    m_stop = named(new QPushButton(QCoreApplication::translate("scan", "スキャン中止"), this),
                   "cmdStopScan");
    m_close =
        named(new QPushButton(QCoreApplication::translate("scan", "閉じる"), this), "cmdCloseScan");
    m_preview = named(new QPushButton(QCoreApplication::translate("scan", "プレビュー"), this),
                      "cmdPreview");
    m_glass = new ScanPreview(this);
    m_scan->setDefault(true);
    m_stop->setEnabled(false);

    auto* form = new QFormLayout;
    form->addRow(QCoreApplication::translate("scan", "スキャナー"), m_device);
    form->addRow(QCoreApplication::translate("scan", "解像度"), m_resolution);
    form->addRow(QCoreApplication::translate("scan", "色"), m_mode);
    form->addRow(QCoreApplication::translate("scan", "原稿の置き場所"), m_source);
    form->addRow(QCoreApplication::translate("scan", "保存先"), new QLabel(folder, this));
    auto* buttons = new QDialogButtonBox(this);
    buttons->addButton(m_preview, QDialogButtonBox::ActionRole);
    buttons->addButton(m_scan, QDialogButtonBox::ActionRole);
    buttons->addButton(m_stop, QDialogButtonBox::ActionRole);
    buttons->addButton(m_close, QDialogButtonBox::RejectRole);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(m_glass);
    layout->addWidget(m_status);
    layout->addWidget(m_progress);
    layout->addWidget(buttons);

    connect(m_scan, &QPushButton::clicked, this, &ScanDialog::scan);
    connect(m_preview, &QPushButton::clicked, this, &ScanDialog::preview);
    // The glass is the flatbed's: the feeder's sheets are scanned whole.
    connect(m_source, &QComboBox::currentIndexChanged, this, [this] {
        m_preview->setEnabled(!m_offered.area.isNull() && !m_scanning &&
                              request().source == scanner::Source::Flatbed);
    });
    connect(m_stop, &QPushButton::clicked, this, &ScanDialog::stop);
    connect(m_close, &QPushButton::clicked, this, &ScanDialog::reject);
    connect(m_device, &QComboBox::currentIndexChanged, this, [this] { deviceChosen(); });
}

void ScanDialog::findScanners() {
    const QStringList kept = textfiles::SettingsFile(m_programFolder).list(kChoicesKey);
    if (kept.size() == 4) {
        m_resolution->setValue(std::max(1, kept[1].toInt()));
        m_mode->setProperty("wanted", kept[2].toInt());
        m_source->setProperty("wanted", kept[3].toInt());
    }
    setBusy(true);
    m_status->setText(QCoreApplication::translate("scan", "スキャナーを探しています…"));
    scanner::Error error;
    const QList<scanner::Device> found = m_platform.scanners(&error);
    setBusy(false);
    const QSignalBlocker quiet(m_device);
    m_device->clear();
    for (const scanner::Device& device : found)
        m_device->addItem(scanner::shownName(device), device.name);
    if (found.isEmpty()) {
        m_status->setText(scanProblemMessage(
            error ? error : scanner::Error{scanner::Problem::NoScanner, {}, {}}, request()));
        m_scan->setEnabled(false);
        return;
    }
    const int last = kept.isEmpty() ? -1 : m_device->findData(kept[0]);
    m_device->setCurrentIndex(std::max(0, last));
    deviceChosen();
}

void ScanDialog::deviceChosen() {
    const QString device = m_device->currentData().toString();
    if (device.isEmpty())
        return;
    setBusy(true);
    m_status->setText(
        QCoreApplication::translate("scan", "スキャナー %1 に問い合わせています…").arg(device));
    const scanner::Capabilities c = m_platform.scannerCapabilities(device);
    m_offered = c;
    m_glass->clear();
    setBusy(false);
    if (c.error) {
        m_status->setText(scanProblemMessage(c.error, request()));
        m_scan->setEnabled(false);
        return;
    }
    m_status->setText({});
    if (c.maxResolution > 0)
        m_resolution->setRange(c.minResolution, c.maxResolution);
    m_resolution->setValue(scanner::resolutionWithin(m_resolution->value(), c));
    using scanner::Mode, scanner::Source;
    QList<std::pair<QString, int>> modes;
    for (const auto& [mode, caption] :
         {std::pair{Mode::Colour, QCoreApplication::translate("scan", "カラー")},
          std::pair{Mode::Grey, QCoreApplication::translate("scan", "グレー")},
          std::pair{Mode::Lineart, QCoreApplication::translate("scan", "白黒")}})
        if (c.modes.isEmpty() || c.modes.contains(mode))
            modes.append({caption, int(mode)});
    offer(m_mode, modes,
          m_mode->property("wanted").isValid() ? m_mode->property("wanted").toInt()
                                               : int(Mode::Colour));
    m_mode->setEnabled(!c.modes.isEmpty());
    QList<std::pair<QString, int>> sources;
    if (c.sources.contains(Source::Flatbed))
        sources.append(
            {QCoreApplication::translate("scan", "フラットベッド"), int(Source::Flatbed)});
    if (c.sources.contains(Source::Feeder))
        sources.append({QCoreApplication::translate("scan", "フィーダー"), int(Source::Feeder)});
    offer(m_source, sources, m_source->property("wanted").toInt());
    m_preview->setEnabled(!c.area.isNull() && request().source == Source::Flatbed);
}

void ScanDialog::preview() {
    if (m_scanning || m_offered.area.isNull())
        return;
    scanner::Request r = request();
    r.resolution = scanner::resolutionWithin(30, m_offered);
    if (m_offered.modes.contains(scanner::Mode::Grey))
        r.mode = scanner::Mode::Grey;
    r.area = m_offered.area;
    r.pages = 1;
    m_stopRequested = false;
    m_scanning = true;
    setBusy(true);
    m_status->setText(QCoreApplication::translate("scan", "プレビューをスキャンしています…"));
    scanner::Error error;
    const QImage picture = m_platform.scannerPreview(
        r, [this] { return m_stopRequested.load(); }, &error);
    m_scanning = false;
    setBusy(false);
    m_status->setText(error ? scanProblemMessage(error, r) : QString());
    if (!picture.isNull())
        m_glass->show(picture, m_offered.area);
}

void ScanDialog::setBusy(bool busy) {
    for (QWidget* w :
         std::initializer_list<QWidget*>{m_device, m_resolution, m_mode, m_source, m_scan, m_close})
        w->setEnabled(!busy);
    m_preview->setEnabled(!busy && !m_offered.area.isNull() &&
                          request().source == scanner::Source::Flatbed);
    m_stop->setEnabled(busy && m_scanning);
    if (busy)
        setCursor(Qt::BusyCursor);
    else
        unsetCursor();
}

scanner::Request ScanDialog::request() const {
    scanner::Request r;
    r.device = m_device->currentData().toString();
    r.resolution = m_resolution->value();
    r.mode = scanner::Mode(m_mode->currentData().toInt());
    r.source = scanner::Source(m_source->currentData().toInt());
    if (r.source == scanner::Source::Flatbed)
        r.area = m_glass->region();
    return r;
}

void ScanDialog::keepChoices(const scanner::Request& r) const {
    // Not kept: the choices hold for this scan all the same, and the next dialog starts afresh.
    textfiles::SettingsFile(m_programFolder)
        .setList(kChoicesKey, {r.device, QString::number(r.resolution),
                               QString::number(int(r.mode)), QString::number(int(r.source))});
    m_mode->setProperty("wanted", int(r.mode));
    m_source->setProperty("wanted", int(r.source));
}

void ScanDialog::scan() {
    if (m_scanning || m_device->currentData().toString().isEmpty())
        return;
    const scanner::Request r = request();
    keepChoices(r);
    m_stopRequested = false;
    m_scanning = true;
    setBusy(true);
    m_progress->setValue(0);
    m_status->setText(QCoreApplication::translate("scan", "スキャンしています…"));
    const scanner::FolderScan result = m_platform.scanIntoFolder(
        r, m_folder,
        [this](const scanner::Progress& p) {
            m_status->setText(
                QCoreApplication::translate("scan", "%1 ページ目をスキャンしています…")
                    .arg(p.page));
            m_progress->setRange(0, p.expected > 0 ? 100 : 0);
            if (p.expected > 0)
                m_progress->setValue(int(std::min<qint64>(100, p.bytes * 100 / p.expected)));
        },
        [this] { return m_stopRequested.load(); });
    m_scanning = false;
    setBusy(false);
    m_progress->setRange(0, 100);
    ended(result, r);
}

void ScanDialog::ended(const scanner::FolderScan& result, const scanner::Request& r) {
    m_written = result.written;
    if (!m_written.isEmpty())
        emit scanned(m_written);
    if (!result.error) {
        accept();
        return;
    }
    QString message = scanProblemMessage(result.error, r);
    if (!m_written.isEmpty())
        message += QLatin1Char('\n') +
                   QCoreApplication::translate("scan", "それまでの %1 ページは保存しました。")
                       .arg(m_written.size());
    m_status->setText(message);
    m_progress->setValue(0);
    // A stop asked for is no news; anything else is told as the window tells a failure.
    if (result.error.problem != scanner::Problem::Stopped)
        m_platform.showMessage(message);
}

void ScanDialog::stop() {
    m_stopRequested = true;
    m_status->setText(QCoreApplication::translate("scan", "スキャンを止めています…"));
}

void ScanDialog::reject() {
    if (m_scanning)
        stop();
    else
        QDialog::reject();
}

void ScanDialog::closeEvent(QCloseEvent* event) {
    if (m_scanning) {
        stop();
        event->ignore();
        return;
    }
    QDialog::closeEvent(event);
}

} // namespace quillpix
