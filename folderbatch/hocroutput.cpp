#include "layoutoutput.h"

#include <QCoreApplication>

// hOCR (--hocr): scan.png.hocr beside each picture's result, book.hocr beside the book.
namespace quillpix::folderbatch {
namespace {

class HocrOutput final : public LayoutOutput {
public:
    QString option() const override { return QStringLiteral("--hocr"); }
    QString filesName() const override {
        return QCoreApplication::translate("batch", "hOCR files");
    }

protected:
    QString extension() const override { return QStringLiteral(".hocr"); }
    LayoutDocument document() const override { return &layoutxml::hocr; }
};

} // namespace

const OutputFormat& hocrOutput() {
    static const HocrOutput format;
    return format;
}

} // namespace quillpix::folderbatch
