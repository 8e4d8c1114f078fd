// What every settings-file target checks of a document: a refused one names
// a reason; an accepted one writes a document that reads back and writes again
// byte for byte. Aborts when either does not hold.
#pragma once

#include "ui/settings/SettingsFile.h"

#include <cstdlib>

inline void CheckSettingsRoundTrip(const QByteArray& input)
{
    SettingsFile read;
    SettingsError error;
    if (!SettingsFromJson(input, read, error)) {
        if (error.reason.isEmpty())
            std::abort();
        return;
    }
    const QByteArray written = SettingsToJson(read);
    SettingsFile again;
    if (!SettingsFromJson(written, again, error) || SettingsToJson(again) != written)
        std::abort();
}
