#include "transport/HidBackend.h"

#include "transport/HidBackendHidapi.h"
#include "transport/HidBackendSimulated.h"

#include <algorithm>

std::unique_ptr<CHidBackend> MakeHidBackend(HidBackendKind kind)
{
    if (kind == HidBackendKind::Hidapi)
        return std::make_unique<CHidapiBackend>();
    auto simulated = std::make_unique<CSimulatedHidBackend>();
    simulated->AddDevice(SimulatedDeviceSpec{});
    simulated->StartClock();
    return simulated;
}

std::string UnitKey(const HidInterfaceInfo& info)
{
    return info.serial.empty() ? info.path : info.serial;
}

void ReportPathChanges(const std::set<std::string>& before, const std::set<std::string>& now,
                       const DeviceChangeCallback& callback)
{
    for (const std::string& path : before)
        if (!now.contains(path))
            callback(DBT_DEVICEREMOVECOMPLETE, path);
    for (const std::string& path : now)
        if (!before.contains(path))
            callback(DBT_DEVICEARRIVAL, path);
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
