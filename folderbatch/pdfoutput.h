#pragma once

#include "linesfile.h"
#include "page.h"
#include "picturelist.h"

#include <QString>

// Searchable PDFs (--pdf) of the documents and the book, in the folder's pdf/ subfolder, which
// is never listed as pictures.
namespace quillpix::folderbatch {

// The folder the PDFs go to.
QString pdfFolder(const QString& folder);
// A document's PDF: scan.pdf keeps its name, scan.tif becomes scan.tif.pdf.
QString documentPdfName(const QString& fileName);
// The book's PDF, after the book text's name: book.txt becomes book.pdf.
QString bookPdfName(const QString& bookPath);

// The page of the PDF: the picture file's own bytes for a JPEG, the JPEG data of a scanned
// document page as the document holds it (the lines brought to its pixels when the page was
// read at another resolution), else the picture as read, which goes in without loss; a
// document page keeps its size.
searchablepdf::Page pdfPage(const QString& folder, const PictureItem& item,
                            const enginelayout::KeptLines& lines);

} // namespace quillpix::folderbatch
