#pragma once

#include <QString>
#include <QStringList>

namespace quillpix::textfiles {

// The window's own settings that last from one start to the next (the folders opened last, an
// option a user turned on): quillpix.ini in the program folder, beside the list files, a plain
// INI file a user may read and edit. Nothing is kept in memory: every call reads or writes the
// file, so two parts of the window never hold different copies. A missing or unreadable file
// gives the fallbacks; a file that cannot be written keeps what it held.
class SettingsFile {
public:
    explicit SettingsFile(const QString& programFolder);

    QString path() const { return m_path; }

    QStringList list(const QString& key) const;
    void setList(const QString& key, const QStringList& values);
    bool flag(const QString& key, bool fallback = false) const;
    void setFlag(const QString& key, bool on);

private:
    QString m_path;
};

} // namespace quillpix::textfiles
