#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>

#include <functional>
#include <optional>

class QTimer;

namespace quillpix {

// A result box's text that was not saved when the program ended without asking (a logout, a
// shutdown, a crash): the picture it belongs to and the text exactly as the box held it.
struct RecoveryCopy {
    QString folder;
    QString name; // the picture's file name; "" when no picture was chosen
    int page = -1;
    QString text;
    bool operator==(const RecoveryCopy&) const = default;
};

// The recovery file's bytes: a first line naming the format, the picture's folder, name and
// page (percent-encoded, so any file name fits on its line), a blank line and the text in
// UTF-8, every CR and LF as it was.
QByteArray recoveryBytes(const RecoveryCopy& copy);
// The copy in those bytes; none when they are not a recovery file (damaged, another format).
std::optional<RecoveryCopy> parseRecovery(const QByteArray& bytes);

// Keeps the recovery file beside the settings (quillpix.recovery in the program folder) while
// the box holds text not saved: written a moment after each pause in the editing, so a
// program killed outright loses little, written at once and to the disk on a stop signal, and
// removed when the text is saved or given up.
class RecoveryKeeper : public QObject {
    Q_OBJECT
public:
    static constexpr int kPauseMs = 2000;

    explicit RecoveryKeeper(const QString& programFolder, QObject* parent = nullptr);

    QString path() const { return m_path; }
    // What the copy is made of when it is written.
    void setSource(std::function<RecoveryCopy()> source) { m_source = std::move(source); }

    // The box's text changed while unsaved: written after the next pause.
    void textChanged();
    // Saved or given up: the copy goes.
    void discard();
    // Written now and synced: the program is about to end.
    void writeNow();
    // A copy left by an earlier run, if any, unless the user chose to keep it for the next
    // start (keepForNextStart()).
    std::optional<RecoveryCopy> left() const;
    // The earlier copy stays as it is for the next start: nothing is written over it this run.
    void keepForNextStart();

private:
    void write(bool synced);

    QString m_path;
    std::function<RecoveryCopy()> m_source;
    QTimer* m_pause = nullptr;
    bool m_kept = false;
};

} // namespace quillpix
