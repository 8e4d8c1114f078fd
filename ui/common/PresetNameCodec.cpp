#include "ui/common/PresetNameCodec.h"

#include <QStringDecoder>
#include <QStringEncoder>

#include <algorithm>
#include <cstring>

namespace {

constexpr char kPresetNameCodec[] = "GBK";
constexpr char16_t kUnknownChar = u'?';

bool IsShownAsUnknown(QChar c)
{
    // bytes GBK leaves undefined decode to the replacement or a private-use character
    return c == QChar::ReplacementCharacter || c.category() == QChar::Other_Control
        || c.category() == QChar::Other_PrivateUse;
}

// The GBK bytes of one character (one code point), empty when GBK lacks it.
QByteArray EncodeCodePoint(const QString& codePoint)
{
    QStringEncoder encoder(kPresetNameCodec, QStringConverter::Flag::Stateless);
    QByteArray bytes = encoder.encode(codePoint);
    return encoder.hasError() ? QByteArray() : bytes;
}

// Length of the code point starting at i (a surrogate pair counts as one).
qsizetype CodePointLength(const QString& text, qsizetype i)
{
    return text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate() ? 2 : 1;
}

}  // namespace

QString DecodePresetName(const char* record)
{
    const char* end = std::find(record, record + kPresetNameWireSize, '\0');
    QStringDecoder decoder(kPresetNameCodec, QStringConverter::Flag::Stateless);
    QString name = decoder.decode(QByteArrayView(record, end - record));
    for (QChar& c : name) {
        if (IsShownAsUnknown(c))
            c = QChar(kUnknownChar);
    }
    return name;
}

QString ReadPresetName(const CParameterImage& image, int n)
{
    if (n < 0 || n >= kPresetRecordCount)
        return QString();
    char record[kPresetNameWireSize];
    {
        ImageLock lock(image.mutex);
        std::memcpy(record, image.names.records[n], sizeof record);
    }
    return DecodePresetName(record);
}

bool FitsPresetName(const QString& text)
{
    QStringEncoder encoder(kPresetNameCodec, QStringConverter::Flag::Stateless);
    const QByteArray bytes = encoder.encode(text);
    return !encoder.hasError() && bytes.size() <= kPresetNameMaxBytes;
}

QByteArray EncodePresetName(const QString& text)
{
    QByteArray name;
    for (qsizetype i = 0; i < text.size();) {
        const qsizetype length = CodePointLength(text, i);
        QByteArray bytes = EncodeCodePoint(text.mid(i, length));
        if (bytes.isEmpty())
            bytes = QByteArray(1, static_cast<char>(kUnknownChar));
        if (name.size() + bytes.size() > kPresetNameMaxBytes)
            break;
        name += bytes;
        i += length;
    }
    return name;
}

void WritePresetName(CParameterImage& image, int n, const QByteArray& name)
{
    if (n < 1 || n > kUserPresetCount)
        return;
    const qsizetype length = std::min<qsizetype>(name.size(), kPresetNameMaxBytes);
    ImageLock lock(image.mutex);
    char* record = image.names.records[n];
    std::memcpy(record, name.constData(), static_cast<std::size_t>(length));
    record[length] = '\0';
}
