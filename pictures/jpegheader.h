#pragma once

#include <QByteArray>
#include <QImageIOHandler>
#include <QSize>
#include <QSizeF>
#include <QString>

// What a JPEG file's header tells without decoding it: its size, the turn its orientation asks
// for and the density it states. For the book's pages and the searchable PDF, which carry a
// JPEG's bytes as they are.
namespace quillpix::pictures {

// Whether the file begins as a JPEG does.
bool startsAsJpeg(const QString& path);

struct JpegHeader {
    bool readable = false; // Qt can read it, and it has pixels
    QSize stored;
    QImageIOHandler::Transformations turn = QImageIOHandler::TransformationNone;
};

JpegHeader readJpegHeader(const QByteArray& jpeg);

// The size a JPEG shows at, when it needs no turning; an empty size otherwise.
QSize uprightJpegSize(const QByteArray& jpeg);

// The density of a JFIF file's header in dots per inch; an empty size when it states none in
// inches or centimetres.
QSizeF jfifDensity(const QByteArray& jpeg);

} // namespace quillpix::pictures
