#include "picturefiles.h"

#include <QBuffer>
#include <QHash>
#include <QPainter>
#include <QPdfWriter>
#include <QtEndian>

namespace quillpix::testing {
namespace {

void put16(QByteArray& out, quint16 v) {
    out.append(char(v & 0xFF));
    out.append(char(v >> 8));
}
void put32(QByteArray& out, quint32 v) {
    put16(out, quint16(v & 0xFFFF));
    put16(out, quint16(v >> 16));
}

} // namespace

QByteArray gifBytes(const QImage& picture) {
    QVector<QRgb> palette;
    QHash<QRgb, int> index;
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x) {
            const QRgb c = picture.pixel(x, y) | 0xFF000000;
            if (!index.contains(c)) {
                index.insert(c, int(palette.size()));
                palette << c;
            }
        }
    palette.resize(256, qRgb(0, 0, 0));

    QByteArray out("GIF89a");
    put16(out, quint16(picture.width()));
    put16(out, quint16(picture.height()));
    out.append(char(0xF7)); // global table of 256 colours
    out.append('\0');
    out.append('\0');
    for (QRgb c : palette) {
        out.append(char(qRed(c)));
        out.append(char(qGreen(c)));
        out.append(char(qBlue(c)));
    }
    out.append(',');
    put16(out, 0);
    put16(out, 0);
    put16(out, quint16(picture.width()));
    put16(out, quint16(picture.height()));
    out.append('\0');
    out.append(char(8)); // minimum code size: codes are 9 bits until the table grows

    QByteArray data;
    quint32 bits = 0;
    int count = 0;
    auto putCode = [&](int code) {
        bits |= quint32(code) << count;
        count += 9;
        while (count >= 8) {
            data.append(char(bits & 0xFF));
            bits >>= 8;
            count -= 8;
        }
    };
    constexpr int kClear = 256, kEnd = 257;
    int sinceClear = 0;
    putCode(kClear);
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x) {
            // Clearing well before the table reaches 512 entries keeps every code 9 bits wide.
            if (sinceClear == 250) {
                putCode(kClear);
                sinceClear = 0;
            }
            putCode(index.value(picture.pixel(x, y) | 0xFF000000));
            ++sinceClear;
        }
    putCode(kEnd);
    if (count > 0)
        data.append(char(bits & 0xFF));
    for (qsizetype at = 0; at < data.size(); at += 255) {
        const QByteArray block = data.mid(at, 255);
        out.append(char(block.size()));
        out.append(block);
    }
    out.append('\0');
    out.append(';');
    return out;
}

qint64 bitmapPixelBytes(int width, int height) {
    return qint64((width * 24 + 31) / 32 * 4) * height;
}

QByteArray bitmapBytes(int width, int height, qint64 pixelBytes) {
    QByteArray out("BM");
    put32(out, quint32(54 + bitmapPixelBytes(width, height)));
    put32(out, 0);
    put32(out, 54);
    put32(out, 40);
    put32(out, quint32(width));
    put32(out, quint32(height));
    put16(out, 1);
    put16(out, 24);
    put32(out, 0);
    put32(out, quint32(bitmapPixelBytes(width, height)));
    put32(out, 2835);
    put32(out, 2835);
    put32(out, 0);
    put32(out, 0);
    out.append(QByteArray(pixelBytes, '\0'));
    return out;
}

QByteArray encoded(const QImage& picture, const char* format, int quality) {
    QByteArray out;
    QBuffer buffer(&out);
    buffer.open(QIODevice::WriteOnly);
    if (!picture.save(&buffer, format, quality))
        qFatal("cannot write %s", format);
    return out;
}

QByteArray withOrientation(const QByteArray& jpeg, int orientation) {
    // APP1 "Exif", a big-endian TIFF header and one directory entry: orientation (0x0112).
    const QByteArray tiff = QByteArray("MM\0*\0\0\0\x08\0\x01\x01\x12\0\x03\0\0\0\x01", 18) +
                            char(0) + char(orientation) + QByteArray(2, '\0') + QByteArray(4, '\0');
    const QByteArray body = QByteArray("Exif\0\0", 6) + tiff;
    QByteArray segment("\xFF\xE1");
    segment += char((body.size() + 2) >> 8);
    segment += char((body.size() + 2) & 0xFF);
    return jpeg.left(2) + segment + body + jpeg.mid(2);
}

QByteArray runLengthBitmap(int width, int height, const QByteArray& codes) {
    QByteArray out("BM");
    put32(out, quint32(54 + 1024 + codes.size()));
    put32(out, 0);
    put32(out, 54 + 1024);
    put32(out, 40);
    put32(out, quint32(width));
    put32(out, quint32(height));
    put16(out, 1);
    put16(out, 8);
    put32(out, 1); // RLE8
    put32(out, quint32(codes.size()));
    put32(out, 2835);
    put32(out, 2835);
    put32(out, 256);
    put32(out, 0);
    for (int i = 0; i < 256; ++i)
        put32(out, quint32(i * 0x010101));
    return out + codes;
}

QByteArray topDownBitmap(const QImage& picture) {
    const QImage p = picture.convertToFormat(QImage::Format_ARGB32);
    QByteArray out("BM");
    const quint32 pixels = quint32(p.width() * p.height() * 4);
    put32(out, 14 + 124 + pixels);
    put32(out, 0);
    put32(out, 14 + 124);
    put32(out, 124);
    put32(out, quint32(p.width()));
    put32(out, quint32(-p.height()));
    put16(out, 1);
    put16(out, 32);
    put32(out, 3); // bit fields
    put32(out, pixels);
    put32(out, 2835);
    put32(out, 2835);
    put32(out, 0);
    put32(out, 0);
    for (quint32 mask : {0x00FF0000u, 0x0000FF00u, 0x000000FFu, 0xFF000000u})
        put32(out, mask);
    out.append("BGRs", 4); // sRGB
    out.append(QByteArray(124 - 60, '\0'));
    for (int y = 0; y < p.height(); ++y)
        for (int x = 0; x < p.width(); ++x)
            put32(out, p.pixel(x, y));
    return out;
}

QByteArray greyTiff(const QList<QImage>& pages) {
    QByteArray out("II*\0", 4);
    put32(out, 0); // first directory, filled in below
    qsizetype link = 4;
    for (const QImage& page : pages) {
        const QImage grey = page.convertToFormat(QImage::Format_Grayscale8);
        const auto pixelsAt = quint32(out.size());
        for (int y = 0; y < grey.height(); ++y)
            out.append(reinterpret_cast<const char*>(grey.constScanLine(y)), grey.width());
        if (out.size() & 1)
            out.append('\0');
        const auto directory = quint32(out.size());
        for (int i = 0; i < 4; ++i)
            out[link + i] = char(directory >> (8 * i));
        const quint32 entries[][3] = {{256, 4, quint32(grey.width())},
                                      {257, 4, quint32(grey.height())},
                                      {258, 3, 8},
                                      {259, 3, 1},
                                      {262, 3, 1},
                                      {273, 4, pixelsAt},
                                      {278, 4, quint32(grey.height())},
                                      {279, 4, quint32(grey.width() * grey.height())}};
        put16(out, 8);
        for (const auto& e : entries) {
            put16(out, quint16(e[0]));
            put16(out, quint16(e[1]));
            put32(out, 1);
            if (e[1] == 3) {
                put16(out, quint16(e[2]));
                put16(out, 0);
            } else {
                put32(out, e[2]);
            }
        }
        link = out.size();
        put32(out, 0);
    }
    return out;
}

QByteArray blankPdf(const QList<QSizeF>& pages, bool locked) {
    QByteArray out("%PDF-1.4\n");
    QList<qsizetype> offsets;
    auto object = [&](const QByteArray& body) {
        offsets << out.size();
        out += QByteArray::number(offsets.size()) + " 0 obj\n" + body + "\nendobj\n";
    };
    object("<< /Type /Catalog /Pages 2 0 R >>");
    QByteArray kids;
    for (qsizetype i = 0; i < pages.size(); ++i)
        kids += QByteArray::number(3 + i) + " 0 R ";
    object("<< /Type /Pages /Kids [" + kids + "] /Count " + QByteArray::number(pages.size()) +
           " >>");
    for (QSizeF size : pages)
        object("<< /Type /Page /Parent 2 0 R /MediaBox [0 0 " + QByteArray::number(size.width()) +
               " " + QByteArray::number(size.height()) + "] >>");
    QByteArray trailer = "/Size " + QByteArray::number(offsets.size() + 1) + " /Root 1 0 R";
    if (locked) {
        const QByteArray key(32, 'k');
        object("<< /Filter /Standard /V 1 /R 2 /P -4 /O <" + key.toHex() + "> /U <" + key.toHex() +
               "> >>");
        trailer += " /Encrypt " + QByteArray::number(offsets.size()) + " 0 R /ID [<" +
                   QByteArray(16, 'i').toHex() + "> <" + QByteArray(16, 'i').toHex() + ">]";
    }
    const qsizetype xref = out.size();
    out += "xref\n0 " + QByteArray::number(offsets.size() + 1) + "\n0000000000 65535 f \n";
    for (qsizetype at : offsets)
        out += QByteArray::number(at).rightJustified(10, '0') + " 00000 n \n";
    out += "trailer\n<< " + trailer + " >>\nstartxref\n" + QByteArray::number(xref) + "\n%%EOF\n";
    return out;
}

QByteArray scanPdf(const QImage& scan, QSizeF inches, int dpi, bool margins, bool word) {
    QByteArray out;
    QBuffer buffer(&out);
    buffer.open(QIODevice::WriteOnly);
    QPdfWriter writer(&buffer);
    writer.setPageSize(QPageSize(inches, QPageSize::Inch));
    writer.setResolution(dpi);
    if (!margins)
        writer.setPageMargins(QMarginsF(0, 0, 0, 0));
    QPainter painter(&writer);
    painter.drawImage(0, 0, scan);
    if (word)
        painter.drawText(QPoint(50, 100), QStringLiteral("word"));
    painter.end();
    return out;
}

namespace {

// The objects in order, numbered from 1, with their cross-reference table; object 1 is the
// catalog.
QByteArray pdfOfObjects(const QList<QByteArray>& bodies) {
    QByteArray out("%PDF-1.4\n");
    QList<qsizetype> offsets;
    for (const QByteArray& body : bodies) {
        offsets << out.size();
        out += QByteArray::number(offsets.size()) + " 0 obj\n" + body + "\nendobj\n";
    }
    const qsizetype xref = out.size();
    out += "xref\n0 " + QByteArray::number(offsets.size() + 1) + "\n0000000000 65535 f \n";
    for (qsizetype at : offsets)
        out += QByteArray::number(at).rightJustified(10, '0') + " 00000 n \n";
    out += "trailer\n<< /Size " + QByteArray::number(offsets.size() + 1) +
           " /Root 1 0 R >>\nstartxref\n" + QByteArray::number(xref) + "\n%%EOF\n";
    return out;
}

QByteArray stream(const QByteArray& dictionary, const QByteArray& data) {
    return "<< " + dictionary + " /Length " + QByteArray::number(data.size()) + " >>\nstream\n" +
           data + "\nendstream";
}

} // namespace

QByteArray handScanPdf(const QImage& scan, QSizeF points, const QByteArray& pageEntries,
                       const QByteArray& resources, const QByteArray& before,
                       const QList<QByteArray>& objects) {
    const QByteArray w = QByteArray::number(points.width()),
                     h = QByteArray::number(points.height());
    QByteArray rgb;
    const QImage pixels = scan.convertToFormat(QImage::Format_RGB888);
    for (int y = 0; y < pixels.height(); ++y)
        rgb.append(reinterpret_cast<const char*>(pixels.constScanLine(y)), pixels.width() * 3);
    QList<QByteArray> bodies{
        "<< /Type /Catalog /Pages 2 0 R >>", "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
        "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 " + w + " " + h + "] " + pageEntries +
            " /Resources << /XObject << /Im0 5 0 R >> " + resources + " >> /Contents 4 0 R >>",
        stream("", "q " + before + "\n" + w + " 0 0 " + h + " 0 0 cm /Im0 Do Q\n"),
        stream("/Type /XObject /Subtype /Image /Width " + QByteArray::number(scan.width()) +
                   " /Height " + QByteArray::number(scan.height()) +
                   " /ColorSpace /DeviceRGB /BitsPerComponent 8",
               rgb)};
    return pdfOfObjects(bodies + objects);
}

QByteArray updatedPdf() {
    QByteArray out("%PDF-1.4\n");
    QList<qsizetype> offsets;
    auto object = [&](int number, const QByteArray& body) {
        offsets << out.size();
        out += QByteArray::number(number) + " 0 obj\n" + body + "\nendobj\n";
    };
    auto table = [&](int first, const QByteArray& trailer) {
        const qsizetype xref = out.size();
        out += "xref\n0 1\n0000000000 65535 f \n" + QByteArray::number(first) + " " +
               QByteArray::number(offsets.size()) + "\n";
        for (qsizetype at : offsets)
            out += QByteArray::number(at).rightJustified(10, '0') + " 00000 n \n";
        out +=
            "trailer\n<< " + trailer + " >>\nstartxref\n" + QByteArray::number(xref) + "\n%%EOF\n";
        return xref;
    };
    object(1, "<< /Type /Catalog /Pages 2 0 R >>");
    object(2, "<< /Type /Pages /Kids [] /Count 0 >>");
    const qsizetype first = table(1, "/Size 3 /Root 1 0 R");
    offsets.clear();
    QByteArray drawing;
    for (int i = 0; i < 300; ++i)
        drawing += QByteArray::number(i) + " " + QByteArray::number(i) + " 2 2 re f\n";
    object(2, "<< /Type /Pages /Kids [3 0 R] /Count 1 >>");
    object(3, "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 420 595] /Contents 4 0 R >>");
    object(4, "<< /Length " + QByteArray::number(drawing.size()) + " >>\nstream\n" + drawing +
                  "\nendstream");
    table(2, "/Size 5 /Root 1 0 R /Prev " + QByteArray::number(first));
    return out;
}

QByteArray slowPdf(int fills) {
    QByteArray content;
    content.reserve(qsizetype(fills) * 16);
    for (int i = 0; i < fills; ++i)
        content +=
            QByteArray::number(i % 400) + " " + QByteArray::number(i / 400 % 590) + " 1 1 re f\n";
    // The content compressed: qCompress gives zlib data after a 4-byte length.
    const QByteArray packed = qCompress(content, 1).mid(4);
    return pdfOfObjects({"<< /Type /Catalog /Pages 2 0 R >>",
                         "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
                         "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 420 595] /Contents 4 0 R >>",
                         stream("/Filter /FlateDecode", packed)});
}

QByteArray numberedPdf(int pages) {
    QByteArray out;
    QBuffer buffer(&out);
    buffer.open(QIODevice::WriteOnly);
    QPdfWriter writer(&buffer);
    writer.setPageSize(QPageSize(QPageSize::A4));
    writer.setResolution(300);
    QPainter painter(&writer);
    QFont font = painter.font();
    font.setPixelSize(600);
    painter.setFont(font);
    for (int page = 1; page <= pages; ++page) {
        if (page > 1)
            writer.newPage();
        painter.drawText(QRect(0, 0, 2000, 1000), Qt::AlignCenter, QString::number(page));
    }
    painter.end();
    return out;
}

} // namespace quillpix::testing
