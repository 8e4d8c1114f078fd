#include "unit/Unit.h"

#include <cstring>
#include <utility>

namespace {

// Bytes of a block past the groups: the notch table the unit reports.
constexpr std::size_t kGroupBytes = kGroupCount * kGroupSize;
constexpr std::size_t kNotchClearByte = offsetof(ChannelBlock, notchClear);

bool NotchTablesDiffer(const ChannelBlock& a, const ChannelBlock& b)
{
    return std::memcmp(BlockBytes(a) + kGroupBytes, BlockBytes(b) + kGroupBytes, sizeof(ChannelBlock) - kGroupBytes) != 0;
}

std::uint16_t ChangedGroups(const ChannelBlock& a, const ChannelBlock& b)
{
    std::uint16_t groups = 0;
    for (int g = 0; g < kGroupCount; ++g) {
        if (std::memcmp(BlockBytes(a) + kGroupSize * g, BlockBytes(b) + kGroupSize * g, kGroupSize) != 0)
            groups = static_cast<std::uint16_t>(groups | (1u << g));
    }
    return groups;
}

constexpr std::uint16_t kBandGroups = ((1u << kBandCount) - 1) << kGroupFirstBand;

SettingsChange EditChange(const CSettingsEdit& edit, const SettingsSends& sends)
{
    SettingsChange change;
    for (int c = 0; c < kChannelCount; ++c) {
        const ChannelBlock& before = edit.Before().channels[c];
        const ChannelBlock& after = edit.After().channels[c];
        change.groups[c] = static_cast<std::uint16_t>(sends.groups[c] | ChangedGroups(before, after) |
                                                      (sends.bandsAsOneWrite[c] ? kBandGroups : 0));
        change.notchTables[c] = NotchTablesDiffer(before, after);
    }
    change.globalItems = sends.globalItems;
    return change;
}

}  // namespace

bool SettingsChange::ChangedBands(int channel) const
{
    return everything || (groups[channel] & kBandGroups) != 0;
}

CUnit::CUnit(CHidBackend& backend, CUnitObserver& observer, int readSliceMs)
    : m_observer(observer), m_protocol(m_link, *this), m_link(backend, *this, readSliceMs)
{
    m_equalizers.Build(m_protocol.Image().Channels());
}

CUnit::~CUnit() = default;

void CUnit::Start()
{
    m_link.StartLink();
}

void CUnit::ConnectButton()
{
    m_link.OnConnectButton();
}

void CUnit::Tick()
{
    m_protocol.Scheduler().Tick();
    m_link.OnTick();
    m_protocol.Meters().Refresh();
}

void CUnit::DeliverEvents()
{
    bool recalled = false;
    std::array<bool, kChannelCount> notches{};
    std::vector<DeviceChange> deviceChanges;
    std::vector<LinkNote> notes;
    {
        std::lock_guard lock(m_eventMutex);
        m_woken = false;
        recalled = std::exchange(m_recalled, false);
        notches = std::exchange(m_notchesReceived, {});
        deviceChanges.swap(m_deviceChanges);
        notes.swap(m_notes);
        m_sendWanted = false;
    }
    if (recalled) {
        SettingsChange change;
        change.cause = SettingsChange::Cause::Replaced;
        change.everything = true;
        m_observer.SettingsChanged(change);
    }
    if (notches[0] || notches[1]) {
        SettingsChange change;
        change.cause = SettingsChange::Cause::Reported;
        change.notchTables = notches;
        m_observer.SettingsChanged(change);
    }
    for (const DeviceChange& change : deviceChanges)
        m_link.OnDeviceChange(change.change, change.path);
    if (!deviceChanges.empty())
        m_observer.AttachedUnitsChanged();
    for (LinkNote note : notes)
        m_observer.LinkNoted(note);
    m_protocol.Scheduler().SendNext();
    CommandResult results[kOutcomeCapacity];
    const std::size_t n = m_protocol.Scheduler().TakeOutcomes(results, kOutcomeCapacity);
    for (std::size_t i = 0; i < n; ++i)
        m_observer.CommandFinished(results[i]);
}

CSettingsEdit CUnit::Edit(const Action& action)
{
    CSettingsEdit edit(Settings());
    action(edit);
    WriteSettings(edit.After(), edit.Before(), true);
    const SettingsSends sends = edit.Sends();
    Queue(sends);
    m_observer.SettingsChanged(EditChange(edit, sends));
    return edit;
}

void CUnit::StepTo(const UnitSettings& to, const UnitSettings& from)
{
    WriteSettings(to, from, false);
    Queue(DifferenceSends(from, to));
    SettingsChange change;
    change.everything = true;
    m_observer.SettingsChanged(change);
}

void CUnit::Replace(const UnitSettings& settings)
{
    {
        CParameterImage& image = m_protocol.Image();
        ImageLock lock(image.mutex);
        for (int c = 0; c < kChannelCount; ++c) {
            std::memcpy(BlockBytes(image.channels[c]), BlockBytes(settings.channels[c]), kGroupBytes);
            image.channels[c].notchClear = 0;
            image.restoreGains[c] = settings.restoreGains[c];
        }
        for (int f = 0; f < kGlobalFieldCount; ++f) {
            const FieldSpec& spec = Spec(static_cast<GlobalField>(f));
            GlobalBytes(image.globals)[spec.offset] = GlobalBytes(settings.globals)[spec.offset];
        }
    }
    SettingsChange change;
    change.cause = SettingsChange::Cause::Replaced;
    change.everything = true;
    m_observer.SettingsChanged(change);
}

CommandSlot CUnit::QueueEverySetting()
{
    CCommandScheduler& scheduler = m_protocol.Scheduler();
    for (std::uint8_t c = 0; c < kChannelCount; ++c)
        for (std::uint8_t g = 0; g < kGroupCount; ++g)
            scheduler.QueueSetParam(AREA_CHANNEL, c, g);
    for (std::uint8_t item : kGlobalItems)
        scheduler.QueueSetParam(AREA_GLOBAL, 0, item);
    return {CMD_SET_PARAM, AREA_GLOBAL, 0, 0, kGlobalItemLanguage};
}

// Only the bytes that differ are written: a notch table the reader thread
// stores meanwhile is not overwritten by an older copy.
void CUnit::WriteSettings(const UnitSettings& to, const UnitSettings& from, bool notchTables)
{
    const std::size_t end = notchTables ? sizeof(ChannelBlock) : kGroupBytes;
    CParameterImage& image = m_protocol.Image();
    ImageLock lock(image.mutex);
    for (int c = 0; c < kChannelCount; ++c) {
        const std::uint8_t* source = BlockBytes(to.channels[c]);
        const std::uint8_t* before = BlockBytes(from.channels[c]);
        std::uint8_t* target = BlockBytes(image.channels[c]);
        for (std::size_t i = 0; i < end; ++i) {
            if (i != kNotchClearByte && source[i] != before[i])
                target[i] = source[i];
        }
        if (to.restoreGains[c] != from.restoreGains[c])
            image.restoreGains[c] = to.restoreGains[c];
    }
    for (int f = 0; f < kGlobalFieldCount; ++f) {
        const std::size_t offset = Spec(static_cast<GlobalField>(f)).offset;
        if (GlobalBytes(to.globals)[offset] != GlobalBytes(from.globals)[offset])
            GlobalBytes(image.globals)[offset] = GlobalBytes(to.globals)[offset];
    }
}

// In the order the unit has always been sent them: a channel's groups, its
// bands in one write, the other channel, then the global items.
void CUnit::Queue(const SettingsSends& sends)
{
    CCommandScheduler& scheduler = m_protocol.Scheduler();
    for (int c = 0; c < kChannelCount; ++c) {
        const auto channel = static_cast<std::uint8_t>(c);
        for (int g = 0; g < kGroupCount; ++g) {
            const bool band = ((kBandGroups >> g) & 1u) != 0;
            if (!((sends.groups[c] >> g) & 1u) || (band && sends.bandsAsOneWrite[c]))
                continue;
            scheduler.QueueSetParam(AREA_CHANNEL, channel, static_cast<std::uint8_t>(g),
                                    g == kGroupNotch && sends.notchClear[c]);
        }
        if (sends.bandsAsOneWrite[c])
            scheduler.QueueWriteBands(AREA_CHANNEL, channel);
    }
    for (int f = 0; f < kGlobalFieldCount; ++f) {
        if ((sends.globalItems >> f) & 1u)
            scheduler.QueueSetParam(AREA_GLOBAL, 0, static_cast<std::uint8_t>(ItemOf(static_cast<GlobalField>(f))));
    }
}

void CUnit::Wake()
{
    {
        std::lock_guard lock(m_eventMutex);
        if (std::exchange(m_woken, true))
            return;
    }
    m_observer.EventsWaiting();
}

void CUnit::SchedulerWake()
{
    {
        std::lock_guard lock(m_eventMutex);
        m_sendWanted = true;
    }
    Wake();
}

void CUnit::ChannelsRecalled()
{
    {
        std::lock_guard lock(m_eventMutex);
        m_recalled = true;
    }
    Wake();
}

void CUnit::NotchTableReceived(int channel)
{
    {
        std::lock_guard lock(m_eventMutex);
        m_notchesReceived[channel] = true;
    }
    Wake();
}

void CUnit::MeterLampsShown(int channel, const MeterLamps& lamps)
{
    m_observer.MeterLampsShown(channel, lamps);
}

void CUnit::Log(LogCategory category, LogLevel level, const std::string& text)
{
    m_observer.Log(category, level, text);
}

void CUnit::ReadingStarts()
{
    m_protocol.Replies().ResetReceiver();
}

void CUnit::InputReport(const std::uint8_t* report65)
{
    m_protocol.Replies().FeedInputReport(report65);
}

void CUnit::PostDeviceChange(HidDeviceChange change, const std::string& path)
{
    {
        std::lock_guard lock(m_eventMutex);
        m_deviceChanges.push_back({change, path});
    }
    Wake();
}

void CUnit::Note(LinkNote note)
{
    {
        std::lock_guard lock(m_eventMutex);
        m_notes.push_back(note);
    }
    Wake();
}

// Connecting reads the unit's settings, which then replace the image. Without
// the unit nothing is measured: its levels and the notches it found go.
void CUnit::ConnectionChanged(const ConnectionEvent& event)
{
    using Kind = ConnectionEvent::Kind;
    if (event.kind == Kind::Connected || event.kind == Kind::Reconnected)
        m_protocol.Scheduler().QueueReadSetup();
    if (event.kind == Kind::Disconnected || event.kind == Kind::Lost) {
        m_protocol.Meters().Darken();
        ForgetNotches();
    }
    m_observer.ConnectionChanged(event);
}

// Every entry holds no notch until the unit reports its table again. Only the
// frequencies change: notch 0's aux word travels in a settings group.
void CUnit::ForgetNotches()
{
    SettingsChange change;
    change.cause = SettingsChange::Cause::Reported;
    {
        CParameterImage& image = m_protocol.Image();
        ImageLock lock(image.mutex);
        for (int c = 0; c < kChannelCount; ++c) {
            for (NotchEntry& notch : image.channels[c].notches) {
                if (notch.freqHz.Get() > kNoNotchFreqHz) {
                    notch.freqHz.Set(kNoNotchFreqHz);
                    change.notchTables[c] = true;
                }
            }
        }
    }
    if (change.notchTables[0] || change.notchTables[1])
        m_observer.SettingsChanged(change);
}
