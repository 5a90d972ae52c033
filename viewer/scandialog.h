#pragma once

#include "scanfolder.h"

#include <QDialog>
#include <QStringList>

#include <atomic>

class QComboBox;
class QLabel;
class QProgressBar;
class QPushButton;
class QSpinBox;

namespace quillpix {
class ScanPreview;
}

namespace quillpix {

class Platform;

// スキャン…: the scanner, its resolution, colour mode and source, and the scan itself, into the
// folder it was given. The scan runs beside the window, which goes on answering; スキャン中止 or
// Esc stops it, the page under way left out. The choices are kept for the next time.
class ScanDialog : public QDialog {
    Q_OBJECT
public:
    ScanDialog(Platform& platform, const QString& folder, const QString& programFolder,
               QWidget* parent);

    // Looks for the scanners (aside) and offers them, the one used last chosen.
    void findScanners();
    // The pages written by the last scan, in scan order.
    QStringList written() const { return m_written; }
    bool scanning() const { return m_scanning; }

public Q_SLOTS:
    void scan();
    void stop();
    // A quick grey scan of the whole glass, to drag out the part to scan.
    void preview();
    // Esc: stops a scan under way; closes the dialog when none is.
    void reject() override;

Q_SIGNALS:
    // Pages were written, also by a scan that then failed.
    void scanned(const QStringList& paths);

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void deviceChosen();
    void setBusy(bool busy);
    scanner::Request request() const;
    void keepChoices(const scanner::Request& request) const;
    void ended(const scanner::FolderScan& result, const scanner::Request& request);

    Platform& m_platform;
    QString m_folder;
    QString m_programFolder;
    QComboBox* m_device;
    QSpinBox* m_resolution;
    QComboBox* m_mode;
    QComboBox* m_source;
    QLabel* m_status;
    QProgressBar* m_progress;
    QPushButton* m_scan;
    QPushButton* m_stop;
    QPushButton* m_close;
    QPushButton* m_preview;
    ScanPreview* m_glass;
    scanner::Capabilities m_offered;
    bool m_scanning = false;
    std::atomic<bool> m_stopRequested{false};
    QStringList m_written;
};

// What the window says of a scan that went wrong, naming the device and the reason.
QString scanProblemMessage(const scanner::Error& error, const scanner::Request& request);

} // namespace quillpix
