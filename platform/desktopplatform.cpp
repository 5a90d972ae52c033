#include "desktopplatform.h"

#include "residentengine.h"
#include "residentfirst.h"
#include "soundplayer.h"

#include <QDesktopServices>
#include <QGuiApplication>
#include <QMessageBox>
#include <QProcess>
#include <QScreen>
#include <QStandardPaths>
#include <QUrl>

namespace quillpix {

DesktopPlatform::DesktopPlatform() : m_engine(std::make_unique<engine::ResidentEngine>()) {}

DesktopPlatform::~DesktopPlatform() = default;

void DesktopPlatform::showMessage(const QString& text) {
    QMessageBox box(QMessageBox::NoIcon, QStringLiteral("Quillpix"), text, QMessageBox::Ok,
                    m_window);
    box.exec();
}

void DesktopPlatform::shellOpen(const QString& path) {
    QDesktopServices::openUrl(QUrl::fromLocalFile(path));
}

bool DesktopPlatform::startPaint(const QString& picturePath) {
    const QString program = QStandardPaths::findExecutable(QStringLiteral("kolourpaint"));
    if (program.isEmpty())
        return false;
    return QProcess::startDetached(program, {picturePath});
}

int DesktopPlatform::screenWidth() const {
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen ? screen->geometry().width() : 1920;
}

BatchReport DesktopPlatform::runBatch(const QString& batchPath, WindowStyle style) {
    // Style 1 gives our console window, which takes the focus; style 6 runs with no window.
    return runResidentFirst(batchPath, style, *m_engine, m_window);
}

void DesktopPlatform::playSound(const QString& wavPath) {
    // No sound device, or a file that cannot be played, is silence.
    sound::playFile(wavPath);
}

} // namespace quillpix
