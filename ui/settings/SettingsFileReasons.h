// Paths and the reasons of a refused settings file, in the interface language
// (internal to the settings-file module).
#pragma once

#include "ui/settings/SettingsFile.h"

#include <QJsonValue>
#include <QString>

namespace settings_file {

// "a.b" and "a[3]"; a key below the empty path is the key itself.
QString ChildPath(const QString& path, const QString& key);
QString IndexPath(const QString& path, qsizetype index);

// A JSON value as it appears in the file, in one line: "off", 12.5, true.
QString JsonText(const QJsonValue& value);
// A number as the file writes it (shortest form), and with a fixed number of decimals.
QString NumberText(double value);
QString FixedText(double value, int decimals);

// What the file may hold somewhere.
QString ExpectedNumber();
QString ExpectedString();
QString ExpectedObject();
QString ExpectedArray();
QString ExpectedBool();
// "a number or "off"", or "2 or 4 or 6" from the pieces given.
QString Alternatives(QStringList jsonTexts, bool number);

SettingsError NotJson(const QString& parserText, int offset);
SettingsError MissingField(const QString& path);
SettingsError UnknownField(const QString& path);
SettingsError WrongType(const QString& path, const QString& expected, const QJsonValue& found);
SettingsError NotExpectedValue(const QString& path, const QString& expected, const QJsonValue& found);
SettingsError UnsupportedVersion(const QString& path, const QJsonValue& found);
SettingsError OutOfRange(const QString& path, const QString& value, const QString& low, const QString& high);
SettingsError NotWhole(const QString& path, const QJsonValue& found);
SettingsError OffGrid(const QString& path, const QJsonValue& found, const QString& step);
SettingsError NotOneOf(const QString& path, const QJsonValue& found, const QStringList& choices);
SettingsError WrongCount(const QString& path, qsizetype expected, qsizetype found);
SettingsError DuplicatePreset(const QString& path, int number);
SettingsError NameDiffers(const QString& path, const QString& name, const QString& listPath, const QString& listed);
SettingsError NameNotGbk(const QString& path, const QString& name);
SettingsError NameTooLong(const QString& path, const QString& name, qsizetype bytes);
SettingsError NameHasControl(const QString& path, const QString& name);
SettingsError BypassWithoutFlatGains(const QString& path);
SettingsError FlatGainsWithoutBypass(const QString& path);
SettingsError RestoreWithoutBypass(const QString& path);
SettingsError NotHexWord(const QString& path, const QJsonValue& found);
SettingsError NotDateTime(const QString& path, const QJsonValue& found);
SettingsError CannotOpen(const QString& fileName, const QString& systemText);
SettingsError NotRegularFile(const QString& fileName);
SettingsError TooLarge(const QString& fileName, qint64 bytes);
SettingsError CannotWrite(const QString& fileName, const QString& systemText);

}  // namespace settings_file
