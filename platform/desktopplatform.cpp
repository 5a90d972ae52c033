#include "desktopplatform.h"

#include <QDesktopServices>
#include <QEventLoop>
#include <QGuiApplication>
#include <QMessageBox>
#include <QProcess>
#include <QScreen>
#include <QStandardPaths>
#include <QUrl>

namespace quillpix {

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

bool DesktopPlatform::runBatch(const QString& batchPath, WindowStyle) {
    QProcess process;
    QEventLoop loop;
    QObject::connect(&process, &QProcess::finished, &loop, &QEventLoop::quit);
    QObject::connect(&process, &QProcess::errorOccurred, &loop, &QEventLoop::quit);
    process.start(QStringLiteral("/bin/sh"), {batchPath});
    if (!process.waitForStarted())
        return false;
    if (process.state() != QProcess::NotRunning)
        loop.exec();
    return true;
}

void DesktopPlatform::playSound(const QString&) {}

} // namespace quillpix
