#include "remote/QrCode.h"

#include <qrencode.h>

#include <memory>

namespace {

constexpr int kQuietZone = 4;

struct QrFree {
    void operator()(QRcode* code) const { QRcode_free(code); }
};

// A module of the code with its quiet zone around it: outside is light.
bool DarkWithQuietZone(const QrCode& code, int x, int y)
{
    x -= kQuietZone;
    y -= kQuietZone;
    return x >= 0 && y >= 0 && x < code.size && y < code.size && code.Dark(x, y);
}

}  // namespace

bool QrCode::Dark(int x, int y) const
{
    return dark[static_cast<std::size_t>(y) * size + x] != 0;
}

std::optional<QrCode> EncodeQr(const QByteArray& text)
{
    const std::unique_ptr<QRcode, QrFree> encoded(QRcode_encodeString8bit(text.constData(), 0, QR_ECLEVEL_M));
    if (!encoded)
        return std::nullopt;
    QrCode code;
    code.size = encoded->width;
    code.dark.resize(static_cast<std::size_t>(code.size) * code.size);
    for (std::size_t i = 0; i < code.dark.size(); ++i)
        code.dark[i] = encoded->data[i] & 1u;   // bit 0 is the module's colour
    return code;
}

// On a dark terminal the light modules are drawn: the reader sees dark on light.
QString QrForTerminal(const QrCode& code)
{
    const int side = code.size + 2 * kQuietZone;
    QString lines;
    for (int y = 0; y < side; y += 2) {
        for (int x = 0; x < side; ++x) {
            const bool upperLight = !DarkWithQuietZone(code, x, y);
            const bool lowerLight = y + 1 < side && !DarkWithQuietZone(code, x, y + 1);
            if (upperLight && lowerLight)
                lines += QChar(0x2588);   // █
            else if (upperLight)
                lines += QChar(0x2580);   // ▀
            else if (lowerLight)
                lines += QChar(0x2584);   // ▄
            else
                lines += QLatin1Char(' ');
        }
        lines += QLatin1Char('\n');
    }
    return lines;
}

QImage QrImage(const QrCode& code, int moduleSize)
{
    const int side = code.size + 2 * kQuietZone;
    QImage image(side * moduleSize, side * moduleSize, QImage::Format_Mono);
    image.setColor(0, qRgb(255, 255, 255));
    image.setColor(1, qRgb(0, 0, 0));
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x)
            image.setPixel(x, y, DarkWithQuietZone(code, x / moduleSize, y / moduleSize) ? 1 : 0);
    }
    return image;
}
