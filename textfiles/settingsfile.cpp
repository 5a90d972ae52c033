#include "settingsfile.h"

#include <QSettings>

namespace quillpix::textfiles {

SettingsFile::SettingsFile(const QString& programFolder)
    : m_path(programFolder + QStringLiteral("/quillpix.ini")) {}

QStringList SettingsFile::list(const QString& key) const {
    return QSettings(m_path, QSettings::IniFormat).value(key).toStringList();
}

void SettingsFile::setList(const QString& key, const QStringList& values) {
    QSettings settings(m_path, QSettings::IniFormat);
    settings.setValue(key, values);
}

bool SettingsFile::flag(const QString& key, bool fallback) const {
    return QSettings(m_path, QSettings::IniFormat).value(key, fallback).toBool();
}

void SettingsFile::setFlag(const QString& key, bool on) {
    QSettings settings(m_path, QSettings::IniFormat);
    settings.setValue(key, on);
}

} // namespace quillpix::textfiles
