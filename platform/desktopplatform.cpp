#include "desktopplatform.h"

#include "residentengine.h"
#include "residentfirst.h"
#include "soundplayer.h"

#include <QDesktopServices>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QGuiApplication>
#include <QMessageBox>
#include <QMimeDatabase>
#include <QMimeType>
#include <QProcess>
#include <QPushButton>
#include <QScreen>
#include <QStandardPaths>
#include <QThread>
#include <QUrl>

namespace quillpix {

DesktopPlatform::DesktopPlatform()
    : m_engine(std::make_unique<engine::ResidentEngine>(
          engine::threadsForOneCrop(QThread::idealThreadCount()))) {}

DesktopPlatform::~DesktopPlatform() = default;

void DesktopPlatform::showMessage(const QString& text) {
    QMessageBox box(QMessageBox::NoIcon, QStringLiteral("Quillpix"), text, QMessageBox::Ok,
                    m_window);
    box.exec();
}

bool desktopCanOpen(const QString& path, const QStringList& applicationFolders) {
    if (QStandardPaths::findExecutable(QStringLiteral("xdg-open")).isEmpty())
        return false;
    const QMimeType type = QMimeDatabase().mimeTypeForFile(path);
    QStringList wanted{type.name()};
    wanted << type.aliases();
    const bool webPage = type.inherits(QStringLiteral("text/html"));
    if (webPage) {
        wanted << QStringLiteral("x-scheme-handler/http")
               << QStringLiteral("x-scheme-handler/https");
        if (!qEnvironmentVariableIsEmpty("BROWSER"))
            return true;
        for (const char* browser : {"x-www-browser", "www-browser", "firefox", "firefox-esr",
                                    "chromium", "google-chrome", "epiphany", "konqueror", "falkon",
                                    "midori", "links2", "elinks", "links", "lynx", "w3m"})
            if (!QStandardPaths::findExecutable(QString::fromLatin1(browser)).isEmpty())
                return true;
    }
    for (const QString& folder : applicationFolders) {
        QDirIterator entries(folder, {QStringLiteral("*.desktop")}, QDir::Files,
                             QDirIterator::Subdirectories);
        while (entries.hasNext()) {
            QFile entry(entries.next());
            if (!entry.open(QIODevice::ReadOnly))
                continue;
            for (const QByteArray& line : entry.readAll().split('\n')) {
                if (!line.startsWith("MimeType="))
                    continue;
                const QStringList types = QString::fromUtf8(line.mid(9).trimmed())
                                              .split(QLatin1Char(';'), Qt::SkipEmptyParts);
                for (const QString& t : wanted)
                    if (types.contains(t))
                        return true;
            }
        }
    }
    return false;
}

bool DesktopPlatform::shellOpen(const QString& path) {
    if (!desktopCanOpen(path,
                        QStandardPaths::standardLocations(QStandardPaths::ApplicationsLocation)))
        return false;
    return QDesktopServices::openUrl(QUrl::fromLocalFile(path));
}

bool DesktopPlatform::askOkCancel(const QString& text) {
    QMessageBox box(QMessageBox::NoIcon, QStringLiteral("Quillpix"), text,
                    QMessageBox::Ok | QMessageBox::Cancel, m_window);
    box.button(QMessageBox::Cancel)->setText(QStringLiteral("キャンセル"));
    return box.exec() == QMessageBox::Ok;
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

void DesktopPlatform::prepareEngine(const QString& batchText, const QString& batchPath) {
    prepareResidentFirst(batchText, batchPath, *m_engine);
}

void DesktopPlatform::playSound(const QString& wavPath) {
    // No sound device, or a file that cannot be played, is silence.
    sound::playFile(wavPath);
}

} // namespace quillpix
