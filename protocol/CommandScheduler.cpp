#include "protocol/CommandScheduler.h"

#include "protocol/Framing.h"
#include "protocol/CommunicationLog.h"

#include <array>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <string>
#include <utility>

namespace {

constexpr std::size_t kOutstandingCapacity = 32;
constexpr std::size_t kFailedCapacity = kPendingCapacity;
// A command queued this many ticks ago or earlier has waited a whole tick.
constexpr std::uint32_t kWaitedTicks = 2;

struct Entry {
    CommandSlot command;
    std::uint32_t serial = 0;
    std::uint32_t queuedAt = 0;
    bool notchClear = false;   // group 15 carries a Notch Clear request
    bool sealed = false;       // payload holds the bytes to send; later changes queue anew
    bool inFlight = false;
    std::uint16_t length = 0;
    std::uint8_t payload[kBandsSize]{};
};

// A frame sent whose reply has not come yet.
struct Outstanding {
    ReplyClass cls = ReplyClass::SetParam;
    std::uint32_t serial = 0;
    std::uint32_t expiresAt = 0;   // the tick after which no reply to it is expected
    bool duplicate = false;        // its command was answered already
};

struct Failure {
    CommandSlot command;
    std::uint32_t serial = 0;
};

struct State {
    std::array<Entry, kPendingCapacity> ring;
    std::size_t head = 0;
    std::size_t count = 0;
    std::size_t unsealedFrom = 0;   // entries before it wait in front of a store, recall or setup
    std::uint32_t nextSerial = 1;
    std::uint32_t tick = 0;
    std::uint8_t waitTicks = 0;
    std::uint8_t attempts = 0;
    std::uint8_t rounds = 0;
    std::uint8_t idleTicks = 0;
    bool stalled = false;
    bool holdUntilTick = false;     // a retry the unit asked for, or of a frame not written, waits for the tick
    bool pollOutstanding = false;   // a poll holds the link until its reply or the next tick
    bool sending = false;           // a frame is being written
    bool wakeWanted = false;
    std::array<Outstanding, kOutstandingCapacity> outstanding;
    std::size_t outstandingCount = 0;
    std::array<Failure, kFailedCapacity> failed;
    std::size_t failedCount = 0;
    std::array<CommandResult, kOutcomeCapacity> outcomes;
    std::size_t outcomeHead = 0;
    std::size_t outcomeCount = 0;
};

std::mutex g_SchedulerMutex;
State g_State;
std::mutex g_WakeHookMutex;
SchedulerWakeHook g_WakeHook;

void CallWakeHook()
{
    std::lock_guard lock(g_WakeHookMutex);
    if (g_WakeHook)
        g_WakeHook();
}

// Holds the scheduler's lock; wakes the owner after letting go, when asked to.
class Guard {
public:
    Guard() : m_lock(g_SchedulerMutex) {}
    ~Guard()
    {
        const bool wake = std::exchange(g_State.wakeWanted, false);
        m_lock.unlock();
        if (wake)
            CallWakeHook();
    }
    Guard(const Guard&) = delete;
    Guard& operator=(const Guard&) = delete;

private:
    std::unique_lock<std::mutex> m_lock;
};

State& S()
{
    return g_State;
}

Entry& At(std::size_t i)
{
    return S().ring[(S().head + i) % kPendingCapacity];
}

Entry* Head()
{
    return S().count > 0 ? &At(0) : nullptr;
}

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

// The bytes the command's frame carries, as the image holds them now.
void Capture(Entry& e)
{
    const CommandSlot& c = e.command;
    ImageLock lock(g_ImageMutex);
    if (c.code == CMD_SET_PARAM && c.a1 == AREA_CHANNEL) {
        ChannelBlock& block = g_ChannelBlocks[c.a3];
        if (c.a4 == kGroupNotch)
            block.notchClear = e.notchClear ? 1 : 0;
        e.length = kGroupSize;
        std::memcpy(e.payload, BlockBytes(block) + kGroupSize * c.a4, kGroupSize);
    } else if (c.code == CMD_SET_PARAM && c.a1 == AREA_GLOBAL) {
        e.length = 1;
        e.payload[0] = GlobalBytes(g_GlobalSettings)[GlobalItemByte(c.a4)];
    } else if (c.code == CMD_SET_PARAM) {
        e.length = kPresetNameWireSize;
        std::memcpy(e.payload, g_PresetNames.records[c.a2], kPresetNameWireSize);
    } else if (c.code == CMD_WRITE_BANDS) {
        e.length = kBandsSize;
        std::memcpy(e.payload, BlockBytes(g_ChannelBlocks[c.a3]) + kBandsOffset, kBandsSize);
    } else {
        e.length = 0;
    }
}

// From here on the entry sends the bytes it holds now.
void Seal(Entry& e)
{
    if (!e.sealed) {
        Capture(e);
        e.sealed = true;
    }
}

bool SendEntry(const Entry& e)
{
    const CommandSlot& c = e.command;
    return SendFrame(c.code, c.a1, c.a2, c.a3, c.a4, e.length, e.payload);
}

void RecordOutcome(const CommandSlot& command, CommandOutcome outcome)
{
    State& s = S();
    if (s.outcomeCount == kOutcomeCapacity) {
        s.outcomeHead = (s.outcomeHead + 1) % kOutcomeCapacity;
        --s.outcomeCount;
    }
    s.outcomes[(s.outcomeHead + s.outcomeCount) % kOutcomeCapacity] = {command, outcome};
    ++s.outcomeCount;
    s.wakeWanted = true;
}

void ForgetFailure(const CommandSlot& command)
{
    State& s = S();
    std::size_t kept = 0;
    for (std::size_t i = 0; i < s.failedCount; ++i)
        if (!(s.failed[i].command == command))
            s.failed[kept++] = s.failed[i];
    s.failedCount = kept;
}

void AddFailure(const CommandSlot& command, std::uint32_t serial)
{
    State& s = S();
    ForgetFailure(command);
    if (s.failedCount == kFailedCapacity)
        return;
    s.failed[s.failedCount++] = {command, serial};
}

void RemoveOutstanding(std::size_t i)
{
    State& s = S();
    for (std::size_t j = i + 1; j < s.outstandingCount; ++j)
        s.outstanding[j - 1] = s.outstanding[j];
    --s.outstandingCount;
}

void AddOutstanding(const CommandSlot& command, std::uint32_t serial)
{
    State& s = S();
    if (s.outstandingCount == kOutstandingCapacity)
        RemoveOutstanding(0);
    const std::uint32_t expiresAt = s.tick + WaitBudget(command) + kLateReplyTicks;
    s.outstanding[s.outstandingCount++] = {ReplyClassOf(command), serial, expiresAt, false};
}

void ExpireOutstanding()
{
    State& s = S();
    std::size_t kept = 0;
    for (std::size_t i = 0; i < s.outstandingCount; ++i)
        if (s.tick <= s.outstanding[i].expiresAt)
            s.outstanding[kept++] = s.outstanding[i];
    s.outstandingCount = kept;
}

// The last frame of the command did not go out whole: no reply will answer it.
void ForgetLastSend(std::uint32_t serial)
{
    State& s = S();
    for (std::size_t i = s.outstandingCount; i-- > 0;) {
        if (s.outstanding[i].serial == serial) {
            RemoveOutstanding(i);
            return;
        }
    }
}

void MarkAnswered(std::uint32_t serial)
{
    State& s = S();
    for (std::size_t i = 0; i < s.outstandingCount; ++i)
        if (s.outstanding[i].serial == serial)
            s.outstanding[i].duplicate = true;
}

void PopHead()
{
    State& s = S();
    s.ring[s.head] = Entry{};
    s.head = (s.head + 1) % kPendingCapacity;
    --s.count;
    if (s.unsealedFrom > 0)
        --s.unsealedFrom;
    s.waitTicks = 0;
    s.attempts = 0;
    s.rounds = 0;
    s.stalled = false;
    s.wakeWanted = true;
}

void EndHeadAnswered()
{
    Entry& e = At(0);
    MarkAnswered(e.serial);
    RecordOutcome(e.command, CommandOutcome::Answered);
    PopHead();
}

void DropHead()
{
    Entry& e = At(0);
    LogEvent(LogCategory::Scheduler, LogLevel::Warning,
             "dropped " + Describe(e.command) + ": " + std::to_string(kMaxRounds) + " rounds went unanswered");
    RecordOutcome(e.command, CommandOutcome::Dropped);
    AddFailure(e.command, e.serial);
    PopHead();
}

// An attempt of the head went without an answer. Its retry goes out on a
// tick; after a round of attempts it waits for the unit to answer anything.
void CountUnanswered()
{
    State& s = S();
    Entry& e = At(0);
    e.inFlight = false;
    s.waitTicks = 0;
    if (++s.attempts <= kMaxAttempts)
        return;
    s.attempts = 0;
    if (++s.rounds >= kMaxRounds) {
        DropHead();
        return;
    }
    s.stalled = true;
    LogEvent(LogCategory::Scheduler, LogLevel::Warning,
             "gave up " + Describe(e.command) + " after " + std::to_string(kMaxAttempts + 1) +
                 " unanswered attempts; it stays pending");
    RecordOutcome(e.command, CommandOutcome::NotAnswered);
}

// Seals every command that may still take later changes: a store, recall or
// setup queued now must find the unit as the window shows it at this moment.
void SealPending()
{
    State& s = S();
    for (std::size_t i = s.unsealedFrom; i < s.count; ++i)
        Seal(At(i));
}

Entry* FindUnsealed(const CommandSlot& command)
{
    State& s = S();
    for (std::size_t i = s.unsealedFrom; i < s.count; ++i) {
        Entry& e = At(i);
        if (!e.sealed && e.command == command)
            return &e;
    }
    return nullptr;
}

// A barrier's own frame carries no image bytes: it is sealed as it is queued.
void Append(const CommandSlot& command, bool notchClear)
{
    State& s = S();
    Entry& e = At(s.count++);
    e = Entry{};
    e.command = command;
    e.serial = s.nextSerial++;
    e.queuedAt = s.tick;
    e.notchClear = notchClear;
    if (IsBarrier(command)) {
        e.sealed = true;
        s.unsealedFrom = s.count;
    }
    s.wakeWanted = true;
}

void Queue(const CommandSlot& command, bool notchClear = false)
{
    if (!IsValid(command)) {
        LogEvent(LogCategory::Scheduler, LogLevel::Warning, "ignored a command the image cannot serve");
        return;
    }
    Guard guard;
    State& s = S();
    ForgetFailure(command);
    if (!IsBarrier(command)) {
        if (Entry* pending = FindUnsealed(command)) {
            pending->notchClear = pending->notchClear || notchClear;
            return;
        }
    } else {
        SealPending();
    }
    if (s.count == kPendingCapacity) {
        LogEvent(LogCategory::Scheduler, LogLevel::Warning, "refused " + Describe(command) + ": too many pending");
        RecordOutcome(command, CommandOutcome::Refused);
        AddFailure(command, 0);
        return;
    }
    Append(command, notchClear);
}

bool CanSendHead()
{
    const State& s = S();
    return g_Connected.load() != 0 && !s.sending && s.count > 0 && !At(0).inFlight && !s.stalled &&
           !s.holdUntilTick && !s.pollOutstanding;
}

// What a tick sends once the lock is let go.
enum class TickSend { Nothing, Head, Poll };

TickSend AdvanceTick()
{
    State& s = S();
    ++s.tick;
    ExpireOutstanding();
    s.pollOutstanding = false;
    s.holdUntilTick = false;
    Entry* head = Head();
    if (head && head->inFlight) {
        if (++s.waitTicks <= WaitBudget(head->command))
            return TickSend::Nothing;
        LogEvent(LogCategory::Scheduler, LogLevel::Info, "no answer to " + Describe(head->command));
        CountUnanswered();
    }
    if (CanSendHead())
        return TickSend::Head;
    if (++s.idleTicks <= kPollIntervalTicks || s.sending)
        return TickSend::Nothing;
    s.idleTicks = 0;
    s.pollOutstanding = true;
    s.sending = true;
    return TickSend::Poll;
}

void SendPoll()
{
    const bool sent = SendFrame(CMD_POLL, 0, 0, 0, 0, 0, nullptr);
    Guard guard;
    S().sending = false;
    if (!sent)
        S().pollOutstanding = false;
}

}  // namespace

void QueueSetParam(std::uint8_t area, std::uint8_t channel, std::uint8_t group)
{
    // A Notch Clear request belongs to the group-15 command queued right after it.
    const bool clear = area == AREA_CHANNEL && group == kGroupNotch && g_NotchClearRequest.exchange(0) == 1;
    Queue(SetParamCommand(area, channel, group), clear);
}

void QueueWriteBands(std::uint8_t area, std::uint8_t channel)
{
    Queue({CMD_WRITE_BANDS, area, 0, channel, 0});
}

void QueuePresetName(std::uint8_t n)
{
    Queue({CMD_SET_PARAM, AREA_PRESET_NAME, n, 0, 0});
}

void QueueStorePreset(std::uint8_t n)
{
    Queue({CMD_STORE_PRESET, 0, n, 0, 0});
}

void QueueRecallPreset(std::uint8_t n)
{
    Queue({CMD_RECALL_PRESET, 0, n, 0, 0});
}

void QueueReadSetup()
{
    Guard guard;
    State& s = S();
    for (std::size_t i = 0; i < s.count; ++i)
        RecordOutcome(At(i).command, CommandOutcome::Cleared);
    for (std::size_t i = 0; i < s.count; ++i)
        At(i) = Entry{};
    s.head = s.count = s.unsealedFrom = 0;
    s.waitTicks = s.attempts = s.rounds = s.idleTicks = 0;
    s.stalled = s.holdUntilTick = s.pollOutstanding = false;
    s.outstandingCount = 0;
    s.failedCount = 0;
    Append({CMD_READ_SETUP, kSetupWithGlobals, 0, 0, 0}, false);
}

void SchedulerTick()
{
    TickSend send = TickSend::Nothing;
    {
        Guard guard;
        if (g_Connected.load() == 0)
            return;
        send = AdvanceTick();
    }
    if (send == TickSend::Head)
        SchedulerSendNext();
    else if (send == TickSend::Poll)
        SendPoll();
}

void SchedulerSendNext()
{
    Entry frame;
    {
        Guard guard;
        if (!CanSendHead())
            return;
        State& s = S();
        Entry& e = At(0);
        Seal(e);
        e.inFlight = true;
        s.waitTicks = 0;
        s.sending = true;
        AddOutstanding(e.command, e.serial);
        frame = e;
    }
    const bool sent = SendEntry(frame);
    Guard guard;
    State& s = S();
    s.sending = false;
    s.idleTicks = 0;
    if (sent)
        return;
    ForgetLastSend(frame.serial);
    Entry* head = Head();
    if (head && head->serial == frame.serial && head->inFlight) {
        LogEvent(LogCategory::Scheduler, LogLevel::Info, "could not send " + Describe(frame.command));
        s.holdUntilTick = true;
        CountUnanswered();
    }
}

void SetSchedulerWakeHook(SchedulerWakeHook hook)
{
    std::lock_guard lock(g_WakeHookMutex);
    g_WakeHook = std::move(hook);
}

std::size_t TakeCommandOutcomes(CommandResult* out, std::size_t capacity)
{
    std::lock_guard lock(g_SchedulerMutex);
    State& s = S();
    std::size_t n = 0;
    while (n < capacity && s.outcomeCount > 0) {
        out[n++] = s.outcomes[s.outcomeHead];
        s.outcomeHead = (s.outcomeHead + 1) % kOutcomeCapacity;
        --s.outcomeCount;
    }
    return n;
}

SchedulerStatus GetSchedulerStatus()
{
    std::lock_guard lock(g_SchedulerMutex);
    const State& s = S();
    SchedulerStatus status;
    status.pending = static_cast<int>(s.count);
    status.waiting = s.count > 0 && s.tick - At(0).queuedAt >= kWaitedTicks;
    status.stalled = s.stalled;
    status.failed = static_cast<int>(s.failedCount);
    if (s.failedCount > 0)
        status.firstFailed = s.failed[0].command;
    return status;
}

std::size_t PendingCommands(CommandSlot* out, std::size_t capacity)
{
    std::lock_guard lock(g_SchedulerMutex);
    std::size_t n = 0;
    for (; n < capacity && n < S().count; ++n)
        out[n] = At(n).command;
    return n;
}

std::size_t FailedCommands(CommandSlot* out, std::size_t capacity)
{
    std::lock_guard lock(g_SchedulerMutex);
    std::size_t n = 0;
    for (; n < capacity && n < S().failedCount; ++n)
        out[n] = S().failed[n].command;
    return n;
}

void SchedulerNoteAnswer()
{
    Guard guard;
    if (S().stalled) {
        S().stalled = false;
        S().wakeWanted = true;
    }
}

bool SchedulerTakeReply(ReplyClass cls, void (*apply)(const std::uint8_t*, std::uint16_t),
                        const std::uint8_t* payload, std::uint16_t n)
{
    Guard guard;
    State& s = S();
    std::size_t i = 0;
    while (i < s.outstandingCount && s.outstanding[i].cls != cls)
        ++i;
    if (i == s.outstandingCount) {   // asked for by nothing: applied all the same
        if (apply)
            apply(payload, n);
        return true;
    }
    const Outstanding frame = s.outstanding[i];
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
    for (std::size_t f = 0; f < s.failedCount; ++f) {
        if (s.failed[f].serial == frame.serial) {
            const CommandSlot command = s.failed[f].command;
            ForgetFailure(command);
            RecordOutcome(command, CommandOutcome::Answered);
            break;
        }
    }
    return true;
}

void SchedulerTakeStatus()
{
    Guard guard;
    if (S().pollOutstanding) {
        S().pollOutstanding = false;
        S().wakeWanted = S().count > 0;
    }
}

void SchedulerTakeRetryRequest()
{
    Guard guard;
    Entry* head = Head();
    if (!head || !head->inFlight)
        return;
    ForgetLastSend(head->serial);
    S().holdUntilTick = true;
    CountUnanswered();
}

void ResetSchedulerState()
{
    std::lock_guard lock(g_SchedulerMutex);
    g_State = State{};
    g_NotchClearRequest.store(0);
}
