#pragma once

#include <QListWidget>
#include <QString>

namespace quillpix {

// The list of pictures in one folder: regular files (after following links) whose names match
// the pattern (wildcards separated by ";", compared without regard to case), hidden entries
// left out, sorted as people expect (case-insensitive, digits in numeric order: page2 before
// page10). A multi-page document (PDF, TIFF) has one row per page, "scan.pdf (3/12)", directly
// after one another; a one-page document has a plain row. The rows are made by
// pictures::listPictures.
class FileListBox : public QListWidget {
    Q_OBJECT
public:
    explicit FileListBox(QWidget* parent);
    void setFolder(const QString& folder) { m_folder = folder; }
    QString folder() const { return m_folder; }
    // Setting the pattern re-reads the folder.
    void setPattern(const QString& pattern);
    QString pattern() const { return m_pattern; }
    // Re-reads the folder; nothing is selected afterwards. False when the folder cannot be
    // listed (the list is then empty).
    bool refresh();
    // The selected row's file name without its folder, or "" when nothing is selected.
    QString fileName() const;
    // The selected row's page index (from 0), or pictures::kNoPage (-1) for a whole picture
    // or when nothing is selected.
    int page() const;
    // The document whose row lies at point (in the viewport): a page of a document, or a PDF of
    // one page; "" when the row there is a picture's or there is none.
    QString documentAt(const QPoint& point) const;
    // The row of a file's page (or of the whole file, page -1), or -1 when not listed.
    int rowOf(const QString& fileName, int page) const;
    // After refresh(): "" when every matching name could be listed, else a message (Japanese,
    // naming the folder) on how many names were left out because they are not UTF-8. Meant to
    // be shown once per listing.
    QString leftOutMessage() const { return m_leftOutMessage; }

private:
    QString m_folder;
    QString m_pattern = QStringLiteral("*");
    QString m_leftOutMessage;
};

} // namespace quillpix
