#include "automatic.h"

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

} // namespace

QString automaticLanguage() {
    return QStringLiteral("自動");
}

bool isAutomatic(const EngineSettings& settings) {
    return settings.lang == automaticLanguage();
}

PreparedPicture prepareAutomatic(const QImage& picture, const EngineSettings& chosen) {
    PreparedPicture prepared;
    prepared.plan = pagelayout::planReading(picture, chosenMode(chosen.psm));
    prepared.settings = concrete(prepared.plan.settings, chosen);
    // One picture per plan today; a plan of several would be read one after the other.
    prepared.picture = prepared.plan.pictures.value(0, picture);
    return prepared;
}

QList<EngineSettings> possibleSettings(const EngineSettings& chosen) {
    if (!isAutomatic(chosen))
        return {chosen};
    const std::optional<int> mode = chosenMode(chosen.psm);
    return {concrete(pagelayout::engineSettings(pagelayout::Direction::Horizontal, mode), chosen),
            concrete(pagelayout::engineSettings(pagelayout::Direction::Vertical, mode), chosen)};
}

} // namespace quillpix::pipeline
