// Reading a file the user names: only a regular file (a link to one is
// followed) no larger than its kind may be is read; anything else is refused
// before it is opened, so that a pipe, a device or a huge file neither blocks
// nor fills the memory.
#pragma once

#include "ui/settings/SettingsFile.h"

#include <QByteArray>
#include <QString>

#include <functional>

// The refusal of a file of that many bytes, which is more than its kind may have.
using TooLargeError = std::function<SettingsError(qint64 bytes)>;

// Fills bytes with the whole file, or error with why it is not read.
bool ReadBoundedFile(const QString& fileName, qint64 maxBytes, const TooLargeError& tooLarge, QByteArray& bytes,
                     SettingsError& error);
