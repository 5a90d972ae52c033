#include "scanner.h"

#include <QStringList>

#include <algorithm>
#include <cstdlib>

// What the devices' own words for their modes and sources mean, and the choices fitted to a
// device: no SANE call here.
namespace quillpix::scanner {

std::optional<Mode> modeOfName(const QString& name) {
    const QString n = name.toLower();
    if (n.contains(QLatin1String("halftone")) || n.contains(QLatin1String("dither")))
        return std::nullopt;
    if (n.contains(QLatin1String("lineart")) || n.contains(QLatin1String("line art")) ||
        n.contains(QLatin1String("binary")) || n.contains(QLatin1String("black & white")) ||
        n.contains(QLatin1String("black and white")) || n == u"monochrome" || n == u"bw")
        return n.contains(QLatin1String("color")) ? std::nullopt : std::optional(Mode::Lineart);
    if (n.contains(QLatin1String("gray")) || n.contains(QLatin1String("grey")))
        return Mode::Grey;
    if (n.contains(QLatin1String("color")) || n.contains(QLatin1String("colour")))
        return Mode::Colour;
    return std::nullopt;
}

std::optional<Source> sourceOfName(const QString& name) {
    const QString n = name.toLower();
    if (n.contains(QLatin1String("adf")) || n.contains(QLatin1String("feeder")) ||
        n.contains(QLatin1String("automatic document")) || n.contains(QLatin1String("duplex")))
        return Source::Feeder;
    if (n.contains(QLatin1String("flatbed")) || n.contains(QLatin1String("platen")) ||
        n == u"normal" || n.contains(QLatin1String("document table")))
        return Source::Flatbed;
    return std::nullopt;
}

int resolutionWithin(int wanted, const Capabilities& c) {
    if (!c.resolutions.isEmpty()) {
        int best = c.resolutions.first();
        for (int r : c.resolutions)
            if (std::abs(r - wanted) < std::abs(best - wanted))
                best = r;
        return best;
    }
    if (c.maxResolution <= 0)
        return wanted;
    return std::clamp(wanted, c.minResolution, c.maxResolution);
}

QString shownName(const Device& device) {
    const QString label = QStringList{device.vendor, device.model}.join(u' ').trimmed();
    return label.isEmpty() ? device.name : QStringLiteral("%1 (%2)").arg(label, device.name);
}

} // namespace quillpix::scanner
