#include "layoutxml.h"
#include "pagestructure.h"

#include <QXmlStreamWriter>

namespace quillpix::layoutxml {

using namespace detail;

namespace {

// The schema allows a variant of at most three characters.
constexpr qsizetype kLongestVariant = 3;

void writeBox(QXmlStreamWriter& xml, const QRect& box) {
    xml.writeAttribute(QStringLiteral("HPOS"), QString::number(box.x()));
    xml.writeAttribute(QStringLiteral("VPOS"), QString::number(box.y()));
    xml.writeAttribute(QStringLiteral("WIDTH"), QString::number(box.width()));
    xml.writeAttribute(QStringLiteral("HEIGHT"), QString::number(box.height()));
}

// ALTO's confidences run from 0 to 1.
void writeConfidence(QXmlStreamWriter& xml, const QString& name, std::optional<double> percent) {
    if (percent)
        xml.writeAttribute(name, QString::number(*percent / 100, 'f', 2));
}

void writeWord(QXmlStreamWriter& xml, const Word& word, const QString& page, int number,
               int& glyphs) {
    xml.writeStartElement(QStringLiteral("String"));
    xml.writeAttribute(QStringLiteral("ID"), QStringLiteral("string_%1_%2").arg(page).arg(number));
    xml.writeAttribute(QStringLiteral("CONTENT"), textOf(word));
    writeBox(xml, word.box);
    writeConfidence(xml, QStringLiteral("WC"), meanConfidence(word));
    for (const Glyph& glyph : word.glyphs) {
        xml.writeStartElement(QStringLiteral("Glyph"));
        xml.writeAttribute(QStringLiteral("ID"),
                           QStringLiteral("glyph_%1_%2").arg(page).arg(++glyphs));
        xml.writeAttribute(QStringLiteral("CONTENT"), glyph.text);
        writeBox(xml, glyph.box);
        writeConfidence(xml, QStringLiteral("GC"), knownConfidence(glyph.confidence));
        for (const QString& alternative : glyph.alternatives) {
            if (alternative.isEmpty() || alternative.toUcs4().size() > kLongestVariant)
                continue;
            xml.writeEmptyElement(QStringLiteral("Variant"));
            xml.writeAttribute(QStringLiteral("CONTENT"), alternative);
        }
        xml.writeEndElement();
    }
    xml.writeEndElement();
}

void writePage(QXmlStreamWriter& xml, const PageText& page, int number) {
    const QString n = QString::number(number);
    const QRect picture = pictureBox(page);
    xml.writeStartElement(QStringLiteral("Page"));
    xml.writeAttribute(QStringLiteral("ID"), QStringLiteral("page_") + n);
    xml.writeAttribute(QStringLiteral("PHYSICAL_IMG_NR"), n);
    xml.writeAttribute(QStringLiteral("WIDTH"), QString::number(picture.width()));
    xml.writeAttribute(QStringLiteral("HEIGHT"), QString::number(picture.height()));
    xml.writeStartElement(QStringLiteral("PrintSpace"));
    writeBox(xml, picture);
    int blocks = 0;
    int lines = 0;
    int words = 0;
    int glyphs = 0;
    for (const Block& block : blocksOf(page)) {
        xml.writeStartElement(QStringLiteral("TextBlock"));
        xml.writeAttribute(QStringLiteral("ID"),
                           QStringLiteral("block_%1_%2").arg(n).arg(++blocks));
        writeBox(xml, block.box);
        // TextLine has no direction of its own; a block's rotation holds for all inside it.
        if (isVertical(block))
            xml.writeAttribute(QStringLiteral("ROTATION"), QStringLiteral("90"));
        for (const TextLine& line : block.lines) {
            xml.writeStartElement(QStringLiteral("TextLine"));
            xml.writeAttribute(QStringLiteral("ID"),
                               QStringLiteral("line_%1_%2").arg(n).arg(++lines));
            writeBox(xml, line.box);
            for (const Word& word : line.words) {
                if (word.spaceBefore)
                    xml.writeEmptyElement(QStringLiteral("SP"));
                writeWord(xml, word, n, ++words, glyphs);
            }
            xml.writeEndElement();
        }
        xml.writeEndElement();
    }
    xml.writeEndElement();
    xml.writeEndElement();
}

} // namespace

QByteArray alto(const QList<PageText>& pages) {
    QByteArray document;
    QXmlStreamWriter xml(&document);
    xml.setAutoFormatting(true);
    xml.setAutoFormattingIndent(1);
    xml.writeStartDocument();
    xml.writeStartElement(QStringLiteral("alto"));
    xml.writeAttribute(QStringLiteral("xmlns"),
                       QStringLiteral("http://www.loc.gov/standards/alto/ns-v4#"));
    xml.writeAttribute(QStringLiteral("xmlns:xsi"),
                       QStringLiteral("http://www.w3.org/2001/XMLSchema-instance"));
    xml.writeAttribute(QStringLiteral("xsi:schemaLocation"),
                       QStringLiteral("http://www.loc.gov/standards/alto/ns-v4# "
                                      "http://www.loc.gov/standards/alto/v4/alto-4-2.xsd"));
    xml.writeStartElement(QStringLiteral("Description"));
    xml.writeTextElement(QStringLiteral("MeasurementUnit"), QStringLiteral("pixel"));
    // The description names one picture; the pages after the first have only their IDs.
    const QString picture = pages.isEmpty() ? QString() : xmlSafe(pages.first().picture);
    if (!picture.isEmpty()) {
        xml.writeStartElement(QStringLiteral("sourceImageInformation"));
        xml.writeTextElement(QStringLiteral("fileName"), picture);
        xml.writeEndElement();
    }
    xml.writeEndElement();
    xml.writeStartElement(QStringLiteral("Layout"));
    for (qsizetype i = 0; i < pages.size(); ++i)
        writePage(xml, pages[i], int(i) + 1);
    xml.writeEndElement();
    xml.writeEndElement();
    xml.writeEndDocument(); // ends with a newline
    return document;
}

} // namespace quillpix::layoutxml
