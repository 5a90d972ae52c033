#pragma once

#include <QString>

// Where the program may write files the user did not name: the results the batch saves, the
// document texts, the book, the searchable PDFs and the files that remember where a page's text
// lies. A picture folder may hold links; a link that leads out of the folder, or nowhere, would
// have the program overwrite a file it was never given, so such a place is refused.
namespace quillpix::textfiles {

// Why path must not be written: it lies outside folder, or a link on the way from folder to it
// (path itself, or a folder between) leads out of folder or nowhere. "" when it may be written.
// A link that stays within the folder is followed as the system would.
QString writeRefusal(const QString& path, const QString& folder);
// The same rule, throwing a Failure with the reason where path must not be written.
void requireWritePlace(const QString& path, const QString& folder);

// Whether the file at path holds text the program could have written: valid code page 932 or
// UTF-8 with no control characters but line ends, tabs and form feeds. Read from its start; a
// missing or unreadable file, or a folder, is not text.
bool holdsText(const QString& path);

} // namespace quillpix::textfiles
