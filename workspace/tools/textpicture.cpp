#include "textpicture.h"

#include <QFont>
#include <QPainter>

namespace quillpix::workspace {

QImage textPicture(const QStringList& lines, QSize size, int pixelSize, Qt::Alignment alignment,
                   int margin) {
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    QFont font(QStringLiteral("Noto Sans CJK JP"));
    font.setPixelSize(pixelSize);
    painter.setFont(font);
    painter.setPen(Qt::black);
    painter.drawText(image.rect().adjusted(margin, margin, -margin, -margin), alignment,
                     lines.join(QLatin1Char('\n')));
    return image;
}

} // namespace quillpix::workspace
