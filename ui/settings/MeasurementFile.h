// Measurement files (REW's text export, FRD, CSV) picked by the user, read
// within their size bound, and what the window says of one. The file dialog
// can be replaced by a hook for tests.
#pragma once

#include "model/Measurement.h"
#include "ui/settings/SettingsFile.h"

#include <QString>
#include <QStringList>

#include <functional>

class QWidget;

constexpr qint64 kMaxMeasurementFileBytes = static_cast<qint64>(kMaxMeasurementBytes);

// Reads and levels a measurement. Only a regular file (a link to one is followed) of
// at most kMaxMeasurementFileBytes is read: anything else is refused before it is
// opened. A text that is no measurement is refused too, with its reason.
bool ReadMeasurementFile(const QString& fileName, Measurement& out, SettingsError& error);

// What a measurement read has to say besides its points: skipped lines, repeated
// frequencies, a level taken over all points; empty when nothing.
QStringList MeasurementNotes(const Measurement& measurement);

// Replaces the file dialog in tests: the hook returns the file, empty for cancelled.
void SetMeasurementFileHook(std::function<QString()> pickFile);
// The file the user picks to show (or, with its own title, as a fit's target curve), empty
// when cancelled; the dialog opens in the folder of the last measurement picked.
QString PickMeasurementFile(QWidget* parent, const QString& title = QString());
