// Thousands of seeded random user actions on the real main window over the HID
// link to a simulated unit that drops, corrupts, delays and garbles, goes
// silent and is unplugged; the window's timer and the unit's clock are ticked
// by hand. Afterwards the window still answers and, once the faults stop and
// what is pending has gone out, the unit holds what the image holds, without
// anything sent again by the test; every command given up was shown.
#include "ui/MainWindowFixture.h"

#include "model/ValueTables.h"
#include "model/ChannelEqualizer.h"
#include "protocol/Framing.h"
#include "transport/HidBackendSimulated.h"
#include "ui/controls/GainFader.h"
#include "ui/controls/ControlId.h"
#include "ui/controls/SpinButton.h"
#include "ui/graph/EqualizerGraph.h"
#include "ui/main/MainWindowControls.h"
#include "ui/main/MainWindowTexts.h"
#include "ui/presets/PresetDialog.h"
#include "ui/presets/PresetList.h"
#include "ui/presets/PresetNameDialog.h"

#include <QLabel>
#include <QTimer>
#include <QToolButton>
#include <QWheelEvent>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <functional>
#include <iostream>
#include <random>

namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

constexpr std::uint32_t kSoakSeed = 20261210;
constexpr int kSoakActions = 2000;
constexpr int kCalmActions = 100;   // after the faults stop
constexpr int kThumbX = 40;
// A UI call may wait once for a write the device never completes; anything
// beyond that plus scheduling slack is a hang. The soak shortens the wait so
// that stalled writes cost little time; the bound stays the program's own.
constexpr milliseconds kSoakWriteWait{250};
constexpr milliseconds kUiCallLimit = kDefaultWriteWaitLimit + milliseconds(500);
constexpr milliseconds kReaderIdleLimit{2000};
// Ticks a preset dialog may wait: four attempts of a store or recall and more.
constexpr int kPresetWaitLimit = 4 * 36 + 10;
constexpr int kSetParamBytes = static_cast<int>(kNotchTableOffset);   // what set-parameter reaches
// CH B's copy of the detection speed: the list changes both blocks but sends
// only CH A's group 15; CH B's copy travels with CH B's next group 15.
constexpr int kDetectSpeedByte = static_cast<int>(offsetof(ChannelBlock, detectSpeed));

constexpr int kEditIds[] = {kIdGainEdit, kIdGainEdit + 1, CompEdit(0, kThreshold), CompEdit(0, kAttack),
                            CompEdit(1, kThreshold), CompEdit(1, kAttack)};
constexpr int kSpinIds[] = {CompSpin(0, kThreshold), CompSpin(0, kAttack), CompSpin(0, kRelease), CompSpin(0, kRatio),
                            CompSpin(1, kThreshold), CompSpin(1, kAttack), CompSpin(1, kRelease), CompSpin(1, kRatio),
                            kIdGainSpin, kIdGainSpin + 1};
constexpr int kListIds[] = {kIdDetectSpeed, kIdPanelLock, kIdNotchCountA, kIdShiftA,
                            kIdGateA, kIdNotchCountB, kIdShiftB, kIdGateB};
constexpr int kChannelButtonIds[] = {kIdMute, kIdMute + 1, kIdPeqBypass, kIdNotchBypass, kIdNotchClear,
                                     kIdPeqBypass + 3, kIdNotchBypass + 3, kIdNotchClear + 3};
const char* const kTypedTexts[] = {"0", "-3", "9.9", "10", "-80", "-81", "25", "40", "300", "-40", "18", "OFF",
                                   "abc", "", "-", "5ms", "1e3", "-0.5", "99999999999"};
const char* const kPresetNames[] = {"Live", "Stage 2", "主持人", "KTV 包房", "ABCDEFGHIJKLMNOPQ", "", "x"};

enum class Action {
    FaderDrag, FaderWheel, Spin, TypeEdit, PickList, KeyList, Button, UndoRedo, GraphPost, GraphMouse,
    PresetLoad, PresetSave, PresetRename, Language, ConnectButton, Unplug, Faults, Ticks, kCount
};

class Soak : public MainWindowFixture {
protected:
    void SetUp() override
    {
        MainWindowFixture::SetUp();
        Unit().Protocol().Writer().SetWriteWaitLimit(kSoakWriteWait);
    }

    void TearDown() override
    {
        m_backend.SetWriteFault(0, SimulatedWriteFault::None);
        MainWindowFixture::TearDown();
    }

    int Pick(int low, int high) { return std::uniform_int_distribution<int>(low, high)(m_random); }
    bool Chance(double p) { return std::bernoulli_distribution(p)(m_random); }
    template <class T, std::size_t N>
    const T& OneOf(const T (&items)[N]) { return items[Pick(0, static_cast<int>(N) - 1)]; }

    // Runs one call of the UI thread and keeps the longest.
    void Timed(const std::function<void()>& call)
    {
        const Clock::time_point start = Clock::now();
        call();
        const auto took = std::chrono::duration_cast<milliseconds>(Clock::now() - start);
        m_longest = std::max(m_longest, took);
        m_writesWaitedOut += took >= kSoakWriteWait;
    }

    bool UnitPlugged() { return !m_backend.Enumerate().empty(); }

    // One tick of the window and of the unit, then the replies and what they let go out.
    void Tick()
    {
        m_connectedTicks += Unit().IsConnected();
        Timed([this] { m_dlg->OnTimer(); });
        m_backend.Tick();
        for (int i = 0; i < 20; ++i) {
            const int before = m_backend.WritesStarted(0);
            if (Unit().IsConnected() && UnitPlugged() && !m_backend.WaitUntilReaderIdle(kReaderIdleLimit))
                ++m_readerStuck;
            Timed([this] {
                QCoreApplication::sendPostedEvents();
                m_adapter->Deliver();
            });
            if (m_backend.WritesStarted(0) == before)
                break;
        }
        ++m_ticks;
    }

    // How each command ended; one given up must be on the window's status line.
    void OnOutcome(const CommandSlot& command, CommandOutcome outcome)
    {
        switch (outcome) {
        case CommandOutcome::Answered: ++m_answered; break;
        case CommandOutcome::NotAnswered: ++m_unansweredRounds; break;
        case CommandOutcome::Cleared: ++m_cleared; break;
        case CommandOutcome::Dropped:
        case CommandOutcome::Refused:
            ++m_givenUp;
            m_untold += !WindowTells(command);
            break;
        }
    }

    bool WindowTells(const CommandSlot& command)
    {
        const StatusLine line = m_dlg->CurrentStatus();
        const QString shown = qobject_cast<QLabel*>(m_dlg->Control(kIdStatusText))->text();
        if (shown != StatusText(line))
            return false;
        if (line.kind == StatusKind::NotAnswering || line.kind == StatusKind::NotConnected)
            return true;
        // the user's store or recall given up is told as its outcome, as the dialog tells it
        const bool userPreset = (command.code == CMD_STORE_PRESET || command.code == CMD_RECALL_PRESET) && command.a2 > 0;
        if (userPreset)
            return line.kind == StatusKind::PresetFailed && line.command == command;
        CommandSlot failed[kPendingCapacity];
        const std::size_t n = Unit().Scheduler().Failed(failed, kPendingCapacity);
        return line.kind == StatusKind::NotApplied && std::find(failed, failed + n, command) != failed + n;
    }

    void Ticks(int n)
    {
        for (int i = 0; i < n; ++i)
            Tick();
    }

    void OpenWindow()
    {
        Open();
        ShowActive();
        QObject::connect(m_adapter.get(), &CUnitAdapter::commandFinished, m_dlg.get(),
                         [this](const CommandSlot& command, CommandOutcome outcome) { OnOutcome(command, outcome); });
    }

    // Ticks until nothing is pending; false if the link is not there.
    bool RunUntilIdle(int limit)
    {
        for (int i = 0; i < limit; ++i) {
            Tick();
            if (Unit().IsConnected() && PendingCount() == 0)
                return true;
        }
        return false;
    }

    bool ConnectNow()
    {
        for (int tries = 0; tries < 5; ++tries) {
            if (!Unit().IsConnected())
                Click(kIdConnect);
            if (RunUntilIdle(60) && Unit().IsConnected())
                return true;
        }
        return false;
    }

    // Runs trigger(); the modal dialog it opens is handed to drive, which must close it.
    void WithModal(const std::function<void()>& trigger, const std::function<void(QWidget*)>& drive)
    {
        QObject context;
        QTimer::singleShot(0, &context, [&] {
            if (QWidget* modal = QApplication::activeModalWidget())
                drive(modal);
        });
        trigger();
    }

    static QPoint RowPoint(CPresetList* list, int row)
    {
        list->scrollToItem(list->item(row, 0));
        return list->visualRect(list->model()->index(row, 1)).center();
    }

    static void ClickChild(QWidget* dlg, int id) { QTest::mouseClick(FindControl(dlg, id), Qt::LeftButton); }

    void ChooseRow(QWidget* dlg)
    {
        auto* list = qobject_cast<CPresetList*>(FindControl(dlg, IDC_PRESET_LIST));
        if (Chance(0.9))
            QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, RowPoint(list, Pick(0, kUserPresetCount - 1)));
    }

    // After OK the dialog waits for the unit; the user waits too, or cancels.
    void PresetDialog(int button)
    {
        WithModal([&] { Click(button); }, [&](QWidget* dlg) {
            ChooseRow(dlg);
            ClickChild(dlg, Chance(0.8) ? IDOK : IDCANCEL);
            auto* preset = qobject_cast<CPresetDialog*>(dlg);
            const int patience = Chance(0.2) ? Pick(1, 10) : kPresetWaitLimit;
            for (int t = 0; t < patience && preset->IsWaiting(); ++t)
                Tick();
            if (preset->IsWaiting())
                ClickChild(dlg, IDCANCEL);
        });
    }

    void RenamePreset()
    {
        WithModal([&] { Click(kIdSave); }, [&](QWidget* saveDlg) {
            auto* list = qobject_cast<CPresetList*>(FindControl(saveDlg, IDC_PRESET_LIST));
            const QPoint at = RowPoint(list, Pick(0, kUserPresetCount - 1));
            WithModal([&] {
                QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at);
                QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, at);
            }, [&](QWidget* nameDlg) {
                auto* edit = qobject_cast<QLineEdit*>(FindControl(nameDlg, IDC_PRESET_NAME));
                edit->selectAll();
                QTest::keyClick(edit, Qt::Key_Delete);
                for (const QChar c : QString::fromUtf8(OneOf(kPresetNames)))
                    QTest::sendKeyEvent(QTest::Click, edit, Qt::Key_unknown, QString(c), Qt::NoModifier);
                ClickChild(nameDlg, Chance(0.85) ? IDOK : IDCANCEL);
            });
            ClickChild(saveDlg, IDCANCEL);
        });
    }

    void DragFader()
    {
        CGainFader* fader = m_dlg->Fader(Pick(0, 1));
        const int from = fader->PosToPixel(fader->GetPos());
        const int to = fader->PosToPixel(Pick(0, 90));
        QTest::mousePress(fader, Qt::LeftButton, {}, QPoint(kThumbX, from));
        QTest::mouseMove(fader, QPoint(kThumbX, (from + to) / 2));
        QTest::mouseMove(fader, QPoint(kThumbX, to));
        QTest::mouseRelease(fader, Qt::LeftButton, {}, QPoint(kThumbX, to));
    }

    void TurnWheel()
    {
        CGainFader* fader = m_dlg->Fader(Pick(0, 1));
        const QPointF at(kThumbX, 50);
        QWheelEvent wheel(at, fader->mapToGlobal(at), QPoint(), QPoint(0, Chance(0.5) ? 120 : -120), Qt::NoButton,
                          Qt::NoModifier, Qt::NoScrollPhase, false);
        QCoreApplication::sendEvent(fader, &wheel);
    }

    void StepSpin()
    {
        auto* spin = qobject_cast<CSpinButton*>(m_dlg->Control(OneOf(kSpinIds)));
        QTest::mouseClick(Chance(0.5) ? spin->UpButton() : spin->DownButton(), Qt::LeftButton);
    }

    // Types over an edit, then commits with Enter or by moving the focus away.
    void TypeIntoEdit()
    {
        const int id = OneOf(kEditIds);
        const bool byEnter = Chance(0.5);
        QLineEdit* edit = m_dlg->Edit(id);
        edit->setFocus();
        edit->clear();
        QTest::keyClicks(edit, QString::fromUtf8(OneOf(kTypedTexts)));
        if (byEnter)
            QTest::keyClick(edit, Qt::Key_Return);
        else
            m_dlg->Edit(id == kIdGainEdit ? kIdGainEdit + 1 : kIdGainEdit)->setFocus();
    }

    // Undo or redo, by its key (focus on the window, so an edit's own undo is not meant).
    void UndoOrRedo()
    {
        m_dlg->setFocus();
        const bool undo = Chance(0.7);
        QTest::keyClick(m_dlg.get(), Qt::Key_Z, undo ? Qt::ControlModifier : Qt::ControlModifier | Qt::ShiftModifier);
    }

    void PickListEntry()
    {
        QComboBox* list = m_dlg->List(OneOf(kListIds));
        if (list->count() == 0)
            return;
        const int index = Pick(0, list->count() - 1);
        list->setCurrentIndex(index);
        emit list->activated(index);
    }

    void StepListByKey()
    {
        QComboBox* list = m_dlg->List(OneOf(kListIds));
        list->setFocus();
        QTest::keyClick(list, Chance(0.5) ? Qt::Key_Down : Qt::Key_Up);
    }

    void PostGraphBand()
    {
        const int channel = Pick(0, 1);
        const int band = Pick(0, kBandCount - 1);
        BandParams& record = Unit().Equalizers().Table(channel).bands[band];
        record.freqHz.Set(static_cast<std::int16_t>(Pick(20, 20000)));
        record.gainCode.Set(static_cast<std::int16_t>(Pick(0, 240)));
        emit m_dlg->Graph(channel)->bandChanged(channel, band);
    }

    void DragGraph()
    {
        const int channel = Pick(0, 1);
        CEqualizerGraph* graph = m_dlg->Graph(channel);
        const PlotPoint from = Unit().Equalizers().Channel(channel).GetAt(Pick(0, kBandCount - 1)).HandleRect().Centre();
        const QPoint start(from.x, from.y);
        const QPoint end = start + QPoint(Pick(-60, 60), Pick(-60, 60));
        QMouseEvent hover(QEvent::MouseMove, QPointF(start), graph->mapToGlobal(QPointF(start)), Qt::NoButton,
                          Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(graph, &hover);
        QTest::mousePress(graph, Qt::LeftButton, {}, start);
        QTest::mouseMove(graph, (start + end) / 2);
        QTest::mouseMove(graph, end);
        QTest::mouseRelease(graph, Qt::LeftButton, {}, end);
    }

    void Unplug()
    {
        if (Chance(0.5))
            m_backend.Unplug(0);
        else
            m_backend.UnplugAfterWrites(0, Pick(1, 4));   // may vanish inside a frame
        m_unpluggedFor = Pick(3, 40);
    }

    // The unit comes back some actions after it went; the user connects again.
    void ReplugWhenDue()
    {
        if (UnitPlugged() || --m_unpluggedFor > 0)
            return;
        m_backend.Plug(0);
        QCoreApplication::sendPostedEvents();
        ++m_replugs;
        if (!Unit().IsConnected() && Chance(0.8))
            Click(kIdConnect);
    }

    void ChangeFaults()
    {
        const double p = Pick(0, 12) / 100.0;
        m_unit.SetFaults({.dropCommand = p, .dropReply = p, .corruptReply = p, .delayReply = 2 * p,
                          .maxDelayTicks = Pick(1, 8), .garbageReport = p / 2});
        m_unit.SetSilent(Chance(0.1));
        const double write = Pick(0, 99) / 100.0;
        m_backend.SetWriteFault(0, write < 0.04   ? SimulatedWriteFault::Stall
                                   : write < 0.12 ? SimulatedWriteFault::Fail
                                                  : SimulatedWriteFault::None);
        m_stalls += write < 0.04;
    }

    void Do(Action action)
    {
        switch (action) {
        case Action::FaderDrag: DragFader(); break;
        case Action::FaderWheel: TurnWheel(); break;
        case Action::Spin: StepSpin(); break;
        case Action::TypeEdit: TypeIntoEdit(); break;
        case Action::PickList: PickListEntry(); break;
        case Action::KeyList: StepListByKey(); break;
        case Action::Button: Click(OneOf(kChannelButtonIds)); break;
        case Action::UndoRedo: UndoOrRedo(); break;
        case Action::GraphPost: PostGraphBand(); break;
        case Action::GraphMouse: DragGraph(); break;
        case Action::PresetLoad: PresetDialog(kIdLoad); break;
        case Action::PresetSave: PresetDialog(kIdSave); break;
        case Action::PresetRename: RenamePreset(); break;
        case Action::Language: Click(kIdLanguage); break;
        case Action::ConnectButton: Click(kIdConnect); break;
        case Action::Unplug: Unplug(); break;
        case Action::Faults: ChangeFaults(); break;
        case Action::Ticks: break;
        case Action::kCount: break;
        }
    }

    // Rare actions (link, faults, dialogs) less often than the controls; a
    // disconnected user soon presses connect again.
    Action RandomAction()
    {
        if (!Unit().IsConnected() && Chance(0.04))
            return Action::ConnectButton;
        static constexpr int kWeights[] = {8, 6, 10, 10, 10, 4, 10, 5, 8, 6, 2, 2, 2, 2, 1, 1, 3, 6};
        static_assert(std::size(kWeights) == static_cast<std::size_t>(Action::kCount));
        std::discrete_distribution<int> pick(std::begin(kWeights), std::end(kWeights));
        return static_cast<Action>(pick(m_random));
    }

    // Bytes of the unit's current memory, globals and names that differ from the
    // image; CH B's copy of the detection speed is left out (see above).
    int DifferencesFromImage()
    {
        int differences = 0;
        const auto count = [&differences](const void* a, const void* b, std::size_t n, int skip = -1) {
            for (std::size_t i = 0; i < n; ++i)
                differences += static_cast<int>(i) != skip &&
                               static_cast<const std::uint8_t*>(a)[i] != static_cast<const std::uint8_t*>(b)[i];
        };
        for (int c = 0; c < kChannelCount; ++c) {
            const ChannelBlock unit = m_unit.Current(c);
            ImageLock lock(Image().mutex);
            count(&unit, &Image().channels[c], kSetParamBytes, c == 1 ? kDetectSpeedByte : -1);
        }
        const UnitGlobals globals = m_unit.Globals();
        std::array<UnitName, kUnitNameCount> names;
        for (int r = 0; r < kUnitNameCount; ++r)
            names[static_cast<std::size_t>(r)] = m_unit.PresetName(r);
        ImageLock lock(Image().mutex);
        count(globals.data(), GlobalBytes(Image().globals), kUnitGlobalBytes);
        for (int r = 0; r < kUnitNameCount; ++r)
            count(names[static_cast<std::size_t>(r)].data(), Image().names.records[r], kPresetNameWireSize);
        return differences;
    }

    CSimulatedUnit& m_unit = AddUnitDevice();
    std::mt19937 m_random{kSoakSeed};
    milliseconds m_longest{0};
    int m_answered = 0;
    int m_unansweredRounds = 0;
    int m_givenUp = 0;   // dropped after their rounds, or refused
    int m_untold = 0;    // of those, the ones the window did not show
    int m_cleared = 0;   // dropped by a connect, whose settings replace the image
    int m_readerStuck = 0;
    int m_replugs = 0;
    int m_unpluggedFor = 0;   // actions until the unit is plugged in again
    int m_stalls = 0;
    int m_ticks = 0;
    int m_connectedTicks = 0;
    int m_writesWaitedOut = 0;   // UI calls that sat out a stalled write
};

TEST_F(Soak, RandomActionsUnderFaultsLeaveTheUnitEqualToTheImage)
{
    const Clock::time_point start = Clock::now();
    OpenWindow();
    ASSERT_TRUE(ConnectNow());
    std::array<int, static_cast<std::size_t>(Action::kCount)> done{};
    for (int i = 0; i < kSoakActions; ++i) {
        Timed([this] { ReplugWhenDue(); });
        const Action action = RandomAction();
        ++done[static_cast<std::size_t>(action)];
        Timed([&] { Do(action); });
        Ticks(Pick(0, action == Action::Ticks ? 20 : 3));
    }
    const int messages = static_cast<int>(m_messages.size());

    m_unit.SetFaults({});
    m_unit.SetSilent(false);
    m_backend.SetWriteFault(0, SimulatedWriteFault::None);
    m_backend.UnplugAfterWrites(0, 0);
    if (!UnitPlugged())
        m_backend.Plug(0);
    QCoreApplication::sendPostedEvents();
    const bool reconnected = !Unit().IsConnected();
    ASSERT_TRUE(ConnectNow());
    const int givenUpBefore = m_givenUp;
    for (int i = 0; i < kCalmActions; ++i) {   // the controls still reach the unit
        Timed([&] { Do(static_cast<Action>(Pick(0, static_cast<int>(Action::GraphMouse)))); });
        Ticks(Pick(1, 3));
    }
    EXPECT_TRUE(RunUntilIdle(400)) << "what is pending goes out once the faults stop";
    Ticks(10);

    EXPECT_EQ(DifferencesFromImage(), 0);
    EXPECT_EQ(m_givenUp, givenUpBefore) << "nothing is given up without faults";
    EXPECT_EQ(m_untold, 0) << "every command given up was on the window's status line";
    EXPECT_TRUE(Unit().IsConnected());
    EXPECT_EQ(m_readerStuck, 0);
    EXPECT_EQ(m_backend.ClosesWhileInUse(), 0);
    EXPECT_LT(m_longest, kUiCallLimit);
    for (std::size_t a = 0; a < done.size(); ++a)
        EXPECT_GT(done[a], 0) << "action kind " << a << " never ran";
    const auto elapsed = std::chrono::duration_cast<milliseconds>(Clock::now() - start);
    std::cout << "[ soak ] " << kSoakActions << " actions, " << m_ticks << " ticks (" << m_connectedTicks
              << " connected), writes waited out " << m_writesWaitedOut << ", commands answered " << m_answered
              << ", unanswered rounds " << m_unansweredRounds << ", given up " << m_givenUp << " (shown "
              << m_givenUp - m_untold << "), dropped by a connect " << m_cleared << ", replugs " << m_replugs
              << ", stalled-write spells " << m_stalls << ", message boxes " << messages
              << ", reconnected at the end " << reconnected << ", longest UI call " << m_longest.count()
              << " ms, run " << elapsed.count() << " ms\n";
    RecordProperty("unanswered_rounds", m_unansweredRounds);
    RecordProperty("given_up", m_givenUp);
    RecordProperty("longest_ui_call_ms", static_cast<int>(m_longest.count()));
    EXPECT_GT(m_unansweredRounds, 0);   // the faults did bite
}

}  // namespace
