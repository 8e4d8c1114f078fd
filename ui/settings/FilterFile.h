// Filter text files (REW, Equalizer APO, AutoEQ) on disk, and the lines that
// tell what an import of one did.
#pragma once

#include "model/FilterImport.h"
#include "ui/settings/SettingsFile.h"

#include <QString>
#include <QStringList>

#include <string>

constexpr qint64 kMaxFilterFileBytes = static_cast<qint64>(kMaxFilterTextBytes);

// Reads and parses a file. Only a regular file (a link to one is followed) of
// at most kMaxFilterFileBytes is read: anything else is refused before it is opened.
// A file of more than kMaxFilterLines filter lines is refused once read.
bool ReadFilterFile(const QString& fileName, FilterText& out, SettingsError& error);
// Writes the text through a temporary file that replaces fileName only when complete.
bool WriteFilterFile(const QString& fileName, const std::string& text, SettingsError& error);

// The section of that name (case does not matter), or -1.
int FindFilterSection(const FilterText& text, const QString& name);
// "L, R".
QString FilterSectionNames(const FilterText& text);

// "line 13: left out: switched off".
QString FilterNoteLine(const FilterNote& note);
// An import's notes as the report's lines: every adjusted line, and the first
// kNamedSkippedLines refused or left-out ones, then "… and 498 more".
constexpr int kNamedSkippedLines = 10;
QStringList FilterNoteLines(const std::vector<FilterNote>& notes);
// "took 4 of the file's filters into CH A, bands 5..12 flat, gain -6 dB", the
// channel named as the caller names it.
QString FilterImportSummary(const FilterImport& import, const QString& channelName);
// "largest difference from the file's curve: 0.42 dB at 1234 Hz".
QString FilterDifferenceLine(const FilterImport& import);
