#pragma once

#include "pages.h"

#include <QList>
#include <QString>

// The entries of the picture list: one per picture file, one per page of a multi-page
// document (PDF, TIFF), in natural name order with a document's pages after one another.
namespace quillpix::pictures {

// The picture files the list shows, as wildcards separated by ";" (compared without regard
// to case).
inline constexpr char kPicturePattern[] =
    "*.bmp;*.gif;*.png;*.jpg;*.jpeg;*.tif;*.tiff;*.webp;*.pdf";

struct ListEntry {
    QString shown;      // what the list shows: the file name, or "name (3/12)" for a page
    QString fileName;   // the file, without its folder
    int page = kNoPage; // the page index from 0, or kNoPage for a picture or one-page document
    bool operator==(const ListEntry&) const = default;
};

struct Listing {
    bool listed = false; // false when the folder cannot be read (no entries then)
    QList<ListEntry> entries;
    // Names matching the pattern that are not valid UTF-8 and so cannot be shown or opened.
    int leftOut = 0;
    // "" when nothing was left out, else a Japanese message naming the folder and the count.
    QString leftOutMessage;
};

// What a page's entry shows.
QString pageEntryText(const QString& fileName, int page, int pages);

// Name order as people expect it: case-insensitive, digits in numeric order.
bool naturalLess(const QString& a, const QString& b);

// Lists the regular files (after following links) of the folder whose names match the
// pattern; hidden names (a leading dot), folders, devices, FIFOs and sockets are left out and
// never opened. Multi-page documents are counted without drawing any page.
Listing listPictures(const QString& folder, const QString& pattern);

} // namespace quillpix::pictures
