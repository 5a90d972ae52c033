#pragma once

#include "layoutxml.h"
#include "outputformat.h"

#include <QByteArray>
#include <QString>

// What hOCR and ALTO have in common: a file beside each page's result and one for the book, each
// a document of pages with their characters placed where they lie and marked as the window
// marks them.
namespace quillpix::folderbatch {

using LayoutDocument = QByteArray (*)(const QList<layoutxml::PageText>&);

class LayoutOutput : public OutputFormat {
public:
    bool needsLines() const override { return true; }
    OutputPlan outputsFor(const QString& folder, const QList<PictureItem>& items,
                          const QString& bookPath, bool force) const override;
    std::unique_ptr<PageSink> open(const QString& folder, const Output& output,
                                   textfiles::TextEncoding encoding) const override;

protected:
    // The file's extension after the picture's name: ".hocr".
    virtual QString extension() const = 0;
    virtual LayoutDocument document() const = 0;
};

} // namespace quillpix::folderbatch
