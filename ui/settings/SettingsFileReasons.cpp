#include "ui/settings/SettingsFileReasons.h"

#include <QCoreApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QLocale>
#include <QStringList>

namespace settings_file {

namespace {

// The reasons are translated in the settings file's context.
class Words {
    Q_DECLARE_TR_FUNCTIONS(SettingsFile)
};

SettingsError Refusal(const QString& path, const QString& reason)
{
    return SettingsError{path, reason};
}

// Arrays and objects are named by their kind, not spelled out (they may be long).
QString Found(const QJsonValue& value)
{
    if (value.isArray())
        return ExpectedArray();
    if (value.isObject())
        return ExpectedObject();
    return JsonText(value);
}

}  // namespace

QString ChildPath(const QString& path, const QString& key)
{
    return path.isEmpty() ? key : path + u'.' + key;
}

QString IndexPath(const QString& path, qsizetype index)
{
    return path + u'[' + QString::number(index) + u']';
}

QString JsonText(const QJsonValue& value)
{
    const QByteArray json = QJsonDocument(QJsonArray{value}).toJson(QJsonDocument::Compact);
    return QString::fromUtf8(json.mid(1, json.size() - 2));
}

QString NumberText(double value)
{
    return QString::number(value, 'g', QLocale::FloatingPointShortest);
}

QString FixedText(double value, int decimals)
{
    return QString::number(value, 'f', decimals);
}

QString ExpectedNumber() { return Words::tr("a number"); }
QString ExpectedString() { return Words::tr("a string"); }
QString ExpectedObject() { return Words::tr("an object"); }
QString ExpectedArray() { return Words::tr("an array"); }
QString ExpectedBool() { return Words::tr("true or false"); }

QString Alternatives(QStringList jsonTexts, bool number)
{
    if (number)
        jsonTexts.prepend(ExpectedNumber());
    return jsonTexts.join(Words::tr(" or "));
}

SettingsError NotJson(const QString& parserText, int offset)
{
    return Refusal(QString(), Words::tr("not valid JSON: %1 at offset %2").arg(parserText).arg(offset));
}

SettingsError MissingField(const QString& path)
{
    return Refusal(path, Words::tr("missing"));
}

SettingsError UnknownField(const QString& path)
{
    return Refusal(path, Words::tr("unknown field"));
}

SettingsError WrongType(const QString& path, const QString& expected, const QJsonValue& found)
{
    return Refusal(path, Words::tr("expected %1, found %2", "a kind of value").arg(expected, Found(found)));
}

SettingsError NotExpectedValue(const QString& path, const QString& expected, const QJsonValue& found)
{
    return Refusal(path, Words::tr("expected %1, found %2", "a value as the file writes it").arg(expected, Found(found)));
}

SettingsError UnsupportedVersion(const QString& path, const QJsonValue& found)
{
    return Refusal(path, Words::tr("version %1 is not supported (this program reads version %2)")
                             .arg(JsonText(found), QString::number(kSettingsFormatVersion)));
}

SettingsError OutOfRange(const QString& path, const QString& value, const QString& low, const QString& high)
{
    return Refusal(path, Words::tr("%1 is outside %2..%3").arg(value, low, high));
}

SettingsError NotWhole(const QString& path, const QJsonValue& found)
{
    return Refusal(path, Words::tr("%1 is not a whole number").arg(JsonText(found)));
}

SettingsError OffGrid(const QString& path, const QJsonValue& found, const QString& step)
{
    return Refusal(path, Words::tr("%1 is not a multiple of %2").arg(JsonText(found), step));
}

SettingsError NotOneOf(const QString& path, const QJsonValue& found, const QStringList& choices)
{
    return Refusal(path, Words::tr("%1 is not one of %2").arg(JsonText(found), choices.join(QStringLiteral(", "))));
}

SettingsError WrongCount(const QString& path, qsizetype expected, qsizetype found)
{
    return Refusal(path, Words::tr("expected %1 entries, found %2").arg(expected).arg(found));
}

SettingsError DuplicatePreset(const QString& path, int number)
{
    return Refusal(path, Words::tr("preset %1 appears twice").arg(number));
}

SettingsError NameDiffers(const QString& path, const QString& name, const QString& listPath, const QString& listed)
{
    return Refusal(path, Words::tr("%1 differs from %2 %3").arg(JsonText(name), listPath, JsonText(listed)));
}

SettingsError NameNotGbk(const QString& path, const QString& name)
{
    return Refusal(path, Words::tr("%1 has characters that GBK cannot hold").arg(JsonText(name)));
}

SettingsError NameTooLong(const QString& path, const QString& name, qsizetype bytes)
{
    return Refusal(path, Words::tr("%1 takes %2 GBK bytes, at most 15").arg(JsonText(name)).arg(bytes));
}

SettingsError NameHasControl(const QString& path, const QString& name)
{
    return Refusal(path, Words::tr("%1 contains a control character").arg(JsonText(name)));
}

SettingsError BypassWithoutFlatGains(const QString& path)
{
    return Refusal(path, Words::tr("true, but not all 12 band gains are 0 dB"));
}

SettingsError FlatGainsWithoutBypass(const QString& path)
{
    return Refusal(path, Words::tr("false, but all 12 band gains are 0 dB"));
}

SettingsError RestoreWithoutBypass(const QString& path)
{
    return Refusal(path, Words::tr("present while peqBypass is false"));
}

SettingsError NotHexWord(const QString& path, const QJsonValue& found)
{
    return Refusal(path, Words::tr("%1 is not a hexadecimal word such as \"0x0483\"").arg(JsonText(found)));
}

SettingsError NotDateTime(const QString& path, const QJsonValue& found)
{
    return Refusal(path, Words::tr("%1 is not an ISO 8601 date and time in the years 1..9999 (UTC)")
                             .arg(JsonText(found)));
}

SettingsError CannotOpen(const QString& fileName, const QString& systemText)
{
    return Refusal(fileName, Words::tr("cannot open the file: %1").arg(systemText));
}

SettingsError NotRegularFile(const QString& fileName)
{
    return Refusal(fileName, Words::tr("not a regular file"));
}

SettingsError TooLarge(const QString& fileName, qint64 bytes)
{
    const QLocale c = QLocale::c();
    return Refusal(fileName, Words::tr("%1 is larger than a settings file can be (at most %2)")
                                 .arg(c.formattedDataSize(bytes, 1, QLocale::DataSizeSIFormat),
                                      c.formattedDataSize(kMaxSettingsFileBytes, 0, QLocale::DataSizeSIFormat)));
}

SettingsError CannotWrite(const QString& fileName, const QString& systemText)
{
    return Refusal(fileName, Words::tr("cannot write the file: %1").arg(systemText));
}

}  // namespace settings_file

QString SettingsError::Text() const
{
    if (path.isEmpty())
        return reason;
    return settings_file::Words::tr("%1: %2", "the path in the file, then what is wrong there").arg(path, reason);
}
