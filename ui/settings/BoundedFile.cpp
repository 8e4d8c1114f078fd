#include "ui/settings/BoundedFile.h"

#include "ui/settings/SettingsFileReasons.h"

#include <QFile>
#include <QFileInfo>

bool ReadBoundedFile(const QString& fileName, qint64 maxBytes, const TooLargeError& tooLarge, QByteArray& bytes,
                     SettingsError& error)
{
    const QFileInfo info(fileName);
    if (info.exists() && !info.isFile()) {
        error = settings_file::NotRegularFile(fileName);
        return false;
    }
    if (info.size() > maxBytes) {
        error = tooLarge(info.size());
        return false;
    }
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly)) {
        error = settings_file::CannotOpen(fileName, file.errorString());
        return false;
    }
    // a file that grew since it was looked at is still read no further than the bound
    bytes = file.read(maxBytes + 1);
    if (file.error() != QFileDevice::NoError) {
        error = settings_file::CannotOpen(fileName, file.errorString());
        return false;
    }
    if (bytes.size() > maxBytes) {
        error = tooLarge(bytes.size());
        return false;
    }
    return true;
}
