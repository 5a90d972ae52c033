#pragma once

#include <QString>
#include <QStringList>

class QVariant;

namespace quillpix::textfiles {

// The window's own settings that last from one start to the next (the folders opened last, an
// option a user turned on): quillpix.ini in the program folder, beside the list files, a plain
// INI file a user may read and edit. Nothing is kept in memory: every call reads or writes the
// file, so two parts of the window never hold different copies. A missing or unreadable file
// gives the fallbacks; a file that cannot be written keeps what it held, and the change says so.
//
// The settings are a few short lists, so a file larger than kLargestFile is damage: read whole on
// every call it would hold up the window. Such a file, and one that is not a plain file (a pipe
// would never end, a device never ends), reads as the fallbacks and is left as it is, never
// opened; the first change of a setting sets an oversized file aside as quillpix.ini.too-large
// and starts afresh.
class SettingsFile {
public:
    static constexpr qint64 kLargestFile = 1 << 20;

    explicit SettingsFile(const QString& programFolder);

    QString path() const { return m_path; }

    QStringList list(const QString& key) const;
    // False when the change could not be kept (the file is a folder, a pipe or a device, or
    // cannot be written); the file is then as it was.
    bool setList(const QString& key, const QStringList& values);
    bool flag(const QString& key, bool fallback = false) const;
    bool setFlag(const QString& key, bool on);

    // Why changes cannot be kept in the file, in words for the user; "" when they can, as far
    // as can be seen without writing.
    QString whyNotKept() const;

private:
    bool readable() const;
    bool readyToWrite();
    bool written(const QString& key, const QVariant& value);

    QString m_path;
};

// What the window says when a change of its settings could not be kept, naming the file and the
// reason; "" once it was said for that file in this run, so a user who cannot mend the file is
// told once, not at every change.
QString unkeptSettingsMessage(const SettingsFile& settings);

} // namespace quillpix::textfiles
