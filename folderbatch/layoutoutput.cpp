#include "layoutoutput.h"

#include "doubt.h"
#include "textfiles.h"

namespace quillpix::folderbatch {
namespace {

class LayoutPages final : public PageSink {
public:
    LayoutPages(QString target, LayoutDocument document)
        : m_target(std::move(target)), m_document(document) {}
    void add(const PictureItem& item, const QString& text,
             const enginelayout::KeptLines* lines) override {
        layoutxml::PageText page;
        page.picture = item.file;
        page.size = lines->picture;
        page.lines = lines->lines;
        page.characters = textplacing::placeCharacters(page.lines, text);
        textplacing::markDoubtful(page.characters);
        m_pages << std::move(page);
    }
    void finish() override {
        textfiles::writeBytes(m_document(m_pages), m_target, textfiles::Durability::Synced);
    }

private:
    QString m_target;
    LayoutDocument m_document;
    QList<layoutxml::PageText> m_pages;
};

} // namespace

OutputPlan LayoutOutput::outputsFor(const QString& folder, const QList<PictureItem>& items,
                                    const QString& bookPath, bool) const {
    OutputPlan plan;
    for (const PictureItem& item : items) {
        const QString target = besideResult(folder, item, extension());
        plan.outputs << Output{
            this, OutputScope::Picture, target, relativeName(folder, target), {item}};
    }
    if (!bookPath.isEmpty()) {
        const QString target = besideBook(bookPath, extension());
        plan.outputs << Output{this, OutputScope::Book, target, relativeName(folder, target),
                               items};
    }
    return plan;
}

std::unique_ptr<PageSink> LayoutOutput::open(const QString&, const Output& output,
                                             textfiles::TextEncoding) const {
    return std::make_unique<LayoutPages>(output.target, document());
}

} // namespace quillpix::folderbatch
