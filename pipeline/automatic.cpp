#include "automatic.h"

#include <QPointF>
#include <QTransform>

#include <optional>

namespace quillpix::pipeline {
namespace {

// The PSM item's number; none when the item holds no number (an empty list), so the direction's
// own mode is used.
std::optional<int> chosenMode(const QString& psm) {
    bool number = false;
    const int mode = psm.trimmed().toInt(&number);
    return number ? std::optional<int>(mode) : std::nullopt;
}

EngineSettings concrete(const pagelayout::EngineSettings& found, const EngineSettings& chosen) {
    return {found.language, QString::number(found.psm), chosen.option};
}

PreparedPicture prepareAutomatic(const QImage& picture, const EngineSettings& chosen) {
    PreparedPicture prepared;
    prepared.plan = pagelayout::planReading(picture, chosenMode(chosen.psm));
    prepared.settings = concrete(prepared.plan.settings, chosen);
    // One picture per plan today; a plan of several would be read one after the other.
    prepared.picture = prepared.plan.pictures.value(0, picture);
    return prepared;
}

} // namespace

QString automaticLanguage() {
    return QStringLiteral("自動");
}

bool isAutomatic(const EngineSettings& settings) {
    return settings.lang == automaticLanguage();
}

PreparedPicture prepare(const QImage& picture, const EngineSettings& chosen) {
    if (isAutomatic(chosen))
        return prepareAutomatic(picture, chosen);
    PreparedPicture asItIs;
    asItIs.picture = picture;
    asItIs.settings = chosen;
    return asItIs;
}

QList<enginelayout::Line> linesOnPicture(QList<enginelayout::Line> lines,
                                         const PreparedPicture& prepared) {
    if (prepared.plan.skewDegrees == 0)
        return lines;
    // The picture was turned clockwise on the screen (y down) about its centre, keeping its
    // size; turning back is the other way about the same centre.
    const QPointF centre = QRectF(QPointF(), QSizeF(prepared.picture.size())).center();
    QTransform back;
    back.translate(centre.x(), centre.y());
    back.rotate(-prepared.plan.skewDegrees);
    back.translate(-centre.x(), -centre.y());
    const auto turnedBack = [&back](const QRect& box) {
        return back.mapRect(QRectF(box)).toAlignedRect();
    };
    for (enginelayout::Line& line : lines) {
        line.box = turnedBack(line.box);
        for (enginelayout::Symbol& symbol : line.symbols)
            symbol.box = turnedBack(symbol.box);
    }
    return lines;
}

QList<EngineSettings> possibleSettings(const EngineSettings& chosen) {
    if (!isAutomatic(chosen))
        return {chosen};
    const std::optional<int> mode = chosenMode(chosen.psm);
    return {concrete(pagelayout::engineSettings(pagelayout::Direction::Horizontal, mode), chosen),
            concrete(pagelayout::engineSettings(pagelayout::Direction::Vertical, mode), chosen)};
}

} // namespace quillpix::pipeline
