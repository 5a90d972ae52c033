#include "boxplaces.h"

#include <QCryptographicHash>

#include <algorithm>
#include <climits>

namespace quillpix::textplacing {
namespace {

const QByteArray kHeader = "quillpix places 1";

bool isCrLfEnd(const QString& stored, qsizetype i) {
    return i > 0 && stored[i] == u'\n' && stored[i - 1] == u'\r';
}

QByteArray fingerprint(const QString& stored) {
    return QCryptographicHash::hash(stored.toUtf8(), QCryptographicHash::Sha1).toHex();
}

} // namespace

qsizetype boxPosition(const QString& stored, qsizetype index) {
    qsizetype position = index;
    for (qsizetype i = 1; i < std::min(index, stored.size()); ++i)
        if (isCrLfEnd(stored, i))
            --position;
    return position;
}

void BoxPlaces::addReading(const QString& stored, qsizetype from,
                           const QList<PlacedCharacter>& characters,
                           const QList<enginelayout::Line>& lines) {
    // One walk over the text: the characters come in its order.
    qsizetype index = 0;
    qsizetype position = 0;
    const qsizetype start = m_places.size();
    for (const PlacedCharacter& character : characters) {
        const qsizetype target = from + character.at;
        for (; index < target && index < stored.size(); ++index)
            if (!isCrLfEnd(stored, index))
                ++position;
        Place place;
        place.at = position;
        place.box = character.box;
        place.confidence = character.confidence;
        place.vertical = character.line >= 0 && character.line < lines.size() &&
                         lines[character.line].direction == enginelayout::Direction::Vertical;
        place.doubtful = character.doubtful;
        m_places << place;
    }
    // A reading goes at the end, yet the user may have typed before it came back: keep order.
    if (start > 0 && start < m_places.size() && m_places[start - 1].at >= m_places[start].at)
        std::stable_sort(m_places.begin(), m_places.end(),
                         [](const Place& a, const Place& b) { return a.at < b.at; });
}

void BoxPlaces::edited(qsizetype position, qsizetype removed, qsizetype added) {
    const qsizetype end = position + removed;
    m_places.removeIf([&](const Place& p) { return p.at >= position && p.at < end; });
    for (Place& place : m_places)
        if (place.at >= end)
            place.at += added - removed;
}

void BoxPlaces::put(const Place& place) {
    const auto it = std::lower_bound(m_places.begin(), m_places.end(), place.at,
                                     [](const Place& p, qsizetype at) { return p.at < at; });
    if (it != m_places.end() && it->at == place.at)
        *it = place;
    else
        m_places.insert(it, place);
}

int BoxPlaces::marks() const {
    return int(
        std::count_if(m_places.begin(), m_places.end(), [](const Place& p) { return p.doubtful; }));
}

const Place* BoxPlaces::placeAt(qsizetype position) const {
    const auto it = std::lower_bound(m_places.begin(), m_places.end(), position,
                                     [](const Place& p, qsizetype at) { return p.at < at; });
    return it != m_places.end() && it->at == position ? &*it : nullptr;
}

qsizetype BoxPlaces::nextMark(qsizetype position) const {
    qsizetype first = -1;
    for (const Place& place : m_places) {
        if (!place.doubtful)
            continue;
        if (place.at > position)
            return place.at;
        if (first < 0)
            first = place.at;
    }
    return first;
}

qsizetype BoxPlaces::previousMark(qsizetype position) const {
    qsizetype last = -1;
    for (auto it = m_places.rbegin(); it != m_places.rend(); ++it) {
        if (!it->doubtful)
            continue;
        if (it->at < position)
            return it->at;
        if (last < 0)
            last = it->at;
    }
    return last;
}

bool BoxPlaces::accept(qsizetype position) {
    const Place* place = placeAt(position);
    if (!place || !place->doubtful)
        return false;
    // Through the list's own access, so that a copy sharing its data (undo's) keeps the mark.
    m_places[place - m_places.constData()].doubtful = false;
    return true;
}

qsizetype BoxPlaces::atPoint(QPoint point) const {
    qsizetype found = -1;
    qint64 area = 0;
    for (const Place& place : m_places) {
        if (!place.box.contains(point))
            continue;
        const qint64 a = qint64(place.box.width()) * place.box.height();
        if (found < 0 || a < area) {
            found = place.at;
            area = a;
        }
    }
    return found;
}

QByteArray BoxPlaces::toBytes(const QString& stored) const {
    QByteArray out = kHeader + '\n' + fingerprint(stored) + '\n';
    qsizetype index = 0;
    qsizetype position = 0;
    for (const Place& place : m_places) {
        // The second half of a CR LF is no position of its own.
        for (; index < stored.size() && (position < place.at || isCrLfEnd(stored, index)); ++index)
            if (!isCrLfEnd(stored, index))
                ++position;
        out += QByteArray::number(index) + ' ' + QByteArray::number(place.box.x()) + ' ' +
               QByteArray::number(place.box.y()) + ' ' + QByteArray::number(place.box.width()) +
               ' ' + QByteArray::number(place.box.height()) + ' ' +
               QByteArray::number(qRound(place.confidence * 10)) + ' ' +
               (place.vertical ? 'v' : 'h') + ' ' + (place.doubtful ? 'm' : '-') + '\n';
    }
    return out;
}

BoxPlaces BoxPlaces::fromBytes(const QByteArray& bytes, const QString& stored) {
    const QList<QByteArray> lines = bytes.split('\n');
    if (lines.size() < 2 || lines[0] != kHeader || lines[1] != fingerprint(stored))
        return {};
    BoxPlaces read;
    qsizetype lastIndex = -1;
    for (qsizetype i = 2; i < lines.size(); ++i) {
        if (lines[i].isEmpty())
            continue;
        const QList<QByteArray> f = lines[i].split(' ');
        bool ok = f.size() == 8;
        qint64 v[6] = {};
        for (int k = 0; ok && k < 6; ++k)
            v[k] = f[k].toLongLong(&ok);
        ok = ok && v[0] > lastIndex && v[0] < stored.size() && v[3] >= 0 && v[4] >= 0 &&
             (f[6] == "v" || f[6] == "h") && (f[7] == "m" || f[7] == "-") &&
             !isCrLfEnd(stored, v[0]);
        // A file cut short or written by hand: nothing of it rather than places beside the text.
        if (!ok)
            return {};
        for (int k = 1; k < 5; ++k)
            if (v[k] < INT_MIN || v[k] > INT_MAX)
                return {};
        lastIndex = v[0];
        Place place;
        place.at = boxPosition(stored, v[0]);
        place.box = QRect(int(v[1]), int(v[2]), int(v[3]), int(v[4]));
        place.confidence = v[5] < 0 ? enginelayout::kNoConfidence : float(v[5]) / 10;
        place.vertical = f[6] == "v";
        place.doubtful = f[7] == "m";
        read.m_places << place;
    }
    return read;
}

QString placesPath(const QString& savedResultPath) {
    QString path = savedResultPath;
    if (path.endsWith(QStringLiteral(".txt")))
        path.chop(4);
    return path + QStringLiteral(".marks");
}

} // namespace quillpix::textplacing
