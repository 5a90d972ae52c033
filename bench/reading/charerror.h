#pragma once

#include <QList>
#include <QString>
#include <QStringList>

// Character error rate as the reading is judged: edit distance between what was read and the
// known text, over the known text's length. Both sides are compared in Unicode's compatibility
// form (a full-width "Ａ" and "A" are the same character to a reader).
namespace quillpix::readingbench {

struct Errors {
    qint64 edits = 0;
    qint64 length = 0;
    double rate() const { return length == 0 ? 0.0 : double(edits) / double(length); }
    Errors& operator+=(const Errors& other) {
        edits += other.edits;
        length += other.length;
        return *this;
    }
};

// Line ends of any kind count as one "\n"; blank lines and spaces count as written; trailing
// line ends are left out.
Errors withWhitespace(const QString& read, const QString& reference);
// Every space, ideographic space and line end left out on both sides.
Errors withoutWhitespace(const QString& read, const QString& reference);
qint64 editDistance(const QString& a, const QString& b);
// The errors no reading order can mend, whitespace ignored: the larger of the characters of the
// reference missing from the reading and the characters read beyond it, counted as bags of
// characters. Never more than withoutWhitespace's edits; the two are equal when only the order
// of what was read is wrong.
Errors orderFree(const QString& read, const QString& reference);

// For each of the characters read (one character each, white space left out), whether the
// best alignment with the reference (white space left out) matches it to the same character:
// false for a character read wrongly or read beyond the reference. Both compared in Unicode's
// compatibility form.
QList<bool> readRight(const QStringList& read, const QString& reference);
// The same with each line aligned on its own wherever it fits the reference best: a line read
// right but out of order is right here, so what is left wrong is what was misread.
QList<bool> readRightInAnyOrder(const QList<QStringList>& lines, const QString& reference);

} // namespace quillpix::readingbench
