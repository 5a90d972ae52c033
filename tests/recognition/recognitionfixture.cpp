#include "recognitionfixture.h"

#include "textpicture.h"

#include "cp932.h"
#include "filelistbox.h"
#include "picturebox.h"
#include "widgets.h"

#include <QDir>
#include <QFile>
#include <QFont>
#include <QListWidget>
#include <QPainter>
#include <QPushButton>
#include <QTest>

namespace quillpix::testing {
namespace {

const char kEngineScript[] = R"(#!/bin/sh
here=$(dirname "$0")
: > "$here/ran"
printf '%s\n' "$@" > "$here/args.txt"
cp "$1" "$here/input.bmp" 2>/dev/null
mode=$(cat "$here/mode" 2>/dev/null)
case "$mode" in
nothing) exit 1 ;;
crash) kill -SEGV $$ ;;
partial) cp "$here/output" "$2.txt"; echo 'Error during processing.' >&2; exit 3 ;;
empty) : > "$2.txt"; exit 1 ;;
wait) while [ ! -e "$here/go" ]; do sleep 0.01; done ;;
esac
cp "$here/output" "$2.txt"
)";

QByteArray readAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeAll(const QString& path, const QByteArray& bytes) {
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        file.write(bytes);
}

QByteArray listBytes(const QStringList& items) {
    QString text;
    for (const QString& item : items)
        text += item + QStringLiteral("\r\n");
    return cp932::encode(text);
}

} // namespace

FakeEngine::FakeEngine() {
    const QString script = m_dir.filePath(QStringLiteral("tesseract"));
    writeAll(script, kEngineScript);
    QFile::setPermissions(script,
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    setOutput(QByteArray());
}

void FakeEngine::setOutput(const QByteArray& utf8) const {
    writeAll(m_dir.filePath(QStringLiteral("output")), utf8);
}

void FakeEngine::setMode(const QString& mode) const {
    writeAll(m_dir.filePath(QStringLiteral("mode")), mode.toUtf8());
}

void FakeEngine::release() const {
    writeAll(m_dir.filePath(QStringLiteral("go")), QByteArray());
}

QStringList FakeEngine::arguments() const {
    QString text = QString::fromUtf8(readAll(m_dir.filePath(QStringLiteral("args.txt"))));
    if (text.endsWith(QLatin1Char('\n')))
        text.chop(1);
    return text.isEmpty() ? QStringList() : text.split(QLatin1Char('\n'));
}

QByteArray FakeEngine::inputPicture() const {
    return readAll(m_dir.filePath(QStringLiteral("input.bmp")));
}

bool FakeEngine::ran() const {
    return QFile::exists(m_dir.filePath(QStringLiteral("ran")));
}

Session::Session(const Lists& lists, const QString& subfolder, const QImage& picture_)
    : picture(picture_.isNull() ? coordinatePicture(320, 200) : picture_) {
    const QString parent =
        subfolder.isEmpty() ? workspace.root() : workspace.root() + QLatin1Char('/') + subfolder;
    m_program = parent + QStringLiteral("/bin");
    writeAll(m_program + QStringLiteral("/listPSMode.txt"), listBytes(lists.psm));
    writeAll(m_program + QStringLiteral("/listLang.txt"), listBytes(lists.lang));
    writeAll(m_program + QStringLiteral("/listOption.txt"), listBytes(lists.option));
    // The sounds only need to exist: the recording platform does not play them.
    writeAll(parent + QStringLiteral("/wav/start.wav"), "RIFF");
    writeAll(parent + QStringLiteral("/wav/notify.wav"), "RIFF");
    QDir().mkpath(parent + QStringLiteral("/bmp_gif_sample"));
    picture.save(parent + QStringLiteral("/bmp_gif_sample/page.bmp"));

    m_window = std::make_unique<FrmMain>(platform, m_program);
    platform.messages.clear();
    Controls& ctl = c();
    ctl.lstZoom->setCurrentRow(0);
    for (int i = 0; i < ctl.File1->count(); ++i)
        if (ctl.File1->item(i)->text() == QStringLiteral("page.bmp"))
            ctl.File1->setCurrentRow(i);
    // Until the file choice loads it, the picture goes straight into the full-size box.
    if (!ctl.picBmp->hasPicture())
        ctl.picBmp->setPicture(picture);
}

Session::~Session() = default;

QString Session::parentFolder() const {
    return QFileInfo(m_program).path();
}

void Session::select(int x1, int y1, int x2, int y2) {
    SelectionState& s = state();
    s.x1 = x1;
    s.y1 = y1;
    s.x2 = x2;
    s.y2 = y2;
    s.frameScrollH = c().HScroll1->value();
    s.frameScrollV = c().VScroll1->value();
    c().cmdRecognize->setEnabled(true);
}

void Session::chooseItems(int psm, int lang, int option) {
    c().lstPSegMode->setCurrentRow(psm);
    c().lstLang->setCurrentRow(lang);
    c().lstOption->setCurrentRow(option);
}

bool Session::showActive() {
    m_window->show();
    m_window->activateWindow();
    return QTest::qWaitForWindowActive(m_window.get());
}

bool Session::waitCursor() const {
    return m_window->testAttribute(Qt::WA_SetCursor) &&
           m_window->cursor().shape() == Qt::WaitCursor;
}

QImage textPicture(const QString& text, int pixelSize, const QSize& size) {
    return workspace::textPicture({text}, size, pixelSize);
}

} // namespace quillpix::testing
