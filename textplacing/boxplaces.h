#pragma once

#include "characters.h"
#include "lines.h"

#include <QByteArray>
#include <QList>
#include <QPoint>
#include <QRect>
#include <QString>

// The result box's characters with the places they were read from, kept in step with the user's
// edits: what the window frames on the picture, walks the marks with, and keeps beside a saved
// result. Positions count as the box does: a line break is one position, CR LF or not.
namespace quillpix::textplacing {

struct Place {
    qsizetype at = 0; // the character's position in the box
    QRect box;        // on the picture's pixels; empty when the text was read from elsewhere
    float confidence = enginelayout::kNoConfidence;
    bool vertical = false; // read in a vertical line
    bool doubtful = false; // marked, and not yet checked by the user
    bool operator==(const Place&) const = default;
};

// Where the character at index of the stored text (CR LF as two) stands in the box.
qsizetype boxPosition(const QString& stored, qsizetype index);

class BoxPlaces {
public:
    // A reading appended to the box: stored is the box's whole text afterwards, and the reading's
    // characters (placed and marked on its own text) start at index from of it.
    void addReading(const QString& stored, qsizetype from, const QList<PlacedCharacter>& characters,
                    const QList<enginelayout::Line>& lines);
    // The box's text changed at position: removed characters went, added came. The places of the
    // characters that went go with them (typed over, the mark is gone); those after move.
    void edited(qsizetype position, qsizetype removed, qsizetype added);
    void clear() { m_places.clear(); }
    // A place for the character at place.at, in that of any it had.
    void put(const Place& place);

    bool isEmpty() const { return m_places.isEmpty(); }
    const QList<Place>& places() const { return m_places; }
    int marks() const;
    // The place of the character at position, or nullptr.
    const Place* placeAt(qsizetype position) const;
    // The first mark after position, else the first of all; the last before position, else the
    // last of all: the walk goes round. -1 when nothing is marked.
    qsizetype nextMark(qsizetype position) const;
    qsizetype previousMark(qsizetype position) const;
    // The user accepted the character at position as it stands; false when it was not marked.
    bool accept(qsizetype position);
    // The character whose box holds point (the smallest such box), or -1.
    qsizetype atPoint(QPoint point) const;

    // The places as kept beside a saved result, for the box's stored text (the file says which
    // text it belongs to); and read back: none when the bytes are not such a file or belong to
    // another text (the result was changed elsewhere), never places that would fall off it.
    QByteArray toBytes(const QString& stored) const;
    static BoxPlaces fromBytes(const QByteArray& bytes, const QString& stored);

    bool operator==(const BoxPlaces&) const = default;

private:
    QList<Place> m_places; // by position
};

// The file beside a saved result that keeps its places: "p.jpg.txt" -> "p.jpg.marks".
QString placesPath(const QString& savedResultPath);

} // namespace quillpix::textplacing
