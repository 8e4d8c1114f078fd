#include "ui/common/UnitNames.h"

#include <QSettings>
#include <QUrl>

namespace {

constexpr char kGroup[] = "unitNames";

// A path holds slashes, which settings keys take for groups.
QString SettingsKey(const std::string& unitKey)
{
    return QString::fromLatin1(QUrl::toPercentEncoding(QString::fromStdString(unitKey)));
}

}  // namespace

QString CUnitNames::Name(const std::string& unitKey) const
{
    QSettings settings;
    settings.beginGroup(QLatin1String(kGroup));
    return settings.value(SettingsKey(unitKey)).toString();
}

void CUnitNames::SetName(const std::string& unitKey, const QString& name)
{
    QSettings settings;
    settings.beginGroup(QLatin1String(kGroup));
    if (name.trimmed().isEmpty())
        settings.remove(SettingsKey(unitKey));
    else
        settings.setValue(SettingsKey(unitKey), name.trimmed());
}

std::string CUnitNames::KeyNamed(const QString& name) const
{
    QSettings settings;
    settings.beginGroup(QLatin1String(kGroup));
    for (const QString& key : settings.childKeys()) {
        if (settings.value(key).toString() == name)
            return QUrl::fromPercentEncoding(key.toLatin1()).toStdString();
    }
    return {};
}
