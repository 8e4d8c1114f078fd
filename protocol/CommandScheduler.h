// The command scheduler: the setters put commands into a bounded set of
// pending commands, one per address, in the user's order; the first goes out
// as soon as the link is free and stays in flight until the reply that answers
// it. The 100 ms tick times the waits, sends retries and polls the unit while
// nothing is pending.
//
// One thread drives the scheduler (the window's thread): SchedulerTick and
// SchedulerSendNext run only there, so frames never interleave. The setters
// may be called on any thread; the reply handler runs on the reader thread.
// Lock order: the scheduler's own lock before g_ImageMutex, never the reverse.
#pragma once

#include "protocol/ParameterImage.h"

#include <cstddef>
#include <cstdint>
#include <functional>

// Ticks an attempt waits for its reply before it is sent again. A set-parameter
// command is answered before the next tick, so one whole tick is its budget.
constexpr std::uint8_t kSetParamWaitTicks = 1;
constexpr std::uint8_t kSetupWaitTicks = 15;
constexpr std::uint8_t kWriteBandsWaitTicks = 20;
constexpr std::uint8_t kPresetWaitTicks = 35;
constexpr std::uint8_t kPollIntervalTicks = 2;   // an idle link polls on every third tick
constexpr std::uint8_t kMaxAttempts = 3;         // a round ends once its attempts exceed this: four sends
constexpr std::uint8_t kMaxRounds = 3;           // a command no round got answered is dropped
// A reply later than this after its frame's wait budget ran out is not expected.
constexpr std::uint8_t kLateReplyTicks = 10;
constexpr std::size_t kPendingCapacity = 128;
constexpr std::size_t kOutcomeCapacity = 64;

// Setters: queue a command (an address already pending is not queued twice;
// its frame is built from the image when it goes out). They never send.
void QueueSetParam(std::uint8_t area, std::uint8_t channel, std::uint8_t group);
void QueueWriteBands(std::uint8_t area, std::uint8_t channel);
void QueuePresetName(std::uint8_t n);
// Store, recall and setup wait for the commands queued before them, which keep
// the bytes the image held at this moment.
void QueueStorePreset(std::uint8_t n);
void QueueRecallPreset(std::uint8_t n);
// Connecting: the unit's settings replace the image, so every pending command
// is dropped (each reported as Cleared) and the failures are forgotten.
void QueueReadSetup();

// One scheduler step; run by the 100 ms timer.
void SchedulerTick();
// Sends the first pending command if the link is free.
void SchedulerSendNext();

// Called (on any thread, outside the scheduler's lock) whenever a command may
// go out now or an outcome is ready; the owner then calls SchedulerSendNext()
// and TakeCommandOutcomes() on the scheduler's thread. Setting the hook waits
// until a call in progress has returned.
using SchedulerWakeHook = std::function<void()>;
void SetSchedulerWakeHook(SchedulerWakeHook hook);

enum class CommandOutcome : std::uint8_t {
    Answered,      // the unit answered it
    NotAnswered,   // a round of attempts went unanswered; it stays pending
    Dropped,       // no round was answered: given up
    Refused,       // the pending set was full: never queued
    Cleared,       // dropped by a connect, whose settings replace the image
};

struct CommandResult {
    CommandSlot command;
    CommandOutcome outcome = CommandOutcome::Answered;
};

// The outcomes since the last call, oldest first; returns how many were copied.
std::size_t TakeCommandOutcomes(CommandResult* out, std::size_t capacity);

struct SchedulerStatus {
    int pending = 0;            // commands not answered yet, the one in flight included
    bool waiting = false;       // the oldest of them has waited a whole tick or more
    bool stalled = false;       // a round went unanswered: waiting for the unit to answer again
    int failed = 0;             // dropped commands, until their address changes again or a connect
    CommandSlot firstFailed;
};
SchedulerStatus GetSchedulerStatus();

// The pending commands in order, the one in flight first.
std::size_t PendingCommands(CommandSlot* out, std::size_t capacity);
// The dropped commands, oldest first.
std::size_t FailedCommands(CommandSlot* out, std::size_t capacity);

// What a reply answers.
enum class ReplyClass : std::uint8_t { SetParam, Setup, Store, Recall, WriteBands };

// For the reply handler (reader thread). Every accepted frame tells that the
// unit answers. A reply of a class is matched to the oldest frame of that
// class still unanswered: it ends the command in flight when that frame is
// its own; a late answer to a frame whose command was answered already is
// stale. apply (which must not call the setters) copies the reply's data
// unless it is stale, before the command ends. Returns whether it applied.
bool SchedulerTakeReply(ReplyClass cls, void (*apply)(const std::uint8_t*, std::uint16_t),
                        const std::uint8_t* payload, std::uint16_t n);
// A status reply: the poll no longer holds the link.
void SchedulerTakeStatus();
// The unit asks for the frame in flight again (AEh): the attempt is over.
void SchedulerTakeRetryRequest();
// Any accepted frame: a stalled command is tried again.
void SchedulerNoteAnswer();

// Everything back to start-up: nothing pending, no outcomes, no failures.
void ResetSchedulerState();
