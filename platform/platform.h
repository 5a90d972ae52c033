#pragma once

#include "lines.h"
#include "scanfolder.h"
#include "textfiles.h"

#include <QCoreApplication>
#include <QImage>
#include <QRect>
#include <QString>
#include <QStringList>

#include <functional>

namespace quillpix {

// How a batch file is started: with our console window taking the focus, so the user can read
// the engine's output and answer "pause", or with no window at all.
enum class WindowStyle { NormalWithFocus = 1, MinimizedNoFocus = 6 };

// What one run of a batch file did.
struct BatchReport {
    // False when the batch file could not be read: nothing ran.
    bool started = false;
    // The engine kept loaded by the program read the picture in place of the batch: the batch
    // was one plain call of the installed engine.
    bool resident = false;
    // The programs the batch named that could not be found or started, as written.
    QStringList notFound;
    // The program of the batch's last command and how it ended (0: success).
    QString lastProgram;
    int exitCode = 0;
    // How the engine itself ended: the last command of the batch that started the program
    // named "tesseract" (as the batch names it, with or without a folder), or the loaded
    // engine's read. A batch may go on after the engine ("pause", "echo", a copy of the result),
    // and its last command then says nothing of the engine.
    bool engineRan = false;
    int engineExitCode = 0; // 1 for a crash, as the batch's exit code counts it
    bool engineCrashed = false;
    // The engine's last line on its standard error in that run ("" when it said nothing there,
    // or its errors went to a file): the reason it gives for a failure.
    QString engineMessage;
    // A resident read that wrote its text: where it read each line and character, in the
    // pixels of the batch's picture. Empty for a batch run as written.
    QList<enginelayout::Line> lines;
    // The stop asked for ended the run: the engine's read, or the batch's programs.
    bool stopped = false;
};

// What the clipboard holds that the window can take: a picture, or files copied in a file
// manager (local paths). Both empty when it holds neither.
struct ClipboardContent {
    QImage picture;
    QStringList files;
    // Whether it offers text too (a text box pastes that).
    bool hasText = false;
};

// A region of the screen the user chose. An empty picture with an empty problem: cancelled.
struct ScreenRegion {
    QImage picture;
    // Why the screen could not be read (no way to grab it on this desktop, the portal refused),
    // in Japanese for the user.
    QString problem;
};

// Where 名前を付けて保存 writes the result text, and in which encoding; an empty path when the
// user cancelled.
struct SaveTarget {
    QString path;
    textfiles::TextEncoding encoding = textfiles::TextEncoding::ShiftJis;
    // hOCR of the text with its characters' places and marks, in place of the text itself.
    bool hocr = false;
};

// The answer to a question about text not yet saved.
enum class SaveAnswer { Save, Discard, Cancel };

// Everything the window asks of the desktop. The desktop implementation talks to the real
// system; tests use a recording double.
class Platform {
public:
    virtual ~Platform() = default;

    // A message box: OK only, no icon, title "Quillpix". Returns when it is closed.
    virtual void showMessage(const QString& text) = 0;
    // Hands a file or folder to the system's "open" (browser, file manager, text editor).
    // False when the desktop has nothing to open it with (no opener, or no program for that
    // kind of file); what the program does once started is its own business.
    virtual bool shellOpen(const QString& path) = 0;
    // Starts the paint program on the picture (one argument). False when it is not installed.
    virtual bool startPaint(const QString& picturePath) = 0;
    // A question with OK and キャンセル, title "Quillpix"; true for OK.
    virtual bool askOkCancel(const QString& text) = 0;
    // A question with 保存, 保存しない and キャンセル, title "Quillpix"; closing it is a cancel.
    virtual SaveAnswer askSave(const QString& text) = 0;
    // A question whose answers are its buttons, in the order given, title "Quillpix"; returns
    // the index of the one chosen. The first is the default; closing the box is the last, so
    // the answer that changes nothing goes last.
    virtual int askChoice(const QString& text, const QStringList& answers) = 0;
    // Width of the primary screen in pixels.
    virtual int screenWidth() const = 0;
    // The part of the primary screen a window may take (panels and docks left out), in pixels.
    virtual QRect availableArea() const = 0;
    // Runs the batch file and returns when it has ended; the window keeps handling its events
    // meanwhile. Every run of the window goes through here: a batch that is one plain call of
    // the installed engine is read by the engine kept loaded, anything else runs as written.
    // stopRequested, asked while it runs, ends it early: the loaded engine at its next word,
    // the batch's programs at once. The loaded engine tells progressed how far its read has
    // come, in percent, from its own thread; a batch run as written tells nothing.
    virtual BatchReport runBatch(const QString& batchPath, WindowStyle style,
                                 const std::function<bool()>& stopRequested,
                                 const std::function<void(int)>& progressed) = 0;
    // Gets ready, in the background, for a runBatch() of a batch file at batchPath holding
    // batchText: loads the engine that would read it, when it is one plain call of the
    // installed engine, so the next run does not wait for the models. Returns at once and
    // never runs the batch; a platform without a loaded engine has nothing to do.
    virtual void prepareEngine(const QString& batchText, const QString& batchPath) {
        Q_UNUSED(batchText);
        Q_UNUSED(batchPath);
    }
    // The engine's other choices for the character it read at box on picture (full-picture
    // pixels; the character read in a vertical line or not), best first, by the loaded engine
    // reading the stretch of line around it again; none where there is no loaded engine or the
    // engine has no other choice.
    virtual QStringList alternativesAt(const QImage& picture, const QRect& box, bool vertical) {
        Q_UNUSED(picture);
        Q_UNUSED(box);
        Q_UNUSED(vertical);
        return {};
    }
    // Plays a sound file to its end; silence when there is no sound device.
    virtual void playSound(const QString& wavPath) = 0;

    // Pictures from anywhere: the desktop's dialogs, its clipboard and its screen.
    // The desktop's own folder dialog where it has one (Qt's otherwise); "" when cancelled.
    virtual QString chooseFolder(const QString& startFolder) = 0;
    // The desktop's own dialog for one file matching nameFilter; "" when cancelled.
    virtual QString chooseFile(const QString& startFolder, const QString& nameFilter) = 0;
    // The desktop's own dialog for a file to write, starting at suggestedPath, with a choice of
    // Shift-JIS (CR LF), UTF-8 (LF) or hOCR; Shift-JIS is chosen at first.
    virtual SaveTarget chooseSaveTarget(const QString& suggestedPath) = 0;
    virtual ClipboardContent clipboardContent() = 0;
    virtual void copyText(const QString& text) = 0;
    // Freezes the screen (the window out of the way) and lets the user drag a rectangle over
    // it; Escape cancels. Returns when the user is done; the window keeps its events meanwhile.
    virtual ScreenRegion captureScreenRegion() = 0;
    // A short notice that goes away by itself; nothing waits for it.
    virtual void showNotice(const QString& text) = 0;

    // Scanners, through SANE. Each call returns once it has ended, the window handling its
    // events meanwhile; a platform without scanners finds none.
    virtual QList<scanner::Device> scanners(scanner::Error* error) {
        if (error)
            *error = {scanner::Problem::NoScanner, {}, {}};
        return {};
    }
    virtual scanner::Capabilities scannerCapabilities(const QString& device) {
        scanner::Capabilities none;
        none.device = device;
        none.error = {scanner::Problem::NoSuchDevice, device, {}};
        return none;
    }
    // One page scanned as asked and handed back, not kept: the flatbed's preview. Null with
    // the reason in error when it could not be.
    virtual QImage scannerPreview(const scanner::Request& request,
                                  const std::function<bool()>& stopRequested,
                                  scanner::Error* error) {
        Q_UNUSED(stopRequested);
        if (error)
            *error = {scanner::Problem::NoScanner, request.device, {}};
        return {};
    }
    // Scans as scanner::scanIntoFolder does; progress is told on the window's thread, and
    // stopRequested is asked from the scan's (between two pieces of a page).
    virtual scanner::FolderScan
    scanIntoFolder(const scanner::Request& request, const QString& folder,
                   const std::function<void(const scanner::Progress&)>& progress,
                   const std::function<bool()>& stopRequested) {
        Q_UNUSED(folder);
        Q_UNUSED(progress);
        Q_UNUSED(stopRequested);
        scanner::FolderScan none;
        none.error = {scanner::Problem::NoScanner, request.device, {}};
        return none;
    }
};

// What a button says when the desktop has no program to open its file with: what was to be
// opened, the kind of program missing, and the file or folder.
inline QString openerMissingMessage(const QString& what, const QString& program,
                                    const QString& path) {
    return QCoreApplication::translate("platform",
                                       "%1を開くプログラム（%2）が見つかりません。\n"
                                       "%2をインストールしてから、もう一度開いてください。\n%3")
        .arg(what, program, path);
}

} // namespace quillpix
