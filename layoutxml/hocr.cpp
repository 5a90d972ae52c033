#include "layoutxml.h"
#include "pagestructure.h"

#include <QXmlStreamWriter>

#include <cmath>

namespace quillpix::layoutxml {

using namespace detail;

namespace {

// Right and bottom are past the box, as hOCR counts them.
QString bbox(const QRect& box) {
    return QStringLiteral("%1 %2 %3 %4")
        .arg(box.x())
        .arg(box.y())
        .arg(box.x() + box.width())
        .arg(box.y() + box.height());
}

// A string inside a title goes in double quotes, which and backslash are escaped with one.
QString quoted(QString text) {
    text.replace(u'\\', QStringLiteral("\\\\"));
    text.replace(u'"', QStringLiteral("\\\""));
    return u'"' + text + u'"';
}

// No automatic indentation: white space between the spans of a line would read as spaces in
// the text, so line breaks go only between the lines and the elements around them.
void breakLine(QXmlStreamWriter& xml) {
    xml.writeCharacters(QStringLiteral("\n"));
}

void startElement(QXmlStreamWriter& xml, const QString& name, const QString& ocrClass,
                  const QString& id, const QString& title) {
    xml.writeStartElement(name);
    xml.writeAttribute(QStringLiteral("class"), ocrClass);
    if (!id.isEmpty())
        xml.writeAttribute(QStringLiteral("id"), id);
    xml.writeAttribute(QStringLiteral("title"), title);
}

QString glyphTitle(const Glyph& glyph) {
    QString title = QStringLiteral("x_bboxes ") + bbox(glyph.box);
    if (const auto confidence = knownConfidence(glyph.confidence))
        title += QStringLiteral("; x_conf ") + QString::number(*confidence, 'f', 1);
    if (glyph.doubtful)
        title += QStringLiteral("; x_doubtful 1");
    return title;
}

void writeLine(QXmlStreamWriter& xml, const TextLine& line, const QString& page, int number,
               int& words) {
    QString title = QStringLiteral("bbox ") + bbox(line.box);
    if (line.direction == enginelayout::Direction::Vertical)
        title += QStringLiteral("; textangle 90");
    startElement(xml, QStringLiteral("span"), QStringLiteral("ocr_line"),
                 QStringLiteral("line_%1_%2").arg(page).arg(number), title);
    for (const Word& word : line.words) {
        if (word.spaceBefore)
            xml.writeCharacters(QStringLiteral(" "));
        QString wordTitle = QStringLiteral("bbox ") + bbox(word.box);
        if (const auto mean = meanConfidence(word))
            wordTitle += QStringLiteral("; x_wconf ") + QString::number(std::lround(*mean));
        startElement(xml, QStringLiteral("span"), QStringLiteral("ocrx_word"),
                     QStringLiteral("word_%1_%2").arg(page).arg(++words), wordTitle);
        for (const Glyph& glyph : word.glyphs) {
            startElement(xml, QStringLiteral("span"), QStringLiteral("ocrx_cinfo"), QString(),
                         glyphTitle(glyph));
            xml.writeCharacters(glyph.text);
            xml.writeEndElement();
        }
        xml.writeEndElement();
    }
    xml.writeEndElement();
}

void writePage(QXmlStreamWriter& xml, const PageText& page, int number) {
    const QString n = QString::number(number);
    QString title;
    const QString picture = xmlSafe(page.picture);
    if (!picture.isEmpty())
        title = QStringLiteral("image ") + quoted(picture) + QStringLiteral("; ");
    title += QStringLiteral("bbox %1; ppageno %2").arg(bbox(pictureBox(page))).arg(number - 1);
    breakLine(xml);
    startElement(xml, QStringLiteral("div"), QStringLiteral("ocr_page"),
                 QStringLiteral("page_") + n, title);
    int blocks = 0;
    int lines = 0;
    int words = 0;
    for (const Block& block : blocksOf(page)) {
        breakLine(xml);
        startElement(xml, QStringLiteral("div"), QStringLiteral("ocr_carea"),
                     QStringLiteral("block_%1_%2").arg(n).arg(++blocks),
                     QStringLiteral("bbox ") + bbox(block.box));
        for (const TextLine& line : block.lines) {
            breakLine(xml);
            writeLine(xml, line, n, ++lines, words);
        }
        breakLine(xml);
        xml.writeEndElement();
    }
    breakLine(xml);
    xml.writeEndElement();
}

} // namespace

QByteArray hocr(const QList<PageText>& pages) {
    QByteArray document;
    QXmlStreamWriter xml(&document);
    xml.writeStartDocument();
    xml.writeDTD(QStringLiteral("\n<!DOCTYPE html>\n"));
    xml.writeStartElement(QStringLiteral("html"));
    xml.writeAttribute(QStringLiteral("xmlns"), QStringLiteral("http://www.w3.org/1999/xhtml"));
    xml.writeAttribute(QStringLiteral("xml:lang"), QStringLiteral("ja"));
    xml.writeAttribute(QStringLiteral("lang"), QStringLiteral("ja"));
    breakLine(xml);
    xml.writeStartElement(QStringLiteral("head"));
    const auto meta = [&](const QString& attribute, const QString& name, const QString& content) {
        breakLine(xml);
        xml.writeEmptyElement(QStringLiteral("meta"));
        xml.writeAttribute(attribute, name);
        xml.writeAttribute(QStringLiteral("content"), content);
    };
    breakLine(xml);
    xml.writeTextElement(QStringLiteral("title"), QString());
    meta(QStringLiteral("http-equiv"), QStringLiteral("Content-Type"),
         QStringLiteral("text/html;charset=utf-8"));
    meta(QStringLiteral("name"), QStringLiteral("ocr-system"), QStringLiteral("quillpix"));
    meta(QStringLiteral("name"), QStringLiteral("ocr-capabilities"),
         QStringLiteral("ocr_page ocr_carea ocr_line ocrx_word ocrx_cinfo"));
    breakLine(xml);
    xml.writeEndElement();
    breakLine(xml);
    xml.writeStartElement(QStringLiteral("body"));
    for (qsizetype i = 0; i < pages.size(); ++i)
        writePage(xml, pages[i], int(i) + 1);
    breakLine(xml);
    xml.writeEndElement();
    breakLine(xml);
    xml.writeEndElement();
    xml.writeEndDocument(); // ends with a newline
    return document;
}

} // namespace quillpix::layoutxml
