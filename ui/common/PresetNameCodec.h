// Preset names travel as GBK bytes: at most 15 bytes and a NUL in a record of
// the name table; the dialogs show and take them as text.
#pragma once

#include "protocol/ParameterImage.h"

#include <QByteArray>
#include <QString>

constexpr int kPresetNameMaxBytes = kPresetNameWireSize - 1;   // 15, the NUL makes 16

// The name in a record: its bytes up to the first NUL, never past the 16 bytes
// the unit sends; bytes that are not GBK and control bytes show as "?", a
// double-byte character cut off at the end not at all.
QString DecodePresetName(const char* record);

// The name of preset record n (0..21) of an image as DecodePresetName shows it.
QString ReadPresetName(const CParameterImage& image, int n);

// True when every character of text exists in GBK and it takes at most 15 bytes.
bool FitsPresetName(const QString& text);

// The GBK bytes of text, cut after the last whole character that fits in 15
// bytes; a character GBK lacks becomes "?".
QByteArray EncodePresetName(const QString& text);

// Copies name and its NUL into record n of an image's names; the bytes after
// the NUL keep their contents.
void WritePresetName(CParameterImage& image, int n, const QByteArray& name);
