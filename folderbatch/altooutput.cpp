#include "layoutoutput.h"

#include <QCoreApplication>

// ALTO (--alto): scan.png.alto.xml beside each picture's result, book.alto.xml beside the book.
namespace quillpix::folderbatch {
namespace {

class AltoOutput final : public LayoutOutput {
public:
    QString option() const override { return QStringLiteral("--alto"); }
    QString filesName() const override {
        return QCoreApplication::translate("batch", "ALTO files");
    }

protected:
    QString extension() const override { return QStringLiteral(".alto.xml"); }
    LayoutDocument document() const override { return &layoutxml::alto; }
};

} // namespace

const OutputFormat& altoOutput() {
    static const AltoOutput format;
    return format;
}

} // namespace quillpix::folderbatch
