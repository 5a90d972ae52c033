#pragma once

#include "frmmain.h"
#include "recordingplatform.h"
#include "resulttexthandler.h"
#include "selectionhandler.h"
#include "tempworkspace.h"

#include <QImage>
#include <QStringList>
#include <QTemporaryDir>

#include <memory>

namespace quillpix::testing {

// A `tesseract` placed first on PATH. It records its arguments and a copy of the picture it
// was given, then answers as its mode file says: "" writes the prepared output to <base>.txt,
// "nothing" exits with an error and writes nothing, "crash" dies of a signal, "wait" holds on
// until release() before it writes, "partial" writes the output and then exits with 3, "empty"
// writes an empty result and exits with 1.
class FakeEngine {
public:
    FakeEngine();
    QString folder() const { return m_dir.path(); }
    void setOutput(const QByteArray& utf8) const;
    void setMode(const QString& mode) const;
    void release() const;
    // Arguments of the last start, one per entry; empty when it never ran.
    QStringList arguments() const;
    QByteArray inputPicture() const;
    bool ran() const;

private:
    QTemporaryDir m_dir;
};

struct Lists {
    QStringList psm{QStringLiteral("自動:3"), QStringLiteral("単一ブロック:6")};
    QStringList lang{QStringLiteral("jpn"), QStringLiteral("eng")};
    QStringList option{QString(), QStringLiteral("pause")};
};

// The window on a temporary workspace with a picture chosen and, after select(), a selection.
// With a subfolder the workspace lies in root/<subfolder>, so the program folder can hold
// spaces and characters the shell treats specially.
class Session {
public:
    explicit Session(const Lists& lists = {}, const QString& subfolder = {},
                     const QImage& picture = {});
    ~Session();

    QString programFolder() const { return m_program; }
    QString parentFolder() const;
    QString workFile(const QString& name) const { return m_program + QLatin1Char('/') + name; }
    Controls& c() { return m_window->controls(); }
    SelectionState& state() { return m_window->selection().state(); }
    FrmMain& window() { return *m_window; }

    // Display corners at 100 % zoom, as a finished drag leaves them.
    void select(int x1, int y1, int x2, int y2);
    void chooseItems(int psm, int lang, int option);
    // Shows the window and makes it active, for focus checks.
    bool showActive();
    bool waitCursor() const;

    TempWorkspace workspace;
    RecordingPlatform platform;
    QImage picture;

private:
    QString m_program;
    std::unique_ptr<FrmMain> m_window;
};

QImage textPicture(const QString& text, int pixelSize, const QSize& size);

} // namespace quillpix::testing
