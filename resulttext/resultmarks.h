#pragma once

#include "boxplaces.h"
#include "lines.h"

#include <QObject>
#include <QRect>
#include <QString>

#include <functional>

class QAction;
class QLabel;
class QMenu;

namespace quillpix {

class TextBox;

// The result box's characters tied to their places on the picture, and the marks on those the
// user should check: shown in the box, walked with F8 and Shift+F8, accepted or replaced by an
// alternative; the caret's character framed on the picture. The places follow the user's edits;
// a character typed over loses its place and its mark.
class ResultMarks : public QObject {
    Q_OBJECT
public:
    // Asked for the engine's other choices for a character, on demand: its place and its text;
    // best first, none when the engine has none.
    using Alternatives = std::function<QStringList(const textplacing::Place&, const QString&)>;

    explicit ResultMarks(TextBox* box);

    // A run's text was appended to the box, whose stored text is now stored, at index from.
    void addReading(const QString& stored, qsizetype from, const QString& text,
                    const QList<enginelayout::Line>& lines);
    // The places the box's text has now (after setText: a saved result's, those put back by
    // undo, none).
    void setPlaces(const textplacing::BoxPlaces& places);
    const textplacing::BoxPlaces& places() const { return m_places; }
    void setAlternatives(Alternatives alternatives) { m_alternatives = std::move(alternatives); }

    // Puts the caret on the next or previous marked character, selected so that typing
    // replaces it; round the end.
    void goToNext();
    void goToPrevious();
    // The character at the caret is right as it stands: its mark goes.
    void acceptAtCaret();
    // The caret goes to the character read at point on the picture; false when none was.
    bool goToPoint(QPoint point);
    // What the box's menu adds at position (the alternatives of a marked character, accepting
    // it), before the editor's own entries.
    void addToMenu(QMenu* menu, const QPoint& position);

Q_SIGNALS:
    // How many marks are left.
    void marksChanged(int marks);
    // The user accepted a mark or replaced its character by an alternative.
    void accepted();
    // The caret's character lies at box on the picture (empty: nowhere known); marked are the
    // boxes of the marked characters.
    void placeShown(const QRect& box, const QList<QRect>& marked);

protected:
    // The keys reach the box even where the window's shortcuts do not (a window not active).
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void contentsChanged(int position, int removed, int added);
    void refresh();
    void showCaretPlace();
    void select(qsizetype position);
    // The caret's character: the one selected, after the caret, or just before it.
    qsizetype caretCharacter() const;
    void replaceAt(qsizetype position, const QString& text);

    TextBox* m_box;
    textplacing::BoxPlaces m_places;
    Alternatives m_alternatives;
    QAction* m_next = nullptr;
    QAction* m_previous = nullptr;
    QAction* m_accept = nullptr;
    QLabel* m_count = nullptr; // how many marks are left, in the box's corner
    QRect m_shownBox;
    int m_shownMarks = -1;
};

} // namespace quillpix
