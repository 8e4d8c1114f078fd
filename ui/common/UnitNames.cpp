#include "ui/common/UnitNames.h"

#include <QSettings>
#include <QUrl>

#include <algorithm>

namespace {

constexpr char kGroup[] = "unitNames";

// A path holds slashes, which settings keys take for groups.
QString SettingsKey(const std::string& unitKey)
{
    return QString::fromLatin1(QUrl::toPercentEncoding(QString::fromStdString(unitKey)));
}

std::string UnitKeyOf(const QString& settingsKey)
{
    return QUrl::fromPercentEncoding(settingsKey.toLatin1()).toStdString();
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

std::vector<std::string> CUnitNames::KeysNamed(const QString& name) const
{
    QSettings settings;
    settings.beginGroup(QLatin1String(kGroup));
    std::vector<std::string> keys;
    for (const QString& key : settings.childKeys()) {
        if (settings.value(key).toString() == name)
            keys.push_back(UnitKeyOf(key));
    }
    return keys;
}

std::string CUnitNames::OtherUnitNamed(const std::string& unitKey, const QString& name) const
{
    const QString wanted = name.trimmed();
    QSettings settings;
    settings.beginGroup(QLatin1String(kGroup));
    for (const QString& key : settings.childKeys()) {
        const std::string other = UnitKeyOf(key);
        if (other != unitKey && settings.value(key).toString().compare(wanted, Qt::CaseInsensitive) == 0)
            return other;
    }
    return {};
}

std::vector<HidInterfaceInfo> UnitsKnownAs(const std::vector<HidInterfaceInfo>& units, const QString& unit)
{
    for (const HidInterfaceInfo& info : units) {
        if (IsKnownAs(info, unit.toStdString()))
            return {info};
    }
    const std::vector<std::string> keys = CUnitNames().KeysNamed(unit);
    std::vector<HidInterfaceInfo> named;
    for (const HidInterfaceInfo& info : units) {
        if (std::any_of(keys.begin(), keys.end(), [&info](const std::string& key) { return IsKnownAs(info, key); }))
            named.push_back(info);
    }
    return named;
}
