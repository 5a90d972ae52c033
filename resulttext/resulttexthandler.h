#pragma once

#include "controls.h"
#include "selectionstate.h"

#include <QObject>

namespace quillpix {

class Platform;

// Undo, clear, save and open of the result text.
class ResultTextHandler : public QObject {
    Q_OBJECT
public:
    ResultTextHandler(Controls& controls, SelectionState& state, Platform& platform,
                      const Folders& folders);

    // Empties the command line and the result box; the undo text stays.
    void clear();
    // Puts back the result text from before the last run; one level only.
    void undo();
    // Writes the result box beside the chosen picture as its saved result file.
    void save();
    // Hands the chosen picture's saved result file to the system's text application.
    void openSavedFile();

private:
    void resultChanged();

    Controls& m_c;
    SelectionState& m_state;
    Platform& m_platform;
    const Folders& m_folders;
};

} // namespace quillpix
