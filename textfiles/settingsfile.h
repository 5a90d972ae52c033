#pragma once

#include <QString>
#include <QStringList>

namespace quillpix::textfiles {

// The window's own settings that last from one start to the next (the folders opened last, an
// option a user turned on): quillpix.ini in the program folder, beside the list files, a plain
// INI file a user may read and edit. Nothing is kept in memory: every call reads or writes the
// file, so two parts of the window never hold different copies. A missing or unreadable file
// gives the fallbacks; a file that cannot be written keeps what it held.
//
// The settings are a few short lists, so a file larger than kLargestFile is damage: read whole on
// every call it would hold up the window. Such a file, and one that is not a plain file (a pipe
// would never end), reads as the fallbacks and is left as it is; the first change of a setting
// sets an oversized file aside as quillpix.ini.too-large and starts afresh.
class SettingsFile {
public:
    static constexpr qint64 kLargestFile = 1 << 20;

    explicit SettingsFile(const QString& programFolder);

    QString path() const { return m_path; }

    QStringList list(const QString& key) const;
    void setList(const QString& key, const QStringList& values);
    bool flag(const QString& key, bool fallback = false) const;
    void setFlag(const QString& key, bool on);

private:
    bool readable() const;
    bool readyToWrite();

    QString m_path;
};

} // namespace quillpix::textfiles
