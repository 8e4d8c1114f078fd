// The settings document on disk.
#include "ui/settings/SettingsFile.h"

#include "ui/settings/BoundedFile.h"
#include "ui/settings/SettingsFileReasons.h"

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
    QByteArray json;
    const auto tooLarge = [&fileName](qint64 bytes) { return TooLarge(fileName, bytes); };
    return ReadBoundedFile(fileName, kMaxSettingsFileBytes, tooLarge, json, error) &&
           SettingsFromJson(json, out, error);
}
