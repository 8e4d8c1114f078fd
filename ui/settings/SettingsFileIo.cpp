// The settings document on disk.
#include "ui/settings/SettingsFile.h"

#include "ui/settings/SettingsFileReasons.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

using namespace settings_file;

bool WriteSettingsFile(const QString& fileName, const SettingsFile& settings, SettingsError& error)
{
    const QByteArray json = SettingsToJson(settings);
    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly)) {
        error = CannotWrite(fileName, file.errorString());
        return false;
    }
    if (file.write(json) != json.size() || !file.commit()) {
        error = CannotWrite(fileName, file.errorString());
        return false;
    }
    return true;
}

bool ReadSettingsFile(const QString& fileName, SettingsFile& out, SettingsError& error)
{
    const QFileInfo info(fileName);
    if (info.exists() && !info.isFile()) {
        error = NotRegularFile(fileName);
        return false;
    }
    if (info.size() > kMaxSettingsFileBytes) {
        error = TooLarge(fileName, info.size());
        return false;
    }
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly)) {
        error = CannotOpen(fileName, file.errorString());
        return false;
    }
    // a file that grew since it was looked at is still read no further than the bound
    const QByteArray json = file.read(kMaxSettingsFileBytes + 1);
    if (file.error() != QFileDevice::NoError) {
        error = CannotOpen(fileName, file.errorString());
        return false;
    }
    if (json.size() > kMaxSettingsFileBytes) {
        error = TooLarge(fileName, json.size());
        return false;
    }
    return SettingsFromJson(json, out, error);
}
