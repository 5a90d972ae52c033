#include "settingsfile.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QMutex>
#include <QSet>
#include <QSettings>

namespace quillpix::textfiles {

SettingsFile::SettingsFile(const QString& programFolder)
    : m_path(programFolder + QStringLiteral("/quillpix.ini")) {}

// A missing file reads as the fallbacks through QSettings too. Only a plain file is ever
// opened: the type is asked first, so a pipe or a device is never read.
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

QString SettingsFile::whyNotKept() const {
    const QFileInfo info(m_path);
    // A dangling link is neither there nor absent: writing would create its target elsewhere.
    if (!info.exists() && !info.isSymLink())
        return QFileInfo(info.absolutePath()).isWritable()
                   ? QString()
                   : QCoreApplication::translate("textfiles", "フォルダに書き込めません");
    if (info.isDir())
        return QCoreApplication::translate("textfiles", "同じ名前のフォルダがあります");
    if (!info.isFile())
        return QCoreApplication::translate("textfiles",
                                           "普通のファイルではありません（パイプや装置など）");
    if (!info.isWritable())
        return QCoreApplication::translate("textfiles", "書き込みが許されていません");
    return {};
}

bool SettingsFile::written(const QString& key, const QVariant& value) {
    if (!readyToWrite() || !whyNotKept().isEmpty())
        return false;
    QSettings settings(m_path, QSettings::IniFormat);
    settings.setValue(key, value);
    settings.sync();
    return settings.status() == QSettings::NoError;
}

QStringList SettingsFile::list(const QString& key) const {
    if (!readable())
        return {};
    return QSettings(m_path, QSettings::IniFormat).value(key).toStringList();
}

bool SettingsFile::setList(const QString& key, const QStringList& values) {
    return written(key, values);
}

bool SettingsFile::flag(const QString& key, bool fallback) const {
    if (!readable())
        return fallback;
    return QSettings(m_path, QSettings::IniFormat).value(key, fallback).toBool();
}

bool SettingsFile::setFlag(const QString& key, bool on) {
    return written(key, on);
}

QString unkeptSettingsMessage(const SettingsFile& settings) {
    static QMutex mutex;
    static QSet<QString> told;
    {
        const QMutexLocker lock(&mutex);
        if (told.contains(settings.path()))
            return {};
        told.insert(settings.path());
    }
    QString why = settings.whyNotKept();
    if (why.isEmpty())
        why = QCoreApplication::translate("textfiles", "書き込めませんでした");
    return QCoreApplication::translate("textfiles",
                                       "設定ファイルに書き込めないため、設定の変更を保存せずに"
                                       "続けます。変えた設定は次の起動では元に戻ります。\n"
                                       "%1\n(%2)")
        .arg(settings.path(), why);
}

} // namespace quillpix::textfiles
