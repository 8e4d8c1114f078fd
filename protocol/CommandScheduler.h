// The command scheduler: the setters put commands into a bounded set of
// pending commands, one per address, in the user's order; the first goes out
// as soon as the link is free and stays in flight until the reply that answers
// it. The 100 ms tick times the waits, sends retries and polls the unit while
// nothing is pending.
//
// A command the unit does not answer holds the ones behind it at most for its
// own give-up time, counted from its first send, against a unit that answers
// its polls: a store or recall one round of four attempts, 144 ticks (14.4 s),
// after which the user has been told and it is over; the others three rounds,
// with a poll answered between them: a set-parameter command (a preset name
// too) 28 ticks (2.8 s), a setup read 196 ticks (19.6 s), a band write 256 ticks
// (25.6 s). Then it is dropped and never sent again, and the changes behind it
// go out at once: the longest wait of a change behind one silent command is
// 25.6 s. Only a unit that answers nothing at all holds everything, until it
// answers again.
//
// One thread drives the scheduler (the window's thread): Tick and SendNext run
// only there, so frames never interleave. The setters may be called on any
// thread; the reply handler runs on the reader thread.
// Lock order: the scheduler's own lock before the image's, never the reverse.
#pragma once

#include "protocol/Framing.h"
#include "protocol/ParameterImage.h"
#include "protocol/ProtocolEvents.h"

#include <cstddef>
#include <cstdint>
#include <array>
#include <functional>
#include <mutex>

// Ticks an attempt waits for its reply before it is sent again. A set-parameter
// command is answered before the next tick, so one whole tick is its budget.
constexpr std::uint8_t kSetParamWaitTicks = 1;
constexpr std::uint8_t kSetupWaitTicks = 15;
constexpr std::uint8_t kWriteBandsWaitTicks = 20;
constexpr std::uint8_t kPresetWaitTicks = 35;
constexpr std::uint8_t kPollIntervalTicks = 2;   // an idle link polls on every third tick
constexpr std::uint8_t kMaxAttempts = 3;         // a round ends once its attempts exceed this: four sends
constexpr std::uint8_t kMaxRounds = 3;           // a set-parameter command no round got answered is dropped
// A reply later than this after its frame's wait budget ran out is not expected.
constexpr std::uint8_t kLateReplyTicks = 10;
constexpr std::size_t kPendingCapacity = 128;
constexpr std::size_t kOutcomeCapacity = 64;

enum class CommandOutcome : std::uint8_t {
    Answered,      // the unit answered it
    NotAnswered,   // a round of a set-parameter command went unanswered; it stays pending
    Dropped,       // given up: never sent again
    Refused,       // the pending set was full: never queued
    Cleared,       // dropped by a connect, whose settings replace the image
};

struct CommandResult {
    CommandSlot command;
    CommandOutcome outcome = CommandOutcome::Answered;
};

struct SchedulerStatus {
    int pending = 0;            // commands not answered yet, the one in flight included
    bool waiting = false;       // the oldest of them has waited a whole tick or more
    bool stalled = false;       // a round went unanswered: waiting for the unit to answer again
    int failed = 0;             // dropped commands, until their address changes again or a connect
    CommandSlot firstFailed;
};

// What a reply answers.
enum class ReplyClass : std::uint8_t { SetParam, Setup, Store, Recall, WriteBands };

class CCommandScheduler {
public:
    CCommandScheduler(CParameterImage& image, CFrameWriter& writer, CProtocolEvents& events);
    CCommandScheduler(const CCommandScheduler&) = delete;
    CCommandScheduler& operator=(const CCommandScheduler&) = delete;

    // Setters: queue a command (an address already pending is not queued twice;
    // its frame is built from the image when it goes out). They never send.
    // A Notch Clear request travels with the channel's group 15 queued with it.
    void QueueSetParam(std::uint8_t area, std::uint8_t channel, std::uint8_t group, bool notchClear = false);
    void QueueWriteBands(std::uint8_t area, std::uint8_t channel);
    void QueuePresetName(std::uint8_t n);
    // Store, recall and setup wait for the commands queued before them, which keep
    // the bytes the image held at this moment.
    void QueueStorePreset(std::uint8_t n);
    void QueueRecallPreset(std::uint8_t n);
    // Connecting: the unit's settings replace the image, so every pending command
    // is dropped and the failures are forgotten before the setup is asked for.
    void QueueReadSetup();
    // Every pending command dropped, each reported as Cleared, and the failures forgotten.
    void DropPending();

    // One scheduler step; run by the 100 ms timer.
    void Tick();
    // Sends the first pending command if the link is free.
    void SendNext();

    // The outcomes since the last call, oldest first; returns how many were copied.
    std::size_t TakeOutcomes(CommandResult* out, std::size_t capacity);
    SchedulerStatus Status() const;
    // The pending commands in order, the one in flight first.
    std::size_t Pending(CommandSlot* out, std::size_t capacity) const;
    // The dropped commands, oldest first.
    std::size_t Failed(CommandSlot* out, std::size_t capacity) const;

    // For the reply handler (reader thread). Every accepted frame tells that the
    // unit answers. A reply of a class is matched to the oldest frame of that
    // class still unanswered: it ends the command in flight when that frame is
    // its own; a late answer to a frame whose command was answered already is
    // stale. apply (which must not call the setters) copies the reply's data
    // unless it is stale, before the command ends. Returns whether it applied.
    using ApplyReply = std::function<void(const std::uint8_t* payload, std::uint16_t n)>;
    bool TakeReply(ReplyClass cls, const ApplyReply& apply, const std::uint8_t* payload, std::uint16_t n);
    // A status reply: the poll no longer holds the link.
    void TakeStatus();
    // The unit asks for the frame in flight again (AEh): the attempt is over.
    void TakeRetryRequest();
    // Any accepted frame: a stalled command is tried again.
    void NoteAnswer();

private:
    static constexpr std::size_t kOutstandingCapacity = 32;
    static constexpr std::size_t kFailedCapacity = kPendingCapacity;

    struct Entry {
        CommandSlot command;
        std::uint32_t serial = 0;
        std::uint32_t queuedAt = 0;
        bool notchClear = false;   // group 15 carries a Notch Clear request
        bool sealed = false;       // payload holds the bytes to send; later changes queue anew
        bool inFlight = false;
        std::uint16_t length = 0;
        // No initializer of its own: Entry{} zeroes it, and the ring's {} zeroes
        // all 128 in one go instead of one fill per entry.
        std::uint8_t payload[kBandsSize];
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

    // What a tick sends once the lock is let go.
    enum class TickSend { Nothing, Head, Poll };

    class Guard;

    Entry& At(std::size_t i);
    const Entry& At(std::size_t i) const;
    Entry* Head();
    void Capture(Entry& e);
    void Seal(Entry& e);
    void RecordOutcome(const CommandSlot& command, CommandOutcome outcome);
    void ForgetFailure(const CommandSlot& command);
    void AddFailure(const CommandSlot& command, std::uint32_t serial);
    void RemoveOutstanding(std::size_t i);
    void AddOutstanding(const CommandSlot& command, std::uint32_t serial);
    void ForgetGivenUpFrames(ReplyClass cls, std::uint32_t sendingSerial);
    void ExpireOutstanding();
    void ForgetLastSend(std::uint32_t serial);
    void MarkAnswered(std::uint32_t serial);
    void PopHead();
    void EndHeadAnswered();
    void DropHead();
    void CountUnanswered();
    void SealPending();
    Entry* FindUnsealed(const CommandSlot& command);
    void Append(const CommandSlot& command, bool notchClear);
    void Queue(const CommandSlot& command, bool notchClear = false);
    void DropPendingLocked();
    bool CanSendHead() const;
    TickSend AdvanceTick();
    void SendPoll();
    void Log(LogLevel level, const std::string& text);
    void LogSent(const Entry& frame);

    CParameterImage& m_image;
    CFrameWriter& m_writer;
    CProtocolEvents& m_events;

    mutable std::mutex m_mutex;
    std::array<Entry, kPendingCapacity> m_ring{};
    std::size_t m_head = 0;
    std::size_t m_count = 0;
    std::size_t m_unsealedFrom = 0;   // entries before it wait in front of a store, recall or setup
    std::uint32_t m_nextSerial = 1;
    std::uint32_t m_tick = 0;
    std::uint8_t m_waitTicks = 0;
    std::uint8_t m_attempts = 0;
    std::uint8_t m_rounds = 0;
    std::uint8_t m_idleTicks = 0;
    bool m_stalled = false;
    bool m_holdUntilTick = false;     // a retry the unit asked for, or of a frame not written, waits for the tick
    bool m_pollOutstanding = false;   // a poll holds the link until its reply or the next tick
    bool m_sending = false;           // a frame is being written
    bool m_wakeWanted = false;
    std::array<Outstanding, kOutstandingCapacity> m_outstanding;
    std::size_t m_outstandingCount = 0;
    std::array<Failure, kFailedCapacity> m_failed;
    std::size_t m_failedCount = 0;
    std::array<CommandResult, kOutcomeCapacity> m_outcomes;
    std::size_t m_outcomeHead = 0;
    std::size_t m_outcomeCount = 0;
};
