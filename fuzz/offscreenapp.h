#pragma once

#include <QApplication>
#include <QFile>
#include <QTemporaryDir>

#include <cstdint>
#include <cstdlib>

// The targets that need widgets share one offscreen application and a scratch folder.
namespace quillpix::fuzzing {

inline QTemporaryDir* startOffscreenApp(int* argc, char*** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    new QApplication(*argc, *argv);
    return new QTemporaryDir;
}

// Writes the fuzzer's input to path, as a user's file would hold it.
inline void writeInput(const QString& path, const uint8_t* data, size_t size) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        std::abort();
    file.write(reinterpret_cast<const char*>(data), qint64(size));
}

} // namespace quillpix::fuzzing
