#include "settingsfile.h"

#include <QFile>
#include <QFileInfo>
#include <QSettings>

namespace quillpix::textfiles {

SettingsFile::SettingsFile(const QString& programFolder)
    : m_path(programFolder + QStringLiteral("/quillpix.ini")) {}

// A missing file reads as the fallbacks through QSettings too.
bool SettingsFile::readable() const {
    const QFileInfo info(m_path);
    return !info.exists() || (info.isFile() && info.size() <= kLargestFile);
}

// An oversized file goes aside first, so nothing of it is lost and none of it is read.
bool SettingsFile::readyToWrite() {
    const QFileInfo info(m_path);
    if (!info.exists() || readable())
        return true;
    if (!info.isFile())
        return false;
    const QString aside = m_path + QStringLiteral(".too-large");
    QFile::remove(aside);
    return QFile::rename(m_path, aside);
}

QStringList SettingsFile::list(const QString& key) const {
    if (!readable())
        return {};
    return QSettings(m_path, QSettings::IniFormat).value(key).toStringList();
}

void SettingsFile::setList(const QString& key, const QStringList& values) {
    if (!readyToWrite())
        return;
    QSettings settings(m_path, QSettings::IniFormat);
    settings.setValue(key, values);
}

bool SettingsFile::flag(const QString& key, bool fallback) const {
    if (!readable())
        return fallback;
    return QSettings(m_path, QSettings::IniFormat).value(key, fallback).toBool();
}

void SettingsFile::setFlag(const QString& key, bool on) {
    if (!readyToWrite())
        return;
    QSettings settings(m_path, QSettings::IniFormat);
    settings.setValue(key, on);
}

} // namespace quillpix::textfiles
