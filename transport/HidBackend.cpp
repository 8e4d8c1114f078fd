#include "transport/HidBackend.h"

#include "transport/HidBackendHidapi.h"
#include "transport/HidBackendSimulated.h"

#include <algorithm>
#include <cctype>
#include <string>

std::unique_ptr<CHidBackend> MakeHidBackend(HidBackendKind kind, int demoUnits)
{
    if (kind == HidBackendKind::Hidapi)
        return std::make_unique<CHidapiBackend>();
    auto simulated = std::make_unique<CSimulatedHidBackend>();
    const int units = std::clamp(demoUnits, 1, kMaxDemoUnits);
    for (int n = 0; n < units; ++n) {
        SimulatedDeviceSpec spec;
        spec.path = "/dev/hidraw-sim" + std::to_string(n);
        if (units > 1)
            spec.serial = "QD-DEMO-" + std::to_string(n + 1);
        simulated->AddDevice(spec);
    }
    simulated->StartClock();
    return simulated;
}

std::string UnitKey(const HidInterfaceInfo& info)
{
    return info.serial.empty() ? info.path : info.serial;
}

bool IsKnownAs(const HidInterfaceInfo& info, const std::string& key)
{
    const auto lowered = [](std::string text) {
        std::transform(text.begin(), text.end(), text.begin(),
                       [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
        return text;
    };
    return (!info.serial.empty() && info.serial == key) || (!key.empty() && lowered(info.path) == lowered(key));
}

void ReportPathChanges(const std::set<std::string>& before, const std::set<std::string>& now,
                       const DeviceChangeCallback& callback)
{
    for (const std::string& path : before)
        if (!now.contains(path))
            callback(HidDeviceChange::Removed, path);
    for (const std::string& path : now)
        if (!before.contains(path))
            callback(HidDeviceChange::Arrived, path);
}

void NormaliseInputReport(const std::uint8_t* data, int n, std::uint8_t* out65)
{
    std::fill(out65, out65 + kInputReportSize, 0);
    if (n >= static_cast<int>(kInputReportSize)) {
        std::copy(data, data + kInputReportSize, out65);
        return;
    }
    out65[0] = kReportIdNone;
    std::copy(data, data + std::clamp(n, 0, static_cast<int>(kReportSize)), out65 + 1);
}
