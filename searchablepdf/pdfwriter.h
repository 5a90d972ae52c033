#pragma once

#include "page.h"
#include "textfiles.h"
#include "textlayer.h"

#include <QList>
#include <QString>

#include <memory>

// Writing a searchable PDF: each page is its picture at the picture's own resolution (a JPEG
// file's bytes as they are, any other picture compressed without loss) under an invisible
// text layer that holds the page's saved text, placed on the characters the engine read.
namespace quillpix::searchablepdf {

// One PDF written page by page, so that only one page's picture is held at a time. The file
// grows under a temporary name and takes its place at finish(); a failure, or the writer going
// without finish(), leaves whatever was at the path before. Every failure throws a Failure
// (failure/failure.h) naming the file.
class Writer {
public:
    explicit Writer(const QString& path,
                    textfiles::Durability durability = textfiles::Durability::Synced);
    ~Writer();
    Writer(const Writer&) = delete;
    Writer& operator=(const Writer&) = delete;

    void addPage(const Page& page);
    // Refuses a document without pages.
    void finish();

private:
    struct State;
    std::unique_ptr<State> m_state;
};

// All pages at once.
void writeSearchablePdf(const QList<Page>& pages, const QString& path,
                        textfiles::Durability durability = textfiles::Durability::Synced);

} // namespace quillpix::searchablepdf
