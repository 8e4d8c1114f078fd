// The fit command: the measurement and its target read whole, and the fit's
// options checked against them, before the unit is opened; then the channel's
// bands fitted as the unit holds them, printed as filter text (or JSON) with
// the report on the error stream, and only what changes sent.
#include "ui/main/CommandRunner.h"

#include "model/EqualizerFit.h"
#include "model/FilterExport.h"
#include "ui/common/UnitAdapter.h"
#include "ui/settings/FilterFile.h"
#include "ui/settings/FitReport.h"
#include "ui/settings/MeasurementFile.h"
#include "ui/settings/SettingsFileFields.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace {

bool ReadCurve(const QString& fileName, CMeasurementCurve& curve, QStringList& notes, SettingsError& error)
{
    Measurement read;
    if (!ReadMeasurementFile(fileName, read, error))
        return false;
    curve = CMeasurementCurve(read.points);
    for (const QString& note : MeasurementNotes(read))
        notes << QStringLiteral("%1: %2").arg(fileName, note);
    return true;
}

QString TypeName(int type)
{
    switch (type) {
    case FILTER_LOW_SHELF: return QStringLiteral("low shelf");
    case FILTER_HIGH_SHELF: return QStringLiteral("high shelf");
    default: return QStringLiteral("peak");
    }
}

// One band as docs/command-line-json.md describes it; a flat band has no gain.
QJsonObject BandObject(int number, const BandParams& band)
{
    const bool flat = band.gainCode.Get() == kFlatGainCode;
    QJsonObject object{{QStringLiteral("band"), number},
                       {QStringLiteral("type"), TypeName(band.type)},
                       {QStringLiteral("hz"), band.freqHz.Get()},
                       {QStringLiteral("gainDb"), flat ? 0.0 : (band.gainCode.Get() - kFlatGainCode) / 10.0}};
    if (band.type == FILTER_LOW_SHELF || band.type == FILTER_HIGH_SHELF) {
        object.insert(QStringLiteral("slopeDbPerOctave"), band.slope == kSlope12dBPerOct ? 12 : 6);
    } else {
        const double octaves = BwCodeToOctaves(band.bwCode.Get());
        object.insert(QStringLiteral("octaves"), octaves);
        object.insert(QStringLiteral("q"), FileQOfUnitOctaves(octaves, band.freqHz.Get()));
    }
    return object;
}

QJsonObject DifferenceObject(const FitDifference& d)
{
    return {{QStringLiteral("rmsDb"), d.rmsDb},
            {QStringLiteral("largestDb"), d.largestDb},
            {QStringLiteral("largestHz"), d.largestHz}};
}

}  // namespace

bool CCommandRunner::ReadFitFiles()
{
    SettingsError error;
    QStringList notes;
    if (!ReadCurve(m_options.file, m_measured, notes, error) ||
        (!m_options.target.isEmpty() && !ReadCurve(m_options.target, m_target, notes, error))) {
        Fail(kExitFile, error.Text());
        return false;
    }
    for (const QString& note : notes)
        m_err << "quenda: " << note << '\n';
    const FitProblem problem = CheckFit(m_measured, m_options.fit);
    if (problem != FitProblem::None) {
        Fail(kExitFile, QStringLiteral("%1: %2").arg(m_options.file, FitProblemText(problem, m_measured, m_options.fit)));
        return false;
    }
    return true;
}

// The report first, then only the groups that change go out; done once the unit answered them all.
void CCommandRunner::SendFit()
{
    const int channel = m_options.channel;
    const QString name = settings_file::ChannelName(channel);
    CUnit& unit = m_unit.Unit();
    const ChannelBlock block = unit.Image().Channel(channel);
    const EqualizerFit fit = FitBands(m_measured, m_target, m_options.fit, ChannelBandsOf(block), block.gain.Get());
    PrintFit(fit);
    if (fit.alreadyWithin) {
        Done(FitAlreadyWithinLine(channel));
        return;
    }
    if (m_options.dryRun) {
        Done(QStringLiteral("a dry run: nothing was sent to %1").arg(name));
        return;
    }
    const CSettingsEdit edit = unit.Edit([&](CSettingsEdit& e) { e.ReplaceChannelBands(channel, fit.bands, fit.gainCode); });
    if (edit.Sends().Empty()) {
        Done(QStringLiteral("%1 already has these bands").arg(name));
        return;
    }
    WaitForChanges(QStringLiteral("sent the fit to %1").arg(name));
}

// The channel as filter text (or the fit as JSON) on the output stream, the report on the error stream.
void CCommandRunner::PrintFit(const EqualizerFit& fit)
{
    const int channel = m_options.channel;
    if (m_options.json) {
        QJsonArray bands;
        for (int k = 0; k < kBandCount; ++k)
            bands.append(BandObject(k + 1, fit.bands[k]));
        const QJsonObject object{
            {QStringLiteral("channel"), channel == 0 ? QStringLiteral("A") : QStringLiteral("B")},
            {QStringLiteral("measurement"), m_options.file},
            {QStringLiteral("target"), m_options.target.isEmpty() ? QJsonValue() : QJsonValue(m_options.target)},
            {QStringLiteral("range"), QJsonObject{{QStringLiteral("lowHz"), fit.range.lowHz},
                                                  {QStringLiteral("highHz"), fit.range.highHz}}},
            {QStringLiteral("maxBoostDb"), m_options.fit.maxBoostDb},
            {QStringLiteral("bandsAllowed"), m_options.fit.bands},
            {QStringLiteral("bandsUsed"), fit.used},
            {QStringLiteral("alreadyWithin"), fit.alreadyWithin},
            {QStringLiteral("dryRun"), m_options.dryRun},
            {QStringLiteral("before"), DifferenceObject(fit.before)},
            {QStringLiteral("after"), DifferenceObject(fit.after)},
            {QStringLiteral("largestBoostDb"), fit.largestBoostDb},
            {QStringLiteral("gainDb"), static_cast<int>(ChannelGainDb(fit.gainCode))},
            {QStringLiteral("gainLoweredDb"), fit.gainLoweredDb},
            {QStringLiteral("bands"), bands}};
        m_out << QJsonDocument(object).toJson(QJsonDocument::Indented);
    } else {
        m_out << QString::fromStdString(FilterTextOf(fit.bands, fit.gainCode));
    }
    m_out.flush();
    if (!fit.alreadyWithin) {
        const QString boost = m_options.fit.maxBoostDb > 0.0
                                  ? QStringLiteral("boosts up to %1 dB").arg(m_options.fit.maxBoostDb)
                                  : QStringLiteral("cuts only");
        m_err << "quenda: " << QStringLiteral("fitted %1 of %2 bands of %3 to %4 (target %5, %6, %7)")
                                   .arg(fit.used)
                                   .arg(m_options.fit.bands)
                                   .arg(settings_file::ChannelName(channel), m_options.file,
                                        m_options.target.isEmpty() ? QStringLiteral("flat") : m_options.target,
                                        FitRangeText(fit.range), boost)
              << '\n';
    }
    m_err << "quenda: " << FitRmsLine(fit) << '\n';
    m_err << "quenda: " << FitLargestLine(fit) << '\n';
    if (const QString gain = FitGainLine(fit, channel); !gain.isEmpty())
        m_err << "quenda: " << gain << '\n';
    m_err.flush();
}
