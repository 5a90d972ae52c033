#include "resultmarks.h"

#include "doubt.h"
#include "widgets.h"

#include <QAction>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

namespace quillpix {
namespace {

// Amber, half transparent: the text keeps its own colour on light and dark backgrounds alike.
const QColor kMarkBackground(255, 176, 0, 110);

} // namespace

ResultMarks::ResultMarks(TextBox* box) : QObject(box), m_box(box) {
    connect(box->document(), &QTextDocument::contentsChange, this, &ResultMarks::contentsChanged);
    connect(box, &QPlainTextEdit::cursorPositionChanged, this, &ResultMarks::showCaretPlace);
    const auto action = [&](const char* name, const QString& caption, const QKeySequence& key,
                            void (ResultMarks::*slot)()) {
        auto* a = new QAction(caption, box);
        a->setObjectName(QString::fromLatin1(name));
        a->setShortcut(key);
        a->setShortcutContext(Qt::WidgetShortcut);
        connect(a, &QAction::triggered, this, slot);
        box->addAction(a);
        return a;
    };
    m_next = action("actNextMark", QCoreApplication::translate("resulttext", "次の要確認の文字"),
                    QKeySequence(Qt::Key_F8), &ResultMarks::goToNext);
    m_previous =
        action("actPreviousMark", QCoreApplication::translate("resulttext", "前の要確認の文字"),
               QKeySequence(Qt::SHIFT | Qt::Key_F8), &ResultMarks::goToPrevious);
    m_accept =
        action("actAcceptMark", QCoreApplication::translate("resulttext", "この文字で正しい"),
               QKeySequence(Qt::CTRL | Qt::Key_F8), &ResultMarks::acceptAtCaret);
    box->installEventFilter(this);
    m_count = new QLabel(box->viewport());
    m_count->setObjectName(QStringLiteral("lblMarks"));
    m_count->setAttribute(Qt::WA_TransparentForMouseEvents);
    m_count->setAutoFillBackground(true);
    m_count->hide();
}

bool ResultMarks::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_box && event->type() == QEvent::KeyPress) {
        const QKeySequence key(static_cast<QKeyEvent*>(event)->keyCombination());
        // The menu by key, at the caret, where a keyboard has no menu key.
        if (key == QKeySequence(Qt::SHIFT | Qt::Key_F10)) {
            emit m_box->customContextMenuRequested(m_box->cursorRect().center());
            return true;
        }
        for (QAction* action : {m_next, m_previous, m_accept})
            if (key == action->shortcut()) {
                action->trigger();
                return true;
            }
    }
    return QObject::eventFilter(watched, event);
}

void ResultMarks::addReading(const QString& stored, qsizetype from, const QString& text,
                             const QList<enginelayout::Line>& lines) {
    // Setting the box's text took the marks' colours off: they come back whatever was read.
    if (!lines.isEmpty()) {
        QList<textplacing::PlacedCharacter> characters = textplacing::placeCharacters(lines, text);
        textplacing::markDoubtful(characters);
        m_places.addReading(stored, from, characters, lines);
    }
    refresh();
}

void ResultMarks::setPlaces(const textplacing::BoxPlaces& places) {
    m_places = places;
    refresh();
}

void ResultMarks::contentsChanged(int position, int removed, int added) {
    // The program's own setting of the text comes with the places it has.
    if (m_box->settingText() || m_places.isEmpty())
        return;
    m_places.edited(position, removed, added);
    refresh();
}

void ResultMarks::refresh() {
    QList<QTextEdit::ExtraSelection> shown;
    QTextDocument* document = m_box->document();
    for (const textplacing::Place& place : m_places.places()) {
        if (!place.doubtful)
            continue;
        QTextEdit::ExtraSelection mark;
        mark.cursor = QTextCursor(document);
        mark.cursor.setPosition(int(place.at));
        mark.cursor.movePosition(QTextCursor::NextCharacter, QTextCursor::KeepAnchor);
        mark.format.setBackground(kMarkBackground);
        shown << mark;
    }
    m_box->setExtraSelections(shown);
    const int marks = int(shown.size());
    if (marks != m_shownMarks) {
        m_shownMarks = marks;
        m_count->setText(QCoreApplication::translate("resulttext", "要確認 %1").arg(marks));
        m_count->adjustSize();
        m_count->move(m_box->viewport()->width() - m_count->width() - 2, 2);
        m_count->setVisible(marks > 0);
        emit marksChanged(marks);
    }
    m_shownBox = QRect(-1, -1, 0, 0);
    showCaretPlace();
}

qsizetype ResultMarks::caretCharacter() const {
    const QTextCursor cursor = m_box->textCursor();
    if (cursor.hasSelection())
        return cursor.selectionStart();
    const qsizetype at = cursor.position();
    if (!m_places.placeAt(at) && at > 0 && m_places.placeAt(at - 1))
        return at - 1;
    return at;
}

void ResultMarks::showCaretPlace() {
    const textplacing::Place* place = m_places.placeAt(caretCharacter());
    const QRect box = place ? place->box : QRect();
    if (box == m_shownBox)
        return;
    m_shownBox = box;
    QList<QRect> marked;
    for (const textplacing::Place& p : m_places.places())
        if (p.doubtful && !p.box.isEmpty())
            marked << p.box;
    emit placeShown(box, marked);
}

void ResultMarks::select(qsizetype position) {
    QTextCursor cursor(m_box->document());
    cursor.setPosition(int(position));
    cursor.movePosition(QTextCursor::NextCharacter, QTextCursor::KeepAnchor);
    m_box->setTextCursor(cursor);
    m_box->ensureCursorVisible();
}

void ResultMarks::goToNext() {
    const QTextCursor cursor = m_box->textCursor();
    // A mark just after the caret is the next one; a selected one is passed.
    const qsizetype from = cursor.hasSelection() ? cursor.selectionStart() : cursor.position() - 1;
    if (const qsizetype at = m_places.nextMark(from); at >= 0)
        select(at);
}

void ResultMarks::goToPrevious() {
    const QTextCursor cursor = m_box->textCursor();
    if (const qsizetype at = m_places.previousMark(cursor.hasSelection() ? cursor.selectionStart()
                                                                         : cursor.position());
        at >= 0)
        select(at);
}

void ResultMarks::acceptAtCaret() {
    if (m_places.accept(caretCharacter())) {
        refresh();
        emit accepted();
        goToNext();
    }
}

bool ResultMarks::goToPoint(QPoint point) {
    const qsizetype at = m_places.atPoint(point);
    if (at < 0)
        return false;
    select(at);
    m_box->setFocus();
    return true;
}

void ResultMarks::replaceAt(qsizetype position, const QString& text) {
    const textplacing::Place* place = m_places.placeAt(position);
    if (!place || m_box->isReadOnly())
        return;
    textplacing::Place checked = *place;
    checked.doubtful = false;
    QTextCursor cursor(m_box->document());
    cursor.setPosition(int(position));
    cursor.movePosition(QTextCursor::NextCharacter, QTextCursor::KeepAnchor);
    cursor.insertText(text);
    // The character chosen stands where the engine read: it keeps that place, checked. Its
    // first position does; a choice of two characters lengthens the text after it.
    m_places.put(checked);
    select(position);
    refresh();
    emit accepted();
}

void ResultMarks::addToMenu(QMenu* menu, const QPoint& position) {
    // The character under the pointer: the cursor nearest to it stands after the character when
    // the pointer is on its second half.
    const QTextCursor nearest = m_box->cursorForPosition(position);
    qsizetype character = nearest.position();
    if (character > 0 && position.x() < m_box->cursorRect(nearest).x())
        --character;
    if (!m_places.placeAt(character))
        character = m_places.placeAt(caretCharacter()) ? caretCharacter() : -1;
    const textplacing::Place* place = character >= 0 ? m_places.placeAt(character) : nullptr;
    if (!place)
        return;
    QAction* first = menu->actions().value(0);
    QTextCursor cursor(m_box->document());
    cursor.setPosition(int(character));
    cursor.movePosition(QTextCursor::NextCharacter, QTextCursor::KeepAnchor);
    const QString current = cursor.selectedText();
    const QStringList choices = m_alternatives ? m_alternatives(*place, current) : QStringList();
    for (const QString& choice : choices) {
        if (choice == current)
            continue;
        auto* a = new QAction(QCoreApplication::translate("resulttext", "「%1」にする").arg(choice),
                              menu);
        connect(a, &QAction::triggered, this,
                [this, character, choice] { replaceAt(character, choice); });
        menu->insertAction(first, a);
    }
    if (place->doubtful) {
        auto* accept = new QAction(m_accept->text(), menu);
        connect(accept, &QAction::triggered, this, [this, character] {
            select(character);
            acceptAtCaret();
        });
        menu->insertAction(first, accept);
    }
    menu->insertSeparator(first);
}

} // namespace quillpix
