#pragma once

#include "scanner.h"

#include <QImage>
#include <QString>
#include <QStringList>

// Scanned pages kept in a picture folder: PNG files whose names sort in scan order and never
// take the place of a file already there.
namespace quillpix::scanner {

// Pages are named kPagePrefix + a number of at least four digits + ".png".
inline const QString kPagePrefix = QStringLiteral("scan-");

// The name after the highest scanned page among names (any case; hidden files left out):
// "scan-0001.png" when there is none, "scan-0013.png" after "scan-0012.png".
QString nextPageName(const QStringList& names);

// The page as PNG under the next free name of folder. It is written whole under a hidden
// ".NAME.part" beside it first and then takes its name, so a failure leaves no half page; a name
// taken meanwhile moves on to the next. The path written, or "" with why in error.
QString keepPage(const QImage& page, const QString& folder, QString* error);

struct FolderScan {
    QString device;
    QStringList written; // paths, in scan order
    Error error;
};

// Scans as asked into folder (made once the first page is there), every page kept as keepPage keeps
// it, each path told to written as soon as it is there. events.page is this function's own.
FolderScan scanIntoFolder(const Request& request, const QString& folder, Events events,
                          const std::function<void(const QString& path)>& written = {});

} // namespace quillpix::scanner
