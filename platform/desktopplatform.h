#pragma once

#include "platform.h"

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
    void shellOpen(const QString& path) override;
    bool startPaint(const QString& picturePath) override;
    int screenWidth() const override;
    BatchReport runBatch(const QString& batchPath, WindowStyle style) override;
    void playSound(const QString& wavPath) override;

private:
    QWidget* m_window = nullptr;
    // The engine with its models kept loaded between the window's runs.
    std::unique_ptr<engine::ResidentEngine> m_engine;
};

} // namespace quillpix
