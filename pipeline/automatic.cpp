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

constexpr int kVerticalBlock = 5;
constexpr int kSingleBlock = 6;
constexpr int kAutomatic = 3;

PreparedPicture prepareAutomatic(const QImage& picture, const EngineSettings& chosen) {
    PreparedPicture prepared;
    prepared.pageSize = picture.size();
    prepared.plan = pagelayout::planReading(picture);
    prepared.settings = settingsFor(prepared.plan.direction, chosen, prepared.plan.oneBlock);
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
    asItIs.pageSize = picture.size();
    asItIs.settings = chosen;
    return asItIs;
}

QList<enginelayout::Line> linesOnPicture(QList<enginelayout::Line> lines,
                                         const PreparedPicture& prepared) {
    const pagelayout::ReadingPlan& plan = prepared.plan;
    if (!plan.placements.empty())
        lines = enginelayout::withBoxesMoved(std::move(lines), [&plan](const QRect& box) {
            for (const pagelayout::Placement& p : plan.placements)
                if (QRect(p.to, p.from.size()).contains(box.center()))
                    return box.translated(p.from.topLeft() - p.to);
            return box;
        });
    if (plan.skewDegrees == 0)
        return lines;
    // The picture was turned clockwise on the screen (y down) about its centre, keeping its
    // size; turning back is the other way about the same centre.
    const QPointF centre = QRectF(QPointF(), QSizeF(prepared.pageSize)).center();
    QTransform back;
    back.translate(centre.x(), centre.y());
    back.rotate(-plan.skewDegrees);
    back.translate(-centre.x(), -centre.y());
    return enginelayout::withBoxesMoved(std::move(lines), [&back](const QRect& box) {
        return back.mapRect(QRectF(box)).toAlignedRect();
    });
}

EngineSettings settingsFor(pagelayout::Direction direction, const EngineSettings& chosen,
                           bool oneBlock) {
    if (direction == pagelayout::Direction::Vertical)
        return {QStringLiteral("jpn_vert"), QString::number(kVerticalBlock), chosen.option};
    int psm = chosenMode(chosen.psm).value_or(kAutomatic);
    if (psm == kVerticalBlock || (psm == kAutomatic && oneBlock))
        psm = kSingleBlock;
    return {QStringLiteral("jpn"), QString::number(psm), chosen.option};
}

QList<EngineSettings> possibleSettings(const EngineSettings& chosen) {
    if (!isAutomatic(chosen))
        return {chosen};
    return {settingsFor(pagelayout::Direction::Horizontal, chosen),
            settingsFor(pagelayout::Direction::Vertical, chosen)};
}

} // namespace quillpix::pipeline
