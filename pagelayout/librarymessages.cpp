#include "librarymessages.h"

#include <leptonica/allheaders.h>

namespace quillpix::pagelayout {
namespace {

// One failure cascades into the calls after it; the first few lines say what went wrong.
constexpr qsizetype kKeptErrors = 3;

// The library's handler is a plain function, so the collector it reaches is the thread's own.
thread_local LibraryMessages* t_collector = nullptr;

void toCollector(const char* message) {
    if (t_collector && message)
        t_collector->take(message);
}

} // namespace

void routeLibraryMessages() {
    leptSetStderrHandler(toCollector);
}

LibraryMessages::LibraryMessages() : m_outer(t_collector) {
    t_collector = this;
}

LibraryMessages::~LibraryMessages() {
    t_collector = m_outer;
}

void LibraryMessages::take(const char* message) {
    const QString line = QString::fromLocal8Bit(message).simplified();
    if (line.startsWith(QLatin1String("Error in ")) && m_errors.size() < kKeptErrors)
        m_errors << line;
}

} // namespace quillpix::pagelayout
