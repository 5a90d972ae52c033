// The option list loader on arbitrary file bytes: the list always loads (invalid code page
// 932 becomes substitutes), holds one item per line, and no item holds a CR.
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
    const QString whole = textfiles::readTextFile(path);
    // Every item came back as one line of the whole-file reader.
    if (list.count() != textfiles::splitLines(whole).size())
        std::abort();
    for (int i = 0; i < list.count(); ++i)
        if (list.item(i)->text().contains(QLatin1Char('\r')))
            std::abort();
    return 0;
}
