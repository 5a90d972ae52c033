#pragma once

#include <QByteArray>
#include <QImage>
#include <QString>
#include <QTemporaryDir>

namespace quillpix::testing {

// A throw-away workspace laid out as the install lays it: W/bin with the three list files,
// W/bmp_gif_sample for pictures, W/wav and W/htm.
class TempWorkspace {
public:
    TempWorkspace();
    QString root() const { return m_dir.path(); }
    QString bin() const { return root() + QStringLiteral("/bin"); }
    QString pictures() const { return root() + QStringLiteral("/bmp_gif_sample"); }

    // Writes raw bytes, creating folders as needed; path is relative to the root.
    QString writeFile(const QString& relativePath, const QByteArray& bytes) const;
    // Writes the list files with the given items (code page 932, CR LF).
    void writeLists(const QStringList& psm, const QStringList& lang,
                    const QStringList& option) const;
    // Saves a picture into the picture folder (format from the extension).
    QString addPicture(const QString& name, const QImage& image) const;

private:
    QTemporaryDir m_dir;
};

// A picture whose pixels encode their own coordinates: red = x & 0xFF, green = y & 0xFF,
// blue = ((x >> 8) & 0x0F) << 4 | ((y >> 8) & 0x0F). Tests read back which column and row a
// pixel came from.
QImage coordinatePicture(int width, int height);
QPoint coordinateOf(QRgb pixel);

} // namespace quillpix::testing
