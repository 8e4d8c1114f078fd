#include "ui/settings/FilterFile.h"

#include "ui/settings/BoundedFile.h"
#include "ui/settings/SettingsFileFields.h"
#include "ui/settings/SettingsFileReasons.h"

#include <QCoreApplication>
#include <QLocale>
#include <QSaveFile>

#include <algorithm>
#include <iterator>

namespace {

// The texts of filter files are translated in their own context.
class Words {
    Q_DECLARE_TR_FUNCTIONS(FilterFile)
};

SettingsError TooLarge(const QString& fileName, qint64 bytes)
{
    const QLocale c = QLocale::c();
    return SettingsError{fileName, Words::tr("%1 is larger than a filter file can be (at most %2)")
                                       .arg(c.formattedDataSize(bytes, 1, QLocale::DataSizeSIFormat),
                                            c.formattedDataSize(kMaxFilterFileBytes, 0, QLocale::DataSizeSIFormat))};
}

SettingsError TooManyFilters(const QString& fileName, int lines)
{
    return SettingsError{fileName, Words::tr("%1 filter lines are more than a filter file may have (at most %2)")
                                       .arg(lines)
                                       .arg(kMaxFilterLines)};
}

QString KindText(FilterNoteKind kind)
{
    switch (kind) {
    case FilterNoteKind::Refused: return Words::tr("refused");
    case FilterNoteKind::LeftOut: return Words::tr("left out");
    case FilterNoteKind::Adjusted: return Words::tr("adjusted");
    }
    return QString();
}

QString Number(double value, int decimals)
{
    return QString::number(value, 'f', decimals);
}

QString Signed(double value, int decimals)
{
    return (value >= 0.0 ? QStringLiteral("+") : QString()) + Number(value, decimals);
}

QString Limits(FilterReason reason)
{
    switch (reason) {
    case FilterReason::LineTooLong: return Words::tr("line longer than %1 characters").arg(kMaxFilterLineLength);
    case FilterReason::TooManySections: return Words::tr("more than %1 channel names").arg(kMaxFilterSections);
    default: return QString();
    }
}

// The reason of a note in the interface language (FilterNoteText's English texts, translated).
QString ReasonText(const FilterNote& note)
{
    const QString detail = QString::fromStdString(note.detail);
    switch (note.reason) {
    case FilterReason::LineTooLong:
    case FilterReason::TooManySections: return Limits(note.reason);
    case FilterReason::NotUnderstood: return Words::tr("not a filter, preamp or channel line");
    case FilterReason::CommandNotImported: return Words::tr("%1 lines are not imported").arg(detail);
    case FilterReason::UnsupportedType: return Words::tr("%1 is not a peaking or shelf filter").arg(detail);
    case FilterReason::UnexpectedWord: return Words::tr("unexpected \"%1\"").arg(detail);
    case FilterReason::MissingFrequency: return Words::tr("no frequency (Fc) given");
    case FilterReason::MissingGain: return Words::tr("no gain given");
    case FilterReason::MissingWidth: return Words::tr("no Q or BW given");
    case FilterReason::BadNumber: return Words::tr("\"%1\" is not a number").arg(detail);
    case FilterReason::FrequencyOutOfRange: return Words::tr("Fc %1 Hz is outside 0..24000 Hz").arg(detail);
    case FilterReason::GainOutOfRange: return Words::tr("gain %1 dB is outside -60..60 dB").arg(detail);
    case FilterReason::WidthOutOfRange: return Words::tr("%1 is outside Q 0..100 and BW 0..10 octaves").arg(detail);
    case FilterReason::SlopeOutOfRange: return Words::tr("slope %1 dB is outside 0..48 dB per octave").arg(detail);
    case FilterReason::SlopeTooSteep: return Words::tr("a slope of %1 dB overshoots at this gain").arg(detail);
    case FilterReason::PreampOutOfRange: return Words::tr("preamp %1 dB is outside -100..100 dB").arg(detail);
    case FilterReason::SwitchedOff: return Words::tr("switched off");
    case FilterReason::BeyondBands: return Words::tr("beyond the unit's 12 bands");
    case FilterReason::FrequencyLimited: return Words::tr("frequency limited to %1 Hz").arg(Number(note.value, 0));
    case FilterReason::GainLimited: return Words::tr("gain limited to %1 dB").arg(Signed(note.value, 1));
    case FilterReason::WidthLimited: return Words::tr("width limited to %1 octaves").arg(Number(note.value, 2));
    case FilterReason::PreampLimited: return Words::tr("preamp limited to %1 dB").arg(Signed(note.value, 0));
    }
    return QString();
}

}  // namespace

bool ReadFilterFile(const QString& fileName, FilterText& out, SettingsError& error)
{
    QByteArray bytes;
    const auto tooLarge = [&fileName](qint64 size) { return TooLarge(fileName, size); };
    if (!ReadBoundedFile(fileName, kMaxFilterFileBytes, tooLarge, bytes, error))
        return false;
    out = ParseFilterText(std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
    if (out.filterLines > kMaxFilterLines) {
        error = TooManyFilters(fileName, out.filterLines);
        out = FilterText{};
        return false;
    }
    return true;
}

bool WriteFilterFile(const QString& fileName, const std::string& text, SettingsError& error)
{
    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly)) {
        error = settings_file::CannotWrite(fileName, file.errorString());
        return false;
    }
    const auto size = static_cast<qint64>(text.size());
    if (file.write(text.data(), size) != size || !file.commit()) {
        error = settings_file::CannotWrite(fileName, file.errorString());
        return false;
    }
    return true;
}

int FindFilterSection(const FilterText& text, const QString& name)
{
    for (std::size_t s = 0; s < text.sections.size(); ++s) {
        if (QString::fromStdString(text.sections[s]).compare(name, Qt::CaseInsensitive) == 0)
            return static_cast<int>(s);
    }
    return -1;
}

QString FilterSectionNames(const FilterText& text)
{
    QStringList names;
    for (const std::string& name : text.sections)
        names << QString::fromStdString(name);
    return names.join(QStringLiteral(", "));
}

QString FilterNoteLine(const FilterNote& note)
{
    return Words::tr("line %1: %2: %3")
        .arg(note.line)
        .arg(KindText(note.kind), ReasonText(note));
}

QStringList FilterNoteLines(const std::vector<FilterNote>& notes)
{
    QStringList lines;
    int skipped = 0;
    for (const FilterNote& note : notes) {
        if (note.kind != FilterNoteKind::Adjusted && ++skipped > kNamedSkippedLines)
            continue;
        lines << FilterNoteLine(note);
    }
    if (skipped > kNamedSkippedLines)
        lines << Words::tr("… and %1 more").arg(skipped - kNamedSkippedLines);
    return lines;
}

QString FilterImportSummary(const FilterImport& import, const QString& channelName)
{
    QString text = Words::tr("took %1 of the file's filters into %2").arg(import.taken).arg(channelName);
    if (import.taken < kBandCount - 1)
        text += Words::tr(", bands %1..%2 flat").arg(import.taken + 1).arg(kBandCount);
    else if (import.taken == kBandCount - 1)
        text += Words::tr(", band %1 flat").arg(kBandCount);
    if (import.preampGiven)
        text += Words::tr(", gain %1 dB").arg(static_cast<int>(ChannelGainDb(import.gainCode)));
    return text;
}

QString FilterDifferenceLine(const FilterImport& import)
{
    return Words::tr("largest difference from the file's curve: %1 dB at %2 Hz")
        .arg(import.largestDifferenceDb, 0, 'f', 2)
        .arg(import.largestDifferenceHz, 0, 'f', 0);
}
