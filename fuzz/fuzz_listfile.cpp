// The option list loader on arbitrary file bytes: the list always loads (invalid code page
// 932 becomes substitutes), holds one item per line, and no item holds a CR or an LF.
#include "listfiles.h"
#include "textfiles.h"

#include "offscreenapp.h"

#include <QListWidget>
#include <QTemporaryDir>

#include <cstdlib>

namespace {
QTemporaryDir* dir = nullptr;
} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    dir = quillpix::fuzzing::startOffscreenApp(argc, argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace quillpix;
    const QString path = dir->filePath(QStringLiteral("listLang.txt"));
    fuzzing::writeInput(path, data, size);
    QListWidget list;
    loadListFile(path, &list);
    // Every line end of the file ended one item: as many items as CR LF, lone CR and lone LF
    // ends, and one more for an unterminated last line.
    const QString whole = textfiles::readCp932(path);
    const qsizetype lines = whole.count(QLatin1Char('\r')) + whole.count(QLatin1Char('\n')) -
                            whole.count(QStringLiteral("\r\n"));
    const bool open = !whole.isEmpty() && !whole.endsWith(QLatin1Char('\r')) &&
                      !whole.endsWith(QLatin1Char('\n'));
    if (list.count() != lines + (open ? 1 : 0))
        std::abort();
    for (int i = 0; i < list.count(); ++i)
        if (list.item(i)->text().contains(QLatin1Char('\r')) ||
            list.item(i)->text().contains(QLatin1Char('\n')))
            std::abort();
    return 0;
}
