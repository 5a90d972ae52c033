#pragma once

#include "boxplaces.h"
#include "display.h"
#include "resultbox.h"

#include "settingsfile.h"
#include "textfiles.h"

#include <QObject>

#include <functional>
#include <optional>

class QAction;
class QMenu;
class QPushButton;

namespace quillpix {

class Platform;
class ResultMarks;
class TextBox;

// The controls the result text owns.
struct ResultTextControls {
    QWidget* window = nullptr;
    TextBox* txtResult = nullptr;
    QPushButton* cmdUndo = nullptr;
    QPushButton* cmdClear = nullptr;
    QPushButton* cmdSaveText = nullptr;
    QPushButton* cmdOpenTextFile = nullptr;
};

// The result box: undo, clear, save and open of the result text, and whether the text holds
// edits or a run's reading not yet saved, which the user is asked about before they would go.
class ResultTextHandler : public QObject, public resulttext::ResultBox, public viewer::LeaveCheck {
    Q_OBJECT
public:
    // The box's own settings (the clean-up's Latin spacing) are kept in settingsFolder's
    // settings file.
    ResultTextHandler(const ResultTextControls& controls, const viewer::FileChoice& files,
                      Platform& platform, const QString& soundFolder,
                      const QString& settingsFolder);

    // Empties the result box, after whoever listens to cleared() emptied theirs; the undo text
    // stays.
    void clear();
    // Puts back the result text from before the last run; one level only.
    void undo();
    // Writes the result box beside the chosen picture as its saved result file, in
    // saveEncoding() (UTF-8 for a file in UTF-8 already); false when it could not (told to the
    // user) or the user cancelled. Characters Shift-JIS lacks are asked about before writing.
    bool save();
    // 名前を付けて保存: writes the result box to a file the user names, in Shift-JIS (CR LF) or
    // UTF-8 (LF), by the same rules as save(). A copy: 保存 still writes beside the picture, in
    // that file's encoding; only when the name chosen is the picture's own result is the box saved.
    // False when nothing was written (cancelled, or told to the user).
    bool saveAs();
    // Hands the chosen picture's saved result file to the system's text application.
    void openSavedFile();

    // Another folder is shown: the box is emptied. The text undo would put back belongs to
    // another picture, so there is nothing to undo after this or a picture choice.
    void clearText();
    // A text kept from a run that ended without saving it fills the box, not saved yet.
    void restore(const QString& text);
    // A picture was chosen: its saved result, if any, fills the box.
    void showSavedResult(const QString& text, bool hasSavedText);

    // The saved result of the chosen picture may have been written by someone else (the
    // folder batch): 開く follows whether it is there, and a box without edits of its own shows
    // what the file now holds.
    void refreshSavedFileState();

    // Joins the lines of each paragraph of the selected text, or of the whole text when none is
    // selected (pipeline's reflow), as one edit that the box's own undo (Ctrl+Z) takes back.
    void joinParagraphs();
    // The clean-up of later runs keeps Latin text's spaces and periods; remembered across starts.
    void setKeepLatinSpaces(bool keep);
    // What 保存 writes a result in, as chosen on the box's menu and remembered across starts:
    // Shift-JIS with CR LF at first, or UTF-8 with LF. A result already in UTF-8 stays so.
    textfiles::TextEncoding saveEncoding() const;

    // The box's context menu: the editor's own entries, then the two above.
    QMenu* contextMenu(const QPoint& position);

    void rememberForUndo() override;
    void append(const QString& text, const QList<enginelayout::Line>& lines = {}) override;
    void focus() override;
    cleanup::LatinSpacing latinSpacing() const override;

    const QString& undoText() const { return m_undoText; }
    // The characters' places and marks.
    ResultMarks& marks() { return *m_marks; }
    // The size of the picture on show, for an hOCR page of the box.
    void setPictureSize(std::function<QSize()> size) { m_pictureSize = std::move(size); }

    // Whether the box holds text typed, read by a run, put back or cleared since it was last
    // loaded or saved.
    bool unsaved() const { return m_unsaved; }
    // Text not yet saved: the user saves it (as 保存 does), gives it up, or stays. True when it
    // may go; nothing is asked when nothing would be lost.
    bool mayLeave() override;

Q_SIGNALS:
    // "クリア" was pressed; the command line empties with the box.
    void clearing();
    // 保存 wrote the result of this picture or page (page from 0, -1 for a picture): what is
    // made of the results (a document's text) may follow.
    void resultSaved(const QString& folder, const QString& fileName, int page);
    // unsaved() changed.
    void unsavedChanged(bool unsaved);
    // Ctrl+V in the box while the clipboard holds a picture and no text: the picture is for
    // the viewer, as the window's own paste takes it.
    void picturePasteRequested();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void resultChanged();
    // A short notice naming the characters of a run's text that Shift-JIS lacks, and their
    // lines in the box.
    void tellUnrepresentable(const QString& before, const QString& appended);
    // The encoding the box is written in at path: the one given, unless it is Shift-JIS and the
    // box holds characters Shift-JIS lacks; then the user chooses UTF-8 or "?" in their place,
    // or nothing (cancelled) is written.
    std::optional<textfiles::TextEncoding> encodingToWrite(const QString& path,
                                                           textfiles::TextEncoding encoding);
    // A checkable entry of the box's menu whose choice the settings file keeps under key.
    QAction* keptChoice(const QString& caption, const QString& name, const QString& key);
    void writeResult(const QString& path, textfiles::TextEncoding encoding);
    // The box's places beside the result just written at resultPath, by the same safe write;
    // a file of places that would no longer fit the result goes. Told, never thrown: the text
    // is saved.
    void writePlaces(const QString& resultPath);
    // The places kept beside the chosen picture's result, for its text as loaded.
    textplacing::BoxPlaces keptPlaces(const QString& text) const;
    void forgetUndo();
    void setUnsaved(bool unsaved);

    ResultTextControls m_c;
    const viewer::FileChoice& m_files;
    Platform& m_platform;
    // The folder whose wav/ holds the sounds.
    QString m_soundFolder;
    // The result text as it was when the last run started, and its places.
    QString m_undoText;
    textplacing::BoxPlaces m_undoPlaces;
    ResultMarks* m_marks = nullptr;
    std::function<QSize()> m_pictureSize;
    textfiles::SettingsFile m_settings;
    QAction* m_joinParagraphs = nullptr;
    QAction* m_keepLatinSpaces = nullptr;
    QAction* m_saveAs = nullptr;
    QAction* m_saveUtf8 = nullptr;
    bool m_unsaved = false;
};

} // namespace quillpix
