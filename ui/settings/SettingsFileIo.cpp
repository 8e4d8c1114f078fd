// The settings document on disk.
#include "ui/settings/SettingsFile.h"

#include "ui/settings/SettingsFileReasons.h"

#include <QFile>
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
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly)) {
        error = CannotOpen(fileName, file.errorString());
        return false;
    }
    const QByteArray json = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        error = CannotOpen(fileName, file.errorString());
        return false;
    }
    return SettingsFromJson(json, out, error);
}
