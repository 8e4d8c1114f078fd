// Reads arbitrary bytes as the first entry of the presets of a backup file: a
// document the program wrote, holding all 20 presets, whose entries 2..20 are
// presets 2..20 with flat channels. The input stands where the entry of preset 1
// stood, so that every entry of it is checked against names, numbers and the
// other entries, and a good one carries the whole backup through. A refused
// file must name a reason; an accepted one must write a document that reads
// back and writes again byte for byte.
#include "SettingsRoundTrip.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTimeZone>

#include <array>
#include <cstddef>
#include <cstdint>

namespace {

// The backup's text before and after its first preset entry.
struct BackupAround {
    QByteArray head;
    QByteArray tail;
};

BackupAround MakeBackupAround()
{
    SettingsFile file;
    file.programVersion = QStringLiteral("2.0.3");
    file.unit = TheUnitIdentity();
    file.writtenUtc = QDateTime(QDate(2024, 5, 1), QTime(12, 30, 5), QTimeZone::utc());
    for (int n = 1; n <= kUserPresetCount; ++n)
        file.presetNames[n - 1] = QStringLiteral(" USER %1").arg(n).leftJustified(12);
    std::array<ChannelPair, kUserPresetCount> presets;
    presets.fill(KeptChannelBlocks(DefaultChannelBlock(), DefaultChannelBlock()));
    file.presets = presets;

    QJsonObject root = QJsonDocument::fromJson(SettingsToJson(file)).object();
    const QJsonArray entries = root.take(QStringLiteral("presets")).toArray();
    BackupAround around;
    around.head = QJsonDocument(root).toJson(QJsonDocument::Compact);
    around.head.chop(1);   // the closing brace
    around.head += ",\"presets\":[";
    for (qsizetype i = 1; i < entries.size(); ++i)
        around.tail += ',' + QJsonDocument(entries[i].toObject()).toJson(QJsonDocument::Compact);
    around.tail += "]}";
    return around;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const BackupAround around = MakeBackupAround();
    const QByteArray input =
        around.head + QByteArray(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size)) + around.tail;
    CheckSettingsRoundTrip(input);
    return 0;
}
