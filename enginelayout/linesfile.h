#pragma once

#include "lines.h"

#include <QByteArray>
#include <QList>
#include <QSize>

#include <optional>

// A page's lines kept in a small file, so that a searchable PDF can be written again later
// without reading the page again: the lines, the size of the picture they were measured on,
// and a key the caller chooses to tell whether they still belong to what it has.
namespace quillpix::enginelayout {

struct KeptLines {
    QByteArray key;
    QSize picture;
    QList<Line> lines;
    bool operator==(const KeptLines&) const = default;
};

QByteArray encodeLines(const KeptLines& kept);
// Nothing when the bytes are not kept lines of this version, are cut short or damaged, or
// hold a box that does not lie on the picture.
std::optional<KeptLines> decodeLines(const QByteArray& bytes);

} // namespace quillpix::enginelayout
