// The pairing link as a QR code (libqrencode), drawn for the window and for a terminal.
#pragma once

#include <QByteArray>
#include <QImage>
#include <QString>

#include <cstdint>
#include <optional>
#include <vector>

struct QrCode {
    int size = 0;                      // modules per side
    std::vector<std::uint8_t> dark;    // row by row, 1 = dark

    bool Dark(int x, int y) const;
};

// The code of text, at error correction level M; nothing when it does not fit one.
std::optional<QrCode> EncodeQr(const QByteArray& text);

// Lines of half-block characters, two rows of modules to a line, with the quiet zone
// (a terminal with a dark background shows light modules as the blocks).
QString QrForTerminal(const QrCode& code);

// Black on white, moduleSize pixels to a module, with the quiet zone of four modules.
QImage QrImage(const QrCode& code, int moduleSize);
