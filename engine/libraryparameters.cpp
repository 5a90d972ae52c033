#include "libraryparameters.h"

#include <QSet>
#include <QStringList>

#include <cstdio>
#include <cstdlib>
#include <optional>

#include <dlfcn.h>

namespace quillpix::engine {
namespace {

// The library prints its process-wide settings alone when it is given no engine's own
// settings to print after them: "name<TAB>value" per line. Its headers for this are not
// installed, so the exported function is looked up by its name.
std::optional<QSet<QString>> listProcessWide() {
    using Print = void (*)(FILE*, const void*);
    const auto print = reinterpret_cast<Print>(::dlsym(
        RTLD_DEFAULT, "_ZN9tesseract10ParamUtils11PrintParamsEP8_IO_FILEPKNS_13ParamsVectorsE"));
    if (print == nullptr)
        return std::nullopt;
    char* buffer = nullptr;
    size_t size = 0;
    FILE* stream = ::open_memstream(&buffer, &size);
    if (stream == nullptr)
        return std::nullopt;
    print(stream, nullptr);
    std::fclose(stream);
    const QString text = QString::fromLocal8Bit(buffer, qsizetype(size));
    std::free(buffer);
    QSet<QString> names;
    for (const QString& line : text.split(QLatin1Char('\n')))
        if (const qsizetype tab = line.indexOf(QLatin1Char('\t')); tab > 0)
            names.insert(line.left(tab));
    // A library that printed nothing has not told us anything.
    if (names.isEmpty())
        return std::nullopt;
    return names;
}

} // namespace

bool processWideVariable(const QString& name) {
    // The list is fixed when the library loads; reading it takes a few milliseconds.
    static const std::optional<QSet<QString>> names = listProcessWide();
    return !names || names->contains(name);
}

} // namespace quillpix::engine
