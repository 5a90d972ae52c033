#pragma once

#include "platform.h"

class QWidget;

namespace quillpix {

class DesktopPlatform : public Platform {
public:
    // Message boxes are centred on the window once it exists.
    void setWindow(QWidget* window) { m_window = window; }

    void showMessage(const QString& text) override;
    void shellOpen(const QString& path) override;
    bool startPaint(const QString& picturePath) override;
    int screenWidth() const override;
    bool runBatch(const QString& batchPath, WindowStyle style) override;
    void playSound(const QString& wavPath) override;

private:
    QWidget* m_window = nullptr;
};

} // namespace quillpix
