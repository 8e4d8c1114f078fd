#include "protocol/CommandScheduler.h"

#include <cstdio>
#include <cstring>
#include <optional>
#include <string>
#include <utility>

namespace {

// A command queued this many ticks ago or earlier has waited a whole tick.
constexpr std::uint32_t kWaitedTicks = 2;

bool IsBarrier(const CommandSlot& c)
{
    return c.code == CMD_READ_SETUP || c.code == CMD_STORE_PRESET || c.code == CMD_RECALL_PRESET;
}

// A global item travels with channel 0.
CommandSlot SetParamCommand(std::uint8_t area, std::uint8_t channel, std::uint8_t group)
{
    return {CMD_SET_PARAM, area, 0, area == AREA_GLOBAL ? std::uint8_t{0} : channel, group};
}

bool IsValid(const CommandSlot& c)
{
    switch (c.code) {
    case CMD_SET_PARAM:
        if (c.a1 == AREA_CHANNEL)
            return c.a3 < kChannelCount && c.a4 < kGroupCount;
        if (c.a1 == AREA_GLOBAL)
            return GlobalItemByte(c.a4) >= 0;
        return c.a1 == AREA_PRESET_NAME && c.a2 >= 1 && c.a2 <= kUserPresetCount;
    case CMD_WRITE_BANDS: return c.a1 == AREA_CHANNEL && c.a3 < kChannelCount;
    case CMD_STORE_PRESET: return c.a2 >= 1 && c.a2 <= kUserPresetCount;
    case CMD_RECALL_PRESET: return c.a2 <= kUserPresetCount;
    case CMD_READ_SETUP: return true;
    default: return false;
    }
}

ReplyClass ReplyClassOf(const CommandSlot& c)
{
    switch (c.code) {
    case CMD_READ_SETUP: return ReplyClass::Setup;
    case CMD_STORE_PRESET: return ReplyClass::Store;
    case CMD_RECALL_PRESET: return ReplyClass::Recall;
    case CMD_WRITE_BANDS: return ReplyClass::WriteBands;
    default: return ReplyClass::SetParam;
    }
}

std::uint8_t WaitBudget(const CommandSlot& c)
{
    switch (c.code) {
    case CMD_READ_SETUP: return kSetupWaitTicks;
    case CMD_WRITE_BANDS: return kWriteBandsWaitTicks;
    case CMD_STORE_PRESET:
    case CMD_RECALL_PRESET: return kPresetWaitTicks;
    default: return kSetParamWaitTicks;
    }
}

// The user's store or recall is told as failed after its first unanswered
// round; from then on it is over, so that it never saves or loads against what
// the user was told, and holds nothing up. It is no setting left to apply
// either. (The recall of the current memory belongs to connecting.)
bool IsPresetCommand(const CommandSlot& c)
{
    return (c.code == CMD_STORE_PRESET || c.code == CMD_RECALL_PRESET) && c.a2 > 0;
}

// Other commands are worth another round once the unit answers again.
std::uint8_t RoundsBeforeGivingUp(const CommandSlot& c)
{
    return IsPresetCommand(c) ? 1 : kMaxRounds;
}

std::string Describe(const CommandSlot& c)
{
    char text[64];
    if (c.code == CMD_SET_PARAM && c.a1 == AREA_CHANNEL)
        std::snprintf(text, sizeof text, "channel %d group %d", c.a3, c.a4);
    else if (c.code == CMD_SET_PARAM && c.a1 == AREA_GLOBAL)
        std::snprintf(text, sizeof text, "global item %d", c.a4);
    else if (c.code == CMD_SET_PARAM)
        std::snprintf(text, sizeof text, "name of preset %d", c.a2);
    else if (c.code == CMD_WRITE_BANDS)
        std::snprintf(text, sizeof text, "bands of channel %d", c.a3);
    else if (c.code == CMD_STORE_PRESET)
        std::snprintf(text, sizeof text, "store of preset %d", c.a2);
    else if (c.code == CMD_RECALL_PRESET)
        std::snprintf(text, sizeof text, "recall of preset %d", c.a2);
    else
        std::snprintf(text, sizeof text, "setup request");
    return text;
}

}  // namespace

// Holds the scheduler's lock; wakes the owner after letting go, when asked to.
class CCommandScheduler::Guard {
public:
    explicit Guard(CCommandScheduler& scheduler) : m_scheduler(scheduler), m_lock(scheduler.m_mutex) {}
    ~Guard()
    {
        const bool wake = std::exchange(m_scheduler.m_wakeWanted, false);
        m_lock.unlock();
        if (wake)
            m_scheduler.m_events.SchedulerWake();
    }
    Guard(const Guard&) = delete;
    Guard& operator=(const Guard&) = delete;

private:
    CCommandScheduler& m_scheduler;
    std::unique_lock<std::mutex> m_lock;
};

CCommandScheduler::CCommandScheduler(CParameterImage& image, CFrameWriter& writer, CProtocolEvents& events)
    : m_image(image), m_writer(writer), m_events(events)
{
}

CCommandScheduler::Entry& CCommandScheduler::At(std::size_t i)
{
    return m_ring[(m_head + i) % kPendingCapacity];
}

const CCommandScheduler::Entry& CCommandScheduler::At(std::size_t i) const
{
    return m_ring[(m_head + i) % kPendingCapacity];
}

CCommandScheduler::Entry* CCommandScheduler::Head()
{
    return m_count > 0 ? &At(0) : nullptr;
}

void CCommandScheduler::Log(LogLevel level, const std::string& text)
{
    m_events.Log(LogCategory::Scheduler, level, text);
}

// "sent channel 0 group 5: 64 00 96 00 5f 00 00 00": what the unit was given, byte by byte.
void CCommandScheduler::LogSent(const Entry& frame)
{
    std::string text = "sent " + Describe(frame.command);
    if (frame.length > 0)
        text += ':';
    for (std::uint16_t i = 0; i < frame.length; ++i) {
        char hex[4];
        std::snprintf(hex, sizeof hex, " %02x", frame.payload[i]);
        text += hex;
    }
    m_events.Log(LogCategory::Frames, LogLevel::Info, text);
}

// The bytes the command's frame carries, as the image holds them now.
void CCommandScheduler::Capture(Entry& e)
{
    const CommandSlot& c = e.command;
    ImageLock lock(m_image.mutex);
    if (c.code == CMD_SET_PARAM && c.a1 == AREA_CHANNEL) {
        ChannelBlock& block = m_image.channels[c.a3];
        if (c.a4 == kGroupNotch)
            block.notchClear = e.notchClear ? 1 : 0;
        e.length = kGroupSize;
        std::memcpy(e.payload, BlockBytes(block) + kGroupSize * c.a4, kGroupSize);
    } else if (c.code == CMD_SET_PARAM && c.a1 == AREA_GLOBAL) {
        e.length = 1;
        e.payload[0] = GlobalBytes(m_image.globals)[GlobalItemByte(c.a4)];
    } else if (c.code == CMD_SET_PARAM) {
        e.length = kPresetNameWireSize;
        std::memcpy(e.payload, m_image.names.records[c.a2], kPresetNameWireSize);
    } else if (c.code == CMD_WRITE_BANDS) {
        e.length = kBandsSize;
        std::memcpy(e.payload, BlockBytes(m_image.channels[c.a3]) + kBandsOffset, kBandsSize);
    } else {
        e.length = 0;
    }
}

// From here on the entry sends the bytes it holds now.
void CCommandScheduler::Seal(Entry& e)
{
    if (!e.sealed) {
        Capture(e);
        e.sealed = true;
    }
}

void CCommandScheduler::RecordOutcome(const CommandSlot& command, CommandOutcome outcome)
{
    if (m_outcomeCount == kOutcomeCapacity) {
        m_outcomeHead = (m_outcomeHead + 1) % kOutcomeCapacity;
        --m_outcomeCount;
    }
    m_outcomes[(m_outcomeHead + m_outcomeCount) % kOutcomeCapacity] = {command, outcome};
    ++m_outcomeCount;
    m_wakeWanted = true;
}

void CCommandScheduler::ForgetFailure(const CommandSlot& command)
{
    std::size_t kept = 0;
    for (std::size_t i = 0; i < m_failedCount; ++i)
        if (!(m_failed[i].command == command))
            m_failed[kept++] = m_failed[i];
    m_failedCount = kept;
}

void CCommandScheduler::AddFailure(const CommandSlot& command, std::uint32_t serial)
{
    ForgetFailure(command);
    if (m_failedCount == kFailedCapacity)
        return;
    m_failed[m_failedCount++] = {command, serial};
}

void CCommandScheduler::RemoveOutstanding(std::size_t i)
{
    for (std::size_t j = i + 1; j < m_outstandingCount; ++j)
        m_outstanding[j - 1] = m_outstanding[j];
    --m_outstandingCount;
}

void CCommandScheduler::AddOutstanding(const CommandSlot& command, std::uint32_t serial)
{
    if (m_outstandingCount == kOutstandingCapacity)
        RemoveOutstanding(0);
    const std::uint32_t expiresAt = m_tick + WaitBudget(command) + kLateReplyTicks;
    m_outstanding[m_outstandingCount++] = {ReplyClassOf(command), serial, expiresAt, false};
}

// The unit's answers carry no name: once another command of the class goes out,
// a late answer to one given up can no longer be told from the new command's,
// and waiting for it would hold the new command back.
void CCommandScheduler::ForgetGivenUpFrames(ReplyClass cls, std::uint32_t sendingSerial)
{
    std::size_t kept = 0;
    for (std::size_t i = 0; i < m_outstandingCount; ++i) {
        const Outstanding& o = m_outstanding[i];
        if (o.cls != cls || o.serial == sendingSerial || o.duplicate)
            m_outstanding[kept++] = o;
    }
    m_outstandingCount = kept;
}

void CCommandScheduler::ExpireOutstanding()
{
    std::size_t kept = 0;
    for (std::size_t i = 0; i < m_outstandingCount; ++i)
        if (m_tick <= m_outstanding[i].expiresAt)
            m_outstanding[kept++] = m_outstanding[i];
    m_outstandingCount = kept;
}

// The last frame of the command did not go out whole: no reply will answer it.
void CCommandScheduler::ForgetLastSend(std::uint32_t serial)
{
    for (std::size_t i = m_outstandingCount; i-- > 0;) {
        if (m_outstanding[i].serial == serial) {
            RemoveOutstanding(i);
            return;
        }
    }
}

void CCommandScheduler::MarkAnswered(std::uint32_t serial)
{
    for (std::size_t i = 0; i < m_outstandingCount; ++i)
        if (m_outstanding[i].serial == serial)
            m_outstanding[i].duplicate = true;
}

void CCommandScheduler::PopHead()
{
    m_ring[m_head] = Entry{};
    m_head = (m_head + 1) % kPendingCapacity;
    --m_count;
    if (m_unsealedFrom > 0)
        --m_unsealedFrom;
    m_waitTicks = 0;
    m_attempts = 0;
    m_rounds = 0;
    m_stalled = false;
    m_wakeWanted = true;
}

void CCommandScheduler::EndHeadAnswered()
{
    Entry& e = At(0);
    MarkAnswered(e.serial);
    RecordOutcome(e.command, CommandOutcome::Answered);
    PopHead();
}

void CCommandScheduler::DropHead()
{
    Entry& e = At(0);
    const int rounds = RoundsBeforeGivingUp(e.command);
    Log(LogLevel::Warning, "dropped " + Describe(e.command) + ": " + std::to_string(rounds) +
                               (rounds == 1 ? " round" : " rounds") + " of attempts went unanswered");
    RecordOutcome(e.command, CommandOutcome::Dropped);
    if (!IsPresetCommand(e.command))
        AddFailure(e.command, e.serial);
    PopHead();
}

// An attempt of the head went without an answer. Its retry goes out on a
// tick; after a round of attempts it waits for the unit to answer anything.
void CCommandScheduler::CountUnanswered()
{
    Entry& e = At(0);
    e.inFlight = false;
    m_waitTicks = 0;
    if (++m_attempts <= kMaxAttempts)
        return;
    m_attempts = 0;
    if (++m_rounds >= RoundsBeforeGivingUp(e.command)) {
        DropHead();
        return;
    }
    m_stalled = true;
    Log(LogLevel::Warning,
             "gave up " + Describe(e.command) + " after " + std::to_string(kMaxAttempts + 1) +
                 " unanswered attempts; it stays pending");
    RecordOutcome(e.command, CommandOutcome::NotAnswered);
}

// Seals every command that may still take later changes: a store, recall or
// setup queued now must find the unit as the window shows it at this moment.
void CCommandScheduler::SealPending()
{
    for (std::size_t i = m_unsealedFrom; i < m_count; ++i)
        Seal(At(i));
}

CCommandScheduler::Entry* CCommandScheduler::FindUnsealed(const CommandSlot& command)
{
    for (std::size_t i = m_unsealedFrom; i < m_count; ++i) {
        Entry& e = At(i);
        if (!e.sealed && e.command == command)
            return &e;
    }
    return nullptr;
}

// A barrier's own frame carries no image bytes: it is sealed as it is queued.
void CCommandScheduler::Append(const CommandSlot& command, bool notchClear)
{
    Entry& e = At(m_count++);
    e = Entry{};
    e.command = command;
    e.serial = m_nextSerial++;
    e.queuedAt = m_tick;
    e.notchClear = notchClear;
    if (IsBarrier(command)) {
        e.sealed = true;
        m_unsealedFrom = m_count;
    }
    m_wakeWanted = true;
}

void CCommandScheduler::Queue(const CommandSlot& command, bool notchClear)
{
    if (!IsValid(command)) {
        Log(LogLevel::Warning, "ignored a command the image cannot serve");
        return;
    }
    Guard guard(*this);
    ForgetFailure(command);
    if (!IsBarrier(command)) {
        if (Entry* pending = FindUnsealed(command)) {
            pending->notchClear = pending->notchClear || notchClear;
            return;
        }
    } else {
        SealPending();
    }
    if (m_count == kPendingCapacity) {
        Log(LogLevel::Warning, "refused " + Describe(command) + ": too many pending");
        RecordOutcome(command, CommandOutcome::Refused);
        AddFailure(command, 0);
        return;
    }
    Append(command, notchClear);
}

bool CCommandScheduler::CanSendHead() const
{
    return m_writer.IsConnected() && !m_sending && m_count > 0 && !At(0).inFlight && !m_stalled &&
           !m_holdUntilTick && !m_pollOutstanding;
}

// What a tick sends once the lock is let go.
enum class TickSend { Nothing, Head, Poll };

CCommandScheduler::TickSend CCommandScheduler::AdvanceTick()
{
    ++m_tick;
    ExpireOutstanding();
    m_pollOutstanding = false;
    m_holdUntilTick = false;
    Entry* head = Head();
    if (head && head->inFlight) {
        if (++m_waitTicks <= WaitBudget(head->command))
            return TickSend::Nothing;
        Log(LogLevel::Info, "no answer to " + Describe(head->command));
        CountUnanswered();
    }
    if (CanSendHead())
        return TickSend::Head;
    if (++m_idleTicks <= kPollIntervalTicks || m_sending)
        return TickSend::Nothing;
    m_idleTicks = 0;
    m_pollOutstanding = true;
    m_sending = true;
    return TickSend::Poll;
}

void CCommandScheduler::SendPoll()
{
    const bool sent = m_writer.SendFrame(CMD_POLL, 0, 0, 0, 0, 0, nullptr);
    Guard guard(*this);
    m_sending = false;
    if (!sent)
        m_pollOutstanding = false;
}

void CCommandScheduler::QueueSetParam(std::uint8_t area, std::uint8_t channel, std::uint8_t group, bool notchClear)
{
    Queue(SetParamCommand(area, channel, group), notchClear && area == AREA_CHANNEL && group == kGroupNotch);
}

void CCommandScheduler::QueueWriteBands(std::uint8_t area, std::uint8_t channel)
{
    Queue({CMD_WRITE_BANDS, area, 0, channel, 0});
}

void CCommandScheduler::QueuePresetName(std::uint8_t n)
{
    Queue({CMD_SET_PARAM, AREA_PRESET_NAME, n, 0, 0});
}

void CCommandScheduler::QueueStorePreset(std::uint8_t n)
{
    Queue({CMD_STORE_PRESET, 0, n, 0, 0});
}

void CCommandScheduler::QueueRecallPreset(std::uint8_t n)
{
    Queue({CMD_RECALL_PRESET, 0, n, 0, 0});
}

void CCommandScheduler::DropPending()
{
    Guard guard(*this);
    DropPendingLocked();
}

void CCommandScheduler::DropPendingLocked()
{
    for (std::size_t i = 0; i < m_count; ++i)
        RecordOutcome(At(i).command, CommandOutcome::Cleared);
    for (std::size_t i = 0; i < m_count; ++i)
        At(i) = Entry{};
    m_head = m_count = m_unsealedFrom = 0;
    m_waitTicks = m_attempts = m_rounds = m_idleTicks = 0;
    m_stalled = m_holdUntilTick = m_pollOutstanding = false;
    m_outstandingCount = 0;
    m_failedCount = 0;
}

void CCommandScheduler::QueueReadSetup()
{
    Guard guard(*this);
    DropPendingLocked();
    Append({CMD_READ_SETUP, kSetupWithGlobals, 0, 0, 0}, false);
}

void CCommandScheduler::Tick()
{
    TickSend send = TickSend::Nothing;
    {
        Guard guard(*this);
        if (!m_writer.IsConnected())
            return;
        send = AdvanceTick();
    }
    if (send == TickSend::Head)
        SendNext();
    else if (send == TickSend::Poll)
        SendPoll();
}

void CCommandScheduler::SendNext()
{
    // A copy, taken only when a frame goes out: a reply may end the entry while its frame is written.
    std::optional<Entry> sending;
    {
        Guard guard(*this);
        if (!CanSendHead())
            return;
        Entry& e = At(0);
        Seal(e);
        e.inFlight = true;
        m_waitTicks = 0;
        m_sending = true;
        ForgetGivenUpFrames(ReplyClassOf(e.command), e.serial);
        AddOutstanding(e.command, e.serial);
        sending.emplace(e);
    }
    const Entry& frame = *sending;
    const CommandSlot& c = frame.command;
    const bool sent = m_writer.SendFrame(c.code, c.a1, c.a2, c.a3, c.a4, frame.length, frame.payload);
    if (sent)
        LogSent(frame);
    Guard guard(*this);
    m_sending = false;
    m_idleTicks = 0;
    if (sent)
        return;
    ForgetLastSend(frame.serial);
    Entry* head = Head();
    if (head && head->serial == frame.serial && head->inFlight) {
        Log(LogLevel::Info, "could not send " + Describe(frame.command));
        m_holdUntilTick = true;
        CountUnanswered();
    }
}

std::size_t CCommandScheduler::TakeOutcomes(CommandResult* out, std::size_t capacity)
{
    std::lock_guard lock(m_mutex);
    std::size_t n = 0;
    while (n < capacity && m_outcomeCount > 0) {
        out[n++] = m_outcomes[m_outcomeHead];
        m_outcomeHead = (m_outcomeHead + 1) % kOutcomeCapacity;
        --m_outcomeCount;
    }
    return n;
}

SchedulerStatus CCommandScheduler::Status() const
{
    std::lock_guard lock(m_mutex);
    SchedulerStatus status;
    status.pending = static_cast<int>(m_count);
    status.waiting = m_count > 0 && m_tick - At(0).queuedAt >= kWaitedTicks;
    status.stalled = m_stalled;
    status.failed = static_cast<int>(m_failedCount);
    if (m_failedCount > 0)
        status.firstFailed = m_failed[0].command;
    return status;
}

std::size_t CCommandScheduler::Pending(CommandSlot* out, std::size_t capacity) const
{
    std::lock_guard lock(m_mutex);
    std::size_t n = 0;
    for (; n < capacity && n < m_count; ++n)
        out[n] = At(n).command;
    return n;
}

std::size_t CCommandScheduler::Failed(CommandSlot* out, std::size_t capacity) const
{
    std::lock_guard lock(m_mutex);
    std::size_t n = 0;
    for (; n < capacity && n < m_failedCount; ++n)
        out[n] = m_failed[n].command;
    return n;
}

void CCommandScheduler::NoteAnswer()
{
    Guard guard(*this);
    if (m_stalled) {
        m_stalled = false;
        m_wakeWanted = true;
    }
}

bool CCommandScheduler::TakeReply(ReplyClass cls, const ApplyReply& apply, const std::uint8_t* payload,
                                  std::uint16_t n)
{
    Guard guard(*this);
    std::size_t i = 0;
    while (i < m_outstandingCount && m_outstanding[i].cls != cls)
        ++i;
    if (i == m_outstandingCount) {   // asked for by nothing: applied all the same
        if (apply)
            apply(payload, n);
        return true;
    }
    const Outstanding frame = m_outstanding[i];
    RemoveOutstanding(i);
    if (frame.duplicate)
        return false;
    if (apply)
        apply(payload, n);
    const Entry* head = Head();
    if (head && head->serial == frame.serial) {
        EndHeadAnswered();
        return true;
    }
    // A command given up earlier was answered late: it did reach the unit.
    MarkAnswered(frame.serial);
    for (std::size_t f = 0; f < m_failedCount; ++f) {
        if (m_failed[f].serial == frame.serial) {
            const CommandSlot command = m_failed[f].command;
            ForgetFailure(command);
            RecordOutcome(command, CommandOutcome::Answered);
            break;
        }
    }
    return true;
}

void CCommandScheduler::TakeStatus()
{
    Guard guard(*this);
    if (m_pollOutstanding) {
        m_pollOutstanding = false;
        m_wakeWanted = m_count > 0;
    }
}

void CCommandScheduler::TakeRetryRequest()
{
    Guard guard(*this);
    Entry* head = Head();
    if (!head || !head->inFlight)
        return;
    ForgetLastSend(head->serial);
    m_holdUntilTick = true;
    CountUnanswered();
}
