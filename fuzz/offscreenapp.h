#pragma once

#include <QApplication>
#include <QTemporaryDir>

// The targets that need widgets share one offscreen application and a scratch folder.
namespace quillpix::fuzzing {

inline QTemporaryDir* startOffscreenApp(int* argc, char*** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    new QApplication(*argc, *argv);
    return new QTemporaryDir;
}

} // namespace quillpix::fuzzing
