#include "desktopplatform.h"

#include "residentengine.h"
#include "residentfirst.h"
#include "scanaside.h"
#include "screencapture.h"
#include "soundplayer.h"

#include <QApplication>
#include <QClipboard>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QDirIterator>
#include <QEventLoop>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLabel>
#include <QMessageBox>
#include <QMimeData>
#include <QMimeDatabase>
#include <QMimeType>
#include <QProcess>
#include <QPushButton>
#include <QScreen>
#include <QStandardPaths>
#include <QThread>
#include <QTimer>
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
    box.button(QMessageBox::Cancel)->setText(QCoreApplication::translate("platform", "キャンセル"));
    return box.exec() == QMessageBox::Ok;
}

SaveAnswer DesktopPlatform::askSave(const QString& text) {
    QMessageBox box(QMessageBox::NoIcon, QStringLiteral("Quillpix"), text,
                    QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel, m_window);
    box.button(QMessageBox::Save)->setText(QCoreApplication::translate("platform", "保存"));
    box.button(QMessageBox::Discard)
        ->setText(QCoreApplication::translate("platform", "保存しない"));
    box.button(QMessageBox::Cancel)->setText(QCoreApplication::translate("platform", "キャンセル"));
    box.setDefaultButton(QMessageBox::Save);
    box.setEscapeButton(QMessageBox::Cancel);
    switch (box.exec()) {
    case QMessageBox::Save:
        return SaveAnswer::Save;
    case QMessageBox::Discard:
        return SaveAnswer::Discard;
    default:
        return SaveAnswer::Cancel;
    }
}

int DesktopPlatform::askChoice(const QString& text, const QStringList& answers) {
    QMessageBox box(QMessageBox::NoIcon, QStringLiteral("Quillpix"), text, QMessageBox::NoButton,
                    m_window);
    QList<QPushButton*> buttons;
    for (const QString& answer : answers)
        buttons << box.addButton(answer, QMessageBox::AcceptRole);
    if (buttons.isEmpty())
        return -1;
    box.setDefaultButton(buttons.first());
    box.setEscapeButton(buttons.last());
    box.exec();
    const qsizetype chosen = buttons.indexOf(static_cast<QPushButton*>(box.clickedButton()));
    return chosen < 0 ? int(buttons.size() - 1) : int(chosen);
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

QRect DesktopPlatform::availableArea() const {
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen ? screen->availableGeometry() : QRect(0, 0, screenWidth(), 1080);
}

BatchReport DesktopPlatform::runBatch(const QString& batchPath, WindowStyle style,
                                      const std::function<bool()>& stopRequested,
                                      const std::function<void(int)>& progressed) {
    // Style 1 gives our console window, which takes the focus; style 6 runs with no window.
    return runResidentFirst(batchPath, style, *m_engine, m_window, stopRequested, progressed);
}

void DesktopPlatform::prepareEngine(const QString& batchText, const QString& batchPath) {
    prepareResidentFirst(batchText, batchPath, *m_engine);
}

QStringList DesktopPlatform::alternativesAt(const QImage& picture, const QRect& box,
                                            bool vertical) {
    return quillpix::alternativesAt(picture, box, vertical, *m_engine);
}

void DesktopPlatform::playSound(const QString& wavPath) {
    // No sound device, or a file that cannot be played, is silence.
    sound::playFile(wavPath);
}

// Qt's static dialogs are the desktop's own where its platform theme offers one (a portal, GTK,
// KDE), and Qt's own otherwise.
QString DesktopPlatform::chooseFolder(const QString& startFolder) {
    return QFileDialog::getExistingDirectory(
        m_window, QCoreApplication::translate("platform", "フォルダを開く"), startFolder);
}

QString DesktopPlatform::chooseFile(const QString& startFolder, const QString& nameFilter) {
    return QFileDialog::getOpenFileName(m_window,
                                        QCoreApplication::translate("platform", "ファイルを開く"),
                                        startFolder, nameFilter);
}

// The encoding is the name filter chosen: both filters show text files, so choosing one changes
// nothing but what is written.
SaveTarget DesktopPlatform::chooseSaveTarget(const QString& suggestedPath) {
    const QString shiftJis =
        QCoreApplication::translate("platform", "Shift-JIS・CR LF のテキスト (*.txt)");
    const QString utf8 = QCoreApplication::translate("platform", "UTF-8・LF のテキスト (*.txt)");
    const QString hocr =
        QCoreApplication::translate("platform", "hOCR: 文字の位置と要確認の印つき (*.hocr)");
    QString chosenFilter = shiftJis;
    SaveTarget target;
    target.path = QFileDialog::getSaveFileName(
        m_window, QCoreApplication::translate("platform", "名前を付けて保存"), suggestedPath,
        shiftJis + QStringLiteral(";;") + utf8 + QStringLiteral(";;") + hocr, &chosenFilter);
    if (chosenFilter == utf8)
        target.encoding = textfiles::TextEncoding::Utf8;
    target.hocr = chosenFilter == hocr;
    // The file's name says what it holds: hOCR never goes over a text result offered as the
    // name.
    if (target.hocr && !target.path.isEmpty()) {
        const QString suffix = QFileInfo(target.path).suffix();
        if (suffix.compare(QStringLiteral("txt"), Qt::CaseInsensitive) == 0)
            target.path.chop(4);
        if (QFileInfo(target.path).suffix().compare(QStringLiteral("hocr"), Qt::CaseInsensitive))
            target.path += QStringLiteral(".hocr");
    }
    return target;
}

ClipboardContent DesktopPlatform::clipboardContent() {
    ClipboardContent content;
    const QMimeData* data = QGuiApplication::clipboard()->mimeData();
    if (!data)
        return content;
    // A file manager's copy also offers the file's icon as a picture: the files come first.
    for (const QUrl& url : data->urls())
        if (url.isLocalFile())
            content.files << url.toLocalFile();
    if (content.files.isEmpty() && data->hasImage())
        content.picture = qvariant_cast<QImage>(data->imageData());
    content.hasText = data->hasText();
    return content;
}

void DesktopPlatform::copyText(const QString& text) {
    QGuiApplication::clipboard()->setText(text);
}

ScreenRegion DesktopPlatform::captureScreenRegion() {
    const capture::GrabMethod method = capture::grabMethodFor(
        QGuiApplication::platformName(), !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"));
    // The window would hide what the user wants to read; it steps aside while the screen is
    // taken, and for the compositor to draw what lay under it.
    const bool hid = m_window && m_window->isVisible() && method != capture::GrabMethod::None;
    if (hid) {
        m_window->hide();
        QEventLoop settle;
        QTimer::singleShot(300, &settle, &QEventLoop::quit);
        settle.exec();
    }
    ScreenRegion region;
    const capture::Frozen frozen = capture::freezeScreen(method);
    if (!frozen.picture.isNull()) {
        if (const std::optional<QRect> chosen = capture::chooseRegion(frozen.picture))
            region.picture = frozen.picture.copy(*chosen);
    }
    region.problem = frozen.problem;
    if (hid) {
        m_window->show();
        m_window->raise();
        m_window->activateWindow();
    }
    return region;
}

void DesktopPlatform::showNotice(const QString& text) {
    // A small label over the window's lower edge that closes itself; no button to press.
    auto* notice = new QLabel(text, m_window, Qt::ToolTip | Qt::FramelessWindowHint);
    notice->setObjectName(QStringLiteral("notice"));
    notice->setAttribute(Qt::WA_DeleteOnClose);
    notice->setMargin(10);
    notice->setStyleSheet(
        QStringLiteral("QLabel { background: #fff8d0; color: black; border: 1px solid #b0a060; }"));
    notice->adjustSize();
    if (m_window) {
        const QRect frame = m_window->geometry();
        notice->move(frame.center().x() - notice->width() / 2,
                     frame.bottom() - notice->height() - 40);
    }
    notice->show();
    QTimer::singleShot(3500, notice, &QWidget::close);
}

QList<scanner::Device> DesktopPlatform::scanners(scanner::Error* error) {
    return scanaside::devices(error);
}

scanner::Capabilities DesktopPlatform::scannerCapabilities(const QString& device) {
    return scanaside::capabilities(device);
}

QImage DesktopPlatform::scannerPreview(const scanner::Request& request,
                                       const std::function<bool()>& stopRequested,
                                       scanner::Error* error) {
    return scanaside::preview(request, stopRequested, error);
}

scanner::FolderScan
DesktopPlatform::scanIntoFolder(const scanner::Request& request, const QString& folder,
                                const std::function<void(const scanner::Progress&)>& progress,
                                const std::function<bool()>& stopRequested) {
    return scanaside::scanIntoFolder(request, folder, progress, stopRequested);
}

} // namespace quillpix
