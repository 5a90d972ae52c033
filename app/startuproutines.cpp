#include "startuproutines.h"

#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QStyleOptionButton>

namespace quillpix {

QString windowCaption(const QString& company, int major, int minor, int revision) {
    return company + QStringLiteral(" Quillpix.exe Ver") + QString::number(major) +
           QLatin1Char('.') + QString::number(minor) + QLatin1Char('.') + QString::number(revision);
}

void splitToList(const QString& text, QListWidget* list) {
    list->clear();
    list->addItems(text.split(QLatin1Char(',')));
}

namespace {

QString captionOf(const QWidget* control) {
    if (const auto* label = qobject_cast<const QLabel*>(control))
        // A label that wraps its lines has room for them.
        return label->wordWrap() ? QString() : label->text();
    if (const auto* button = qobject_cast<const QAbstractButton*>(control))
        return button->text();
    return QString();
}

// The width a control leaves its caption; 0 for a control without one.
int captionRoom(const QWidget* control) {
    if (qobject_cast<const QLabel*>(control))
        return control->contentsRect().width();
    QStyleOptionButton option;
    option.initFrom(control);
    if (qobject_cast<const QRadioButton*>(control))
        return control->style()
            ->subElementRect(QStyle::SE_RadioButtonContents, &option, control)
            .width();
    if (qobject_cast<const QPushButton*>(control))
        return control->style()
            ->subElementRect(QStyle::SE_PushButtonContents, &option, control)
            .width();
    return 0;
}

} // namespace

void fitCaptions(QWidget* parent) {
    for (QWidget* control : parent->findChildren<QWidget*>()) {
        const QString caption = captionOf(control);
        if (caption.isEmpty())
            continue;
        QFont font = control->font();
        while (QFontMetrics(font).horizontalAdvance(caption) > captionRoom(control) &&
               font.pointSizeF() - 0.5 >= kSmallestCaptionPoints)
            font.setPointSizeF(font.pointSizeF() - 0.5);
        if (font != control->font())
            control->setFont(font);
    }
}

void setPaintButton(QPushButton* cmdPaint, PaintButton state) {
    cmdPaint->setEnabled(state == PaintButton::Enabled);
}

QString displayProblem(const QByteArrayList& arguments, const DisplayEnvironment& environment) {
    QByteArray platform = environment.qpaPlatform;
    QByteArray display = environment.display;
    for (qsizetype i = 1; i + 1 < arguments.size(); ++i) {
        // Qt reads its own options with one dash or two.
        const QByteArray word = arguments[i].startsWith("--") ? arguments[i].mid(1) : arguments[i];
        if (word == "-platform")
            platform = arguments[i + 1];
        else if (word == "-display")
            display = arguments[i + 1];
    }
    const QString problem = QStringLiteral(
        "no display: the window needs an X11 or Wayland desktop (DISPLAY and WAYLAND_DISPLAY "
        "are not set); without one, start it as xvfb-run -a quillpix");
    if (platform.isEmpty())
        return display.isEmpty() && environment.waylandDisplay.isEmpty() ? problem : QString();
    // Qt tries the names in turn; any but X11 without a display may work.
    for (const QByteArray& name : platform.split(';'))
        if (name.split(':').value(0) != "xcb" || !display.isEmpty())
            return {};
    return problem;
}

} // namespace quillpix
