#include "startuproutines.h"

#include <QComboBox>
#include <QDir>
#include <QListWidget>
#include <QPushButton>

namespace quillpix {

QString windowCaption(const QString& company, int major, int minor, int revision) {
    return company + QStringLiteral(" Quillpix.exe Ver") + QString::number(major) +
           QLatin1Char('.') + QString::number(minor) + QLatin1Char('.') + QString::number(revision);
}

QStringList entriesWithPrefix(const QString& folder, const QString& prefix) {
    QDir dir(folder);
    dir.setNameFilters({prefix + QLatin1Char('*')});
    // A file named like a folder (bmp_gif.zip) is no folder to list pictures from.
    return dir.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name | QDir::IgnoreCase);
}

void fillFolderList(const QString& folder, const QString& prefix, QComboBox* chooser) {
    // Filling must not count as a choice: the caller selects item 0 afterwards.
    const bool blocked = chooser->blockSignals(true);
    chooser->clear();
    chooser->addItems(entriesWithPrefix(folder, prefix));
    chooser->setCurrentIndex(-1);
    chooser->blockSignals(blocked);
}

void splitToList(const QString& text, QListWidget* list) {
    list->clear();
    list->addItems(text.split(QLatin1Char(',')));
}

void setPaintButton(QPushButton* cmdPaint, PaintButton state) {
    cmdPaint->setEnabled(state == PaintButton::Enabled);
}

} // namespace quillpix
