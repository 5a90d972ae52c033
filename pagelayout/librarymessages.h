#pragma once

#include <QStringList>

// Leptonica prints its complaints ("Warning in pixFindSkewSweepAndSearchScorePivot: max found at
// sweep edge", "Error in pixCreateHeader: ...") to standard error, where they break into the
// folder batch's progress lines. Routed here, they reach the collector open on the thread whose
// call caused them, and go nowhere when none is open there.
namespace quillpix::pagelayout {

// Hands the library's messages to the thread's collector. The library keeps one handler for the
// whole process: call this once at start-up, before any thread uses the library.
void routeLibraryMessages();

// Collects the library's errors on this thread while it lives; the analysis expects warnings
// (a search that finds its best at the edge of its range), so they are dropped. An inner
// collector takes the messages until it closes.
class LibraryMessages {
public:
    LibraryMessages();
    ~LibraryMessages();
    LibraryMessages(const LibraryMessages&) = delete;
    LibraryMessages& operator=(const LibraryMessages&) = delete;

    // The first few errors said so far, one line each, as the library words them.
    const QStringList& errors() const { return m_errors; }

    void take(const char* message);

private:
    LibraryMessages* m_outer;
    QStringList m_errors;
};

} // namespace quillpix::pagelayout
