#include "ui/settings/MeasurementFile.h"

#include "ui/settings/BoundedFile.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QLocale>
#include <QSettings>

namespace {

constexpr char kLastFolderKey[] = "files/lastMeasurementFolder";

// The texts of measurement files are translated in their own context.
class Words {
    Q_DECLARE_TR_FUNCTIONS(MeasurementFile)
};

std::function<QString()>& Hook()
{
    static std::function<QString()> pickFile;
    return pickFile;
}

QString DataSize(qint64 bytes, int decimals)
{
    return QLocale::c().formattedDataSize(bytes, decimals, QLocale::DataSizeIecFormat);
}

QString ErrorText(MeasurementError error)
{
    switch (error) {
    case MeasurementError::TooManyPoints:
        return Words::tr("holds more than %1 points, the most a measurement may have").arg(kMaxMeasurementPoints);
    case MeasurementError::TooFewPoints:
        return Words::tr("holds fewer than %1 points between %2 Hz and %3 kHz")
            .arg(kMinMeasurementPoints)
            .arg(kMinFreqHz)
            .arg(kMaxFreqHz / 1000);
    case MeasurementError::None: break;
    }
    return QString();
}

}  // namespace

bool ReadMeasurementFile(const QString& fileName, Measurement& out, SettingsError& error)
{
    QByteArray bytes;
    const auto tooLarge = [&fileName](qint64 size) {
        return SettingsError{fileName, Words::tr("%1 is larger than a measurement file can be (at most %2)")
                                           .arg(DataSize(size, 1), DataSize(kMaxMeasurementFileBytes, 0))};
    };
    if (!ReadBoundedFile(fileName, kMaxMeasurementFileBytes, tooLarge, bytes, error))
        return false;
    Measurement read = ParseMeasurementText(std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
    if (read.error != MeasurementError::None) {
        error = SettingsError{fileName, ErrorText(read.error)};
        return false;
    }
    out = std::move(read);
    return true;
}

QStringList MeasurementNotes(const Measurement& measurement)
{
    QStringList notes;
    if (measurement.skippedLines > 0)
        notes << Words::tr("%n line(s) without a point skipped", "", measurement.skippedLines);
    if (measurement.repeatedFrequencies > 0)
        notes << Words::tr("%n point(s) at a frequency given before left out", "", measurement.repeatedFrequencies);
    if (measurement.levelledOverAll)
        notes << Words::tr("no point between %1 Hz and %2 kHz: the average of all points is at 0 dB")
                     .arg(kLevelBandLowHz)
                     .arg(kLevelBandHighHz / 1000);
    return notes;
}

void SetMeasurementFileHook(std::function<QString()> pickFile)
{
    Hook() = std::move(pickFile);
}

QString PickMeasurementFile(QWidget* parent, const QString& title)
{
    if (Hook())
        return Hook()();
    const QString folder = QSettings().value(QLatin1String(kLastFolderKey), QDir::homePath()).toString();
    const QString fileName = QFileDialog::getOpenFileName(
        parent, title.isEmpty() ? Words::tr("Show measurement") : title, folder,
        Words::tr("Measurements (*.txt *.frd *.csv);;All files (*)"));
    if (!fileName.isEmpty())
        QSettings().setValue(QLatin1String(kLastFolderKey), QFileInfo(fileName).absolutePath());
    return fileName;
}
