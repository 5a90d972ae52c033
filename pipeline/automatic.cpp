#include "automatic.h"

#include "ink.h"
#include "orientation.h"

#include "pageonpicture.h"
#include "spreads.h"

#include <QCoreApplication>
#include <QPointF>
#include <QTransform>

#include <array>
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

// The turn QImage gives a picture of this size for quarterTurns clockwise quarters: the picture
// turned and moved back onto the positive axes.
QTransform quarterTurn(QSize size, int quarterTurns) {
    return QImage::trueMatrix(QTransform().rotate(90.0 * quarterTurns), size.width(),
                              size.height());
}

// The page as it would lie upright, with its resolution (the axes swap with a quarter turn).
QImage turnedUpright(const QImage& picture, int quarterTurns) {
    QImage upright = picture.transformed(QTransform().rotate(90.0 * quarterTurns));
    const bool across = quarterTurns % 2 == 1;
    upright.setDotsPerMeterX(across ? picture.dotsPerMeterY() : picture.dotsPerMeterX());
    upright.setDotsPerMeterY(across ? picture.dotsPerMeterX() : picture.dotsPerMeterY());
    return upright;
}

// The clockwise quarter turns that stand the page upright; 0 for a picture too small to tell
// (a cut-out of a line or a few characters) or when the engine's detection is unsure.
int quarterTurnsToUpright(const QImage& picture, const pagelayout::Ink* ink) {
    if (!(ink ? pagelayout::enoughTextToOrient(*ink) : pagelayout::enoughTextToOrient(picture)))
        return 0;
    return engine::turnsToMake(engine::findOrientation(picture)).value_or(0);
}

// A spread's two pages, each planned as a page of its own, in a reader's order: a vertical
// book is read from its right page; none when the page is no spread.
std::vector<PreparedPage> spreadPages(const QImage& page, const EngineSettings& chosen,
                                      pagelayout::RunningHeads heads, const pagelayout::Ink* ink) {
    const std::optional<pagelayout::SpreadHalves> halves =
        ink ? pagelayout::spreadHalves(page, *ink) : pagelayout::spreadHalves(page);
    if (!halves)
        return {};
    std::vector<PreparedPage> pages;
    const QRect left(0, 0, halves->fold, page.height());
    const QRect right(halves->fold, 0, page.width() - halves->fold, page.height());
    for (const auto& [picture, from] : {std::pair<QImage, QRect>(halves->left, left),
                                        std::pair<QImage, QRect>(halves->right, right)}) {
        PreparedPage prepared;
        prepared.plan = pagelayout::planReading(picture, pagelayout::Ruby::PaintedOver, heads);
        if (!prepared.plan.failure.isEmpty())
            return {};
        prepared.settings = settingsFor(prepared.plan.direction, chosen, prepared.plan.oneBlock);
        prepared.picture = prepared.plan.pictures.value(0, picture);
        prepared.from = from;
        pages.push_back(std::move(prepared));
    }
    if (pages.front().plan.direction == pagelayout::Direction::Vertical)
        std::swap(pages.front(), pages.back());
    return pages;
}

// What the steps of the automatic reading hand on: the page as it now lies, and its ink while
// nothing has changed its pixels since it was separated.
struct Preparing {
    pagelayout::RunningHeads heads;
    Spreads spreads;
    PreparedPicture prepared;
    QImage page;
    std::optional<pagelayout::SeparatedInk> ink;
    bool planned = false; // a step made the plan: the steps after it have nothing to do

    const pagelayout::Ink* inkOrNone() const { return ink ? &ink->ink : nullptr; }
};

// A page lying sideways or upside down is stood upright.
void standUpright(Preparing& p) {
    p.prepared.quarterTurns = quarterTurnsToUpright(p.page, p.inkOrNone());
    if (p.prepared.quarterTurns != 0) {
        p.page = turnedUpright(p.page, p.prepared.quarterTurns);
        p.ink.reset();
        p.prepared.notes << QCoreApplication::translate("pipeline", "向きを %1° 直しました")
                                .arg(90 * p.prepared.quarterTurns);
    }
    p.prepared.uprightSize = p.page.size();
}

// A photographed page is drawn flat, without the desk, before anything else looks at it.
void drawFlat(Preparing& p) {
    if (const std::optional<QPolygonF> corners = pagelayout::pageCorners(p.page)) {
        pagelayout::FlatPage flat = pagelayout::flattened(p.page, *corners);
        p.prepared.flattening = flat.flattening;
        p.page = std::move(flat.picture);
        p.ink.reset();
        p.prepared.notes << QCoreApplication::translate("pipeline",
                                                        "写真のページを長方形に直しました");
    }
    p.prepared.plannedSize = p.page.size();
}

// A spread read as two pages is planned page by page; the first page stands for the picture.
void planSpread(Preparing& p) {
    if (p.spreads != Spreads::TwoPages)
        return;
    p.prepared.pages = spreadPages(p.page, p.prepared.chosen, p.heads, p.inkOrNone());
    if (p.prepared.pages.empty())
        return;
    p.prepared.plan = p.prepared.pages.front().plan;
    p.prepared.settings = p.prepared.pages.front().settings;
    p.prepared.picture = p.prepared.pages.front().picture;
    p.planned = true;
}

void planPage(Preparing& p) {
    if (p.planned)
        return;
    pagelayout::ReadingPlan& plan = p.prepared.plan;
    plan = p.ink ? pagelayout::planReading(p.page, std::move(*p.ink), pagelayout::Ruby::PaintedOver,
                                           p.heads)
                 : pagelayout::planReading(p.page, pagelayout::Ruby::PaintedOver, p.heads);
    p.ink.reset();
    p.prepared.settings = settingsFor(plan.direction, p.prepared.chosen, plan.oneBlock);
    // One picture per plan; a spread read as two pages has a plan for each (spreadPages).
    p.prepared.picture = plan.pictures.value(0, p.page);
}

// Then what each step of the page's analysis found, in the order its steps ran, and why the
// settings are what they are.
void noteChoice(Preparing& p) {
    p.prepared.notes << p.prepared.plan.notes;
    p.prepared.choice = choiceExplained(p.prepared.plan, p.prepared.settings);
}

// The automatic reading, step by step: each step takes the page as the one before left it and
// notes what it did.
using Step = void (*)(Preparing&);
constexpr std::array<Step, 5> kSteps{standUpright, drawFlat, planSpread, planPage, noteChoice};

PreparedPicture prepareAutomatic(const QImage& picture, const EngineSettings& chosen,
                                 pagelayout::RunningHeads heads, Spreads spreads) {
    Preparing p{heads, spreads, {}, picture, {}};
    p.prepared.chosen = chosen;
    // The picture's ink, separated once for every look at these pixels: the orientation check,
    // the spread's fold and the plan, until a step changes them.
    p.ink = pagelayout::separatedInk(picture);
    for (const Step step : kSteps)
        step(p);
    return std::move(p.prepared);
}

} // namespace

QString automaticLanguage() {
    return QStringLiteral("自動");
}

bool isAutomatic(const EngineSettings& settings) {
    return settings.lang == automaticLanguage();
}

PreparedPicture prepare(const QImage& picture, const EngineSettings& chosen,
                        pagelayout::RunningHeads heads, Spreads spreads) {
    if (isAutomatic(chosen))
        return prepareAutomatic(picture, chosen, heads, spreads);
    PreparedPicture asItIs;
    asItIs.picture = picture;
    asItIs.uprightSize = picture.size();
    asItIs.plannedSize = picture.size();
    asItIs.settings = chosen;
    asItIs.chosen = chosen;
    return asItIs;
}

QString choiceExplained(const pagelayout::ReadingPlan& plan, const EngineSettings& settings) {
    if (plan.pictures.isEmpty() || !plan.failure.isEmpty())
        return {};
    const QString& psm = settings.psm;
    if (!plan.textFound)
        return QCoreApplication::translate(
                   "pipeline", "自動: 文字の並びが見つからないので、一つのブロックとは見なさず "
                               "--psm %1 で読みました")
            .arg(psm);
    if (plan.direction == pagelayout::Direction::Vertical)
        return QCoreApplication::translate(
            "pipeline", "自動: 縦書きなので、列を右から読む --psm 5 で読みました");
    if (psm == QLatin1String("6") && plan.oneBlock)
        return QCoreApplication::translate(
            "pipeline",
            "自動: 横書きで、文字が一つのブロックに並んでいるので、行を取り違えない --psm 6 "
            "で読みました");
    if (psm == QLatin1String("3"))
        return QCoreApplication::translate(
            "pipeline",
            "自動: 横書きで、罫線や枠、ほかのブロックがあるので、ページ全体を分ける --psm 3 "
            "で読みました");
    return QCoreApplication::translate("pipeline",
                                       "自動: 横書きなので、選んだ --psm %1 で読みました")
        .arg(psm);
}

QString automaticChoiceExplained(const PreparedPicture& prepared) {
    if (prepared.choice.isEmpty())
        return {};
    if (prepared.notes.isEmpty())
        return QCoreApplication::translate("pipeline", "%1。").arg(prepared.choice);
    return QCoreApplication::translate("pipeline", "%1。%2。")
        .arg(prepared.choice, prepared.notes.join(QCoreApplication::translate("pipeline", "、")));
}

std::vector<EngineRead> engineReads(const PreparedPicture& prepared) {
    std::vector<EngineRead> reads;
    const auto add = [&reads, &prepared](const QImage& whole, const EngineSettings& settings,
                                         const pagelayout::ReadingPlan& plan, int page) {
        if (plan.regions.empty()) {
            reads.push_back({whole, settings, page, -1});
            return;
        }
        for (size_t k = 0; k < plan.regions.size(); ++k) {
            const pagelayout::RegionPart& region = plan.regions[k];
            reads.push_back({region.picture,
                             settingsFor(region.direction, prepared.chosen, region.oneBlock), page,
                             int(k)});
        }
    };
    if (prepared.pages.empty()) {
        add(prepared.picture, prepared.settings, prepared.plan, -1);
        return reads;
    }
    for (size_t k = 0; k < prepared.pages.size(); ++k)
        add(prepared.pages[k].picture, prepared.pages[k].settings, prepared.pages[k].plan, int(k));
    return reads;
}

Reading joinedReads(const std::vector<EngineRead>& reads, const QList<Reading>& readings) {
    QList<Reading> pages, regions;
    for (qsizetype k = 0; k < readings.size(); ++k) {
        regions << readings[k];
        const bool pageEnds = size_t(k + 1) >= reads.size() || k + 1 >= readings.size() ||
                              reads[size_t(k + 1)].page != reads[size_t(k)].page;
        if (pageEnds) {
            pages << joinedRegions(regions);
            regions.clear();
        }
    }
    return pages.size() == 1 ? pages.front() : joinedPages(pages);
}

QList<enginelayout::Line> linesOnPicture(QList<enginelayout::Line> lines,
                                         const PreparedPicture& prepared, int page, int region) {
    const bool ofPage = page >= 0 && size_t(page) < prepared.pages.size();
    const pagelayout::ReadingPlan& plan =
        ofPage ? prepared.pages[size_t(page)].plan : prepared.plan;
    if (region >= 0 && size_t(region) < plan.regions.size()) {
        // A region enlarged for the engine is brought back to the page's scale, then moved.
        const pagelayout::RegionPart& part = plan.regions[size_t(region)];
        const QTransform back = QTransform::fromScale(1 / part.enlarged, 1 / part.enlarged) *
                                QTransform::fromTranslate(part.at.x(), part.at.y());
        lines = enginelayout::withBoxesMoved(std::move(lines), [&back](const QRect& box) {
            return back.mapRect(QRectF(box)).toAlignedRect();
        });
    }
    const QPoint pageAt = ofPage ? prepared.pages[size_t(page)].from.topLeft() : QPoint();
    if (plan.skewDegrees == 0 && pageAt.isNull() && prepared.quarterTurns == 0 &&
        prepared.flattening.isIdentity())
        return lines;
    // The picture was turned clockwise on the screen (y down) about its centre, keeping its
    // size; turning back is the other way about the same centre. A page of a spread was turned
    // about its own centre, then lies where it was cut from.
    const QSize planned =
        ofPage ? prepared.pages[size_t(page)].from.size()
               : (prepared.plannedSize.isEmpty() ? prepared.uprightSize : prepared.plannedSize);
    const QPointF centre = QRectF(QPointF(), QSizeF(planned)).center();
    QTransform turnBack;
    turnBack.translate(centre.x(), centre.y());
    turnBack.rotate(-plan.skewDegrees);
    turnBack.translate(-centre.x(), -centre.y());
    const QTransform back = turnBack * QTransform::fromTranslate(pageAt.x(), pageAt.y());
    // Before that, a page lying sideways or upside down was stood upright by whole quarters.
    const QSize asItCame =
        prepared.quarterTurns % 2 == 1 ? prepared.uprightSize.transposed() : prepared.uprightSize;
    const QTransform quarterBack = quarterTurn(asItCame, prepared.quarterTurns).inverted();
    // Between the two, a photographed page drawn flat goes back onto the photograph.
    const QTransform toPicture = back * prepared.flattening.inverted() * quarterBack;
    return enginelayout::withBoxesMoved(std::move(lines), [&toPicture](const QRect& box) {
        return toPicture.mapRect(QRectF(box)).toAlignedRect();
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
