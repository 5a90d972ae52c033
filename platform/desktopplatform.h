#pragma once

#include "platform.h"

#include <QStringList>

#include <memory>

class QWidget;

namespace quillpix {

namespace engine {
class ResidentEngine;
}

class DesktopPlatform : public Platform {
public:
    DesktopPlatform();
    ~DesktopPlatform() override;

    // Message boxes are centred on the window once it exists.
    void setWindow(QWidget* window) { m_window = window; }

    void showMessage(const QString& text) override;
    bool shellOpen(const QString& path) override;
    bool askOkCancel(const QString& text) override;
    SaveAnswer askSave(const QString& text) override;
    int askChoice(const QString& text, const QStringList& answers) override;
    bool startPaint(const QString& picturePath) override;
    int screenWidth() const override;
    QRect availableArea() const override;
    BatchReport runBatch(const QString& batchPath, WindowStyle style,
                         const std::function<bool()>& stopRequested,
                         const std::function<void(int)>& progressed) override;
    void prepareEngine(const QString& batchText, const QString& batchPath) override;
    QStringList alternativesAt(const QImage& picture, const QRect& box, bool vertical) override;
    void playSound(const QString& wavPath) override;
    QString chooseFolder(const QString& startFolder) override;
    QString chooseFile(const QString& startFolder, const QString& nameFilter) override;
    SaveTarget chooseSaveTarget(const QString& suggestedPath) override;
    ClipboardContent clipboardContent() override;
    void copyText(const QString& text) override;
    ScreenRegion captureScreenRegion() override;
    void showNotice(const QString& text) override;
    QList<scanner::Device> scanners(scanner::Error* error) override;
    scanner::Capabilities scannerCapabilities(const QString& device) override;
    QImage scannerPreview(const scanner::Request& request,
                          const std::function<bool()>& stopRequested,
                          scanner::Error* error) override;
    scanner::FolderScan
    scanIntoFolder(const scanner::Request& request, const QString& folder,
                   const std::function<void(const scanner::Progress&)>& progress,
                   const std::function<bool()>& stopRequested) override;

private:
    QWidget* m_window = nullptr;
    // The engine with its models kept loaded between the window's runs, with the recognition
    // threads that read one crop fastest on this machine.
    std::unique_ptr<engine::ResidentEngine> m_engine;
};

// Whether this desktop has something to open the file or folder with, as the system's opener
// (xdg-open, found on PATH) looks for it: a program whose desktop entry in the applications
// folders (those of XDG_DATA_HOME and XDG_DATA_DIRS) names the file's type, and for a web page
// also a browser (BROWSER, or one of the usual browser commands on PATH).
bool desktopCanOpen(const QString& path, const QStringList& applicationFolders);

} // namespace quillpix
