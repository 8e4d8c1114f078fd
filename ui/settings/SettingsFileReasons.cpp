#include "ui/settings/SettingsFileReasons.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QLocale>
#include <QStringList>

namespace settings_file {

namespace {

SettingsError Refusal(const QString& path, const QString& english, const QString& chinese)
{
    return SettingsError{path, english, chinese};
}

// Arrays and objects are named by their kind, not spelled out (they may be long).
Expected Found(const QJsonValue& value)
{
    if (value.isArray())
        return {QStringLiteral("an array"), QStringLiteral("数组")};
    if (value.isObject())
        return {QStringLiteral("an object"), QStringLiteral("对象")};
    const QString text = JsonText(value);
    return {text, text};
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

Expected ExpectedNumber() { return {QStringLiteral("a number"), QStringLiteral("数值")}; }
Expected ExpectedString() { return {QStringLiteral("a string"), QStringLiteral("字符串")}; }
Expected ExpectedObject() { return {QStringLiteral("an object"), QStringLiteral("对象")}; }
Expected ExpectedArray() { return {QStringLiteral("an array"), QStringLiteral("数组")}; }
Expected ExpectedBool() { return {QStringLiteral("true or false"), QStringLiteral("true 或 false")}; }

Expected Alternatives(const QStringList& jsonTexts, bool number)
{
    QStringList english = jsonTexts;
    QStringList chinese = jsonTexts;
    if (number) {
        english.prepend(ExpectedNumber().english);
        chinese.prepend(ExpectedNumber().chinese);
    }
    return {english.join(QStringLiteral(" or ")), chinese.join(QStringLiteral(" 或 "))};
}

SettingsError NotJson(const QString& parserText, int offset)
{
    return Refusal(QString(),
                   QStringLiteral("not valid JSON: %1 at offset %2").arg(parserText).arg(offset),
                   QStringLiteral("不是有效的 JSON：%1（位置 %2）").arg(parserText).arg(offset));
}

SettingsError MissingField(const QString& path)
{
    return Refusal(path, QStringLiteral("missing"), QStringLiteral("缺少此项"));
}

SettingsError UnknownField(const QString& path)
{
    return Refusal(path, QStringLiteral("unknown field"), QStringLiteral("未知的项"));
}

SettingsError WrongType(const QString& path, const Expected& expected, const QJsonValue& found)
{
    const Expected f = Found(found);
    return Refusal(path, QStringLiteral("expected %1, found %2").arg(expected.english, f.english),
                   QStringLiteral("应为%1，实为 %2").arg(expected.chinese, f.chinese));
}

SettingsError NotExpectedValue(const QString& path, const QString& expected, const QJsonValue& found)
{
    const Expected f = Found(found);
    return Refusal(path, QStringLiteral("expected %1, found %2").arg(expected, f.english),
                   QStringLiteral("应为 %1，实为 %2").arg(expected, f.chinese));
}

SettingsError UnsupportedVersion(const QString& path, const QJsonValue& found)
{
    const QString version = JsonText(found);
    const QString supported = QString::number(kSettingsFormatVersion);
    return Refusal(path, QStringLiteral("version %1 is not supported (this program reads version %2)")
                             .arg(version, supported),
                   QStringLiteral("不支持版本 %1（本程序读取版本 %2）").arg(version, supported));
}

SettingsError OutOfRange(const QString& path, const QString& value, const QString& low, const QString& high)
{
    return Refusal(path, QStringLiteral("%1 is outside %2..%3").arg(value, low, high),
                   QStringLiteral("%1 超出范围 %2..%3").arg(value, low, high));
}

SettingsError NotWhole(const QString& path, const QJsonValue& found)
{
    const QString value = JsonText(found);
    return Refusal(path, QStringLiteral("%1 is not a whole number").arg(value),
                   QStringLiteral("%1 不是整数").arg(value));
}

SettingsError OffGrid(const QString& path, const QJsonValue& found, const QString& step)
{
    const QString value = JsonText(found);
    return Refusal(path, QStringLiteral("%1 is not a multiple of %2").arg(value, step),
                   QStringLiteral("%1 不是 %2 的整数倍").arg(value, step));
}

SettingsError NotOneOf(const QString& path, const QJsonValue& found, const QStringList& choices)
{
    const QString value = JsonText(found);
    const QString list = choices.join(QStringLiteral(", "));
    return Refusal(path, QStringLiteral("%1 is not one of %2").arg(value, list),
                   QStringLiteral("%1 不是 %2 之一").arg(value, list));
}

SettingsError WrongCount(const QString& path, qsizetype expected, qsizetype found)
{
    return Refusal(path, QStringLiteral("expected %1 entries, found %2").arg(expected).arg(found),
                   QStringLiteral("应有 %1 项，实有 %2 项").arg(expected).arg(found));
}

SettingsError DuplicatePreset(const QString& path, int number)
{
    return Refusal(path, QStringLiteral("preset %1 appears twice").arg(number),
                   QStringLiteral("预设 %1 出现了两次").arg(number));
}

SettingsError NameDiffers(const QString& path, const QString& name, const QString& listPath, const QString& listed)
{
    const QString a = JsonText(name);
    const QString b = JsonText(listed);
    return Refusal(path, QStringLiteral("%1 differs from %2 %3").arg(a, listPath, b),
                   QStringLiteral("%1 与 %2 的 %3 不同").arg(a, listPath, b));
}

SettingsError NameNotGbk(const QString& path, const QString& name)
{
    const QString text = JsonText(name);
    return Refusal(path, QStringLiteral("%1 has characters that GBK cannot hold").arg(text),
                   QStringLiteral("%1 含有 GBK 无法表示的字符").arg(text));
}

SettingsError NameTooLong(const QString& path, const QString& name, qsizetype bytes)
{
    const QString text = JsonText(name);
    return Refusal(path, QStringLiteral("%1 takes %2 GBK bytes, at most 15").arg(text).arg(bytes),
                   QStringLiteral("%1 占 %2 个 GBK 字节，最多 15 个").arg(text).arg(bytes));
}

SettingsError NameHasControl(const QString& path, const QString& name)
{
    const QString text = JsonText(name);
    return Refusal(path, QStringLiteral("%1 contains a control character").arg(text),
                   QStringLiteral("%1 含有控制字符").arg(text));
}

SettingsError BypassWithoutFlatGains(const QString& path)
{
    return Refusal(path, QStringLiteral("true, but not all 12 band gains are 0 dB"),
                   QStringLiteral("为 true，但 12 个频段的增益并非都是 0 dB"));
}

SettingsError FlatGainsWithoutBypass(const QString& path)
{
    return Refusal(path, QStringLiteral("false, but all 12 band gains are 0 dB"),
                   QStringLiteral("为 false，但 12 个频段的增益都是 0 dB"));
}

SettingsError RestoreWithoutBypass(const QString& path)
{
    return Refusal(path, QStringLiteral("present while peqBypass is false"),
                   QStringLiteral("peqBypass 为 false 时不应有此项"));
}

SettingsError NotHexWord(const QString& path, const QJsonValue& found)
{
    const QString value = JsonText(found);
    return Refusal(path, QStringLiteral("%1 is not a hexadecimal word such as \"0x0483\"").arg(value),
                   QStringLiteral("%1 不是 \"0x0483\" 这样的十六进制数").arg(value));
}

SettingsError NotDateTime(const QString& path, const QJsonValue& found)
{
    const QString value = JsonText(found);
    return Refusal(path, QStringLiteral("%1 is not an ISO 8601 date and time in the years 1..9999 (UTC)").arg(value),
                   QStringLiteral("%1 不是 1..9999 年（UTC）之间的 ISO 8601 日期时间").arg(value));
}

SettingsError CannotOpen(const QString& fileName, const QString& systemText)
{
    return Refusal(fileName, QStringLiteral("cannot open the file: %1").arg(systemText),
                   QStringLiteral("无法打开文件：%1").arg(systemText));
}

SettingsError CannotWrite(const QString& fileName, const QString& systemText)
{
    return Refusal(fileName, QStringLiteral("cannot write the file: %1").arg(systemText),
                   QStringLiteral("无法写入文件：%1").arg(systemText));
}

}  // namespace settings_file

QString SettingsError::Text(int language) const
{
    const QString& reason = language != 0 ? chinese : english;
    if (path.isEmpty())
        return reason;
    return path + (language != 0 ? QStringLiteral("：") : QStringLiteral(": ")) + reason;
}
