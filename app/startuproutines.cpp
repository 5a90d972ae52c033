#include "startuproutines.h"

#include <QListWidget>
#include <QPushButton>

namespace quillpix {

QString windowCaption(const QString& company, int major, int minor, int revision) {
    return company + QStringLiteral(" Quillpix.exe Ver") + QString::number(major) +
           QLatin1Char('.') + QString::number(minor) + QLatin1Char('.') + QString::number(revision);
}

void splitToList(const QString& text, QListWidget* list) {
    list->clear();
    list->addItems(text.split(QLatin1Char(',')));
}

void setPaintButton(QPushButton* cmdPaint, PaintButton state) {
    cmdPaint->setEnabled(state == PaintButton::Enabled);
}

} // namespace quillpix
