// The commands run without a window: in this process over simulated units
// whose clocks the test drives (round trips, backups under faults, refusals),
// and as the real program with --demo (each command's exit code and its line).
#include "RunProgram.h"
#include "WindowOverLink.h"

#include "ui/common/UnitAdapter.h"
#include "ui/common/UnitLocks.h"
#include "ui/common/UnitNames.h"
#include "ui/OwnCommandLine.h"
#include "ui/main/CommandRunner.h"
#include "model/FilterExport.h"
#include "ui/settings/FilterFile.h"
#include "ui/settings/FitReport.h"
#include "ui/settings/MeasurementFile.h"
#include "ui/settings/SettingsFile.h"

#include <QCoreApplication>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <functional>
#include <optional>
#include <tuple>
#include <cstring>
#include <ostream>
#include <string>
#include <vector>

namespace {

constexpr std::size_t kGroupBytes = kGroupCount * kGroupSize;   // what set-parameter commands carry

// A unit's settings that differ from the defaults in every kind of field; notch
// bypass on, so that the unit grows no notch of its own while the test runs.
ChannelBlock Patterned(int seed)
{
    ChannelBlock b = DefaultChannelBlock();
    b.reserved0.Set(static_cast<std::int16_t>(70 + seed));
    b.gain.Set(static_cast<std::int16_t>(40 + seed));
    b.mute = static_cast<std::uint8_t>(seed % 2);
    b.unused5 = static_cast<std::uint8_t>(seed);
    b.freqShift = static_cast<std::uint8_t>(seed % 5);
    b.gateThreshold = static_cast<std::uint8_t>(20 + seed);
    b.unused9[3] = 9;
    b.compThreshold = static_cast<std::uint8_t>(10 + seed);
    b.compAttack = static_cast<std::uint8_t>(30 + seed);
    b.compRelease = static_cast<std::uint8_t>(seed % 6);
    b.compRatio = static_cast<std::uint8_t>(3 * seed);
    for (int k = 0; k < kBandCount; ++k) {
        b.bands[k].freqHz.Set(static_cast<std::int16_t>(50 + 700 * k + seed));
        b.bands[k].gainCode.Set(static_cast<std::int16_t>((100 + 7 * k + seed) % 241));
        b.bands[k].bwCode.Set(static_cast<std::int16_t>((20 + 13 * k + seed) % 296));
        b.bands[k].type = static_cast<std::uint8_t>(k % 3);
        b.bands[k].slope = static_cast<std::uint8_t>(k % 2);
    }
    b.detectSpeed = 2;
    b.staticNotchCount = static_cast<std::uint8_t>(seed % 9);
    b.notchBypass = 1;
    return b;
}

bool SameGroups(const ChannelBlock& a, const ChannelBlock& b)
{
    return std::memcmp(&a, &b, kGroupBytes) == 0;
}

class CommandLine : public testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(m_dir.isValid()); }

    QString File(const char* name) const { return m_dir.filePath(QString::fromLatin1(name)); }

    // Whatever the reader delivered, and what the replies let go out, until the link is quiet.
    static void Settle(CSimulatedHidBackend& sim, CUnitAdapter& unit)
    {
        for (int i = 0; i < 50; ++i) {
            const int before = sim.WritesStarted(0);
            if (unit.Unit().IsConnected()) {
                ASSERT_TRUE(sim.WaitUntilReaderIdle(std::chrono::seconds(2)));
            }
            QCoreApplication::sendPostedEvents();
            unit.Deliver();
            if (sim.WritesStarted(0) == before)
                return;
        }
    }

    // One command as `quenda COMMAND FILE` runs it, the 100 ms ticks of the
    // program and of the unit driven here; every run has a fresh unit, as a new process would.
    static Ran RunCommand(CSimulatedHidBackend& sim, QuendaCommand command, const QString& file = QString(),
                          const QString& lockFolder = QString())
    {
        CommandLineOptions options;
        options.command = command;
        options.file = file;
        return RunOptions(sim, options, nullptr, lockFolder);
    }

    // The settings commands the unit answered are kept in answered when it is
    // given; lockFolder: where the command claims the unit, none when empty.
    static Ran RunOptions(CSimulatedHidBackend& sim, const CommandLineOptions& options,
                          std::vector<CommandSlot>* answered = nullptr, const QString& lockFolder = QString())
    {
        QString out, err;
        QTextStream outStream(&out), errStream(&err);
        Ran run;
        {
            CUnitAdapter unit(sim);
            if (!lockFolder.isEmpty())
                unit.Unit().Link().ClaimUnitsThrough(std::make_unique<CUnitLocks>(lockFolder));
            if (answered != nullptr) {
                QObject::connect(&unit, &CUnitAdapter::commandFinished,
                                 [answered](const CommandSlot& command, CommandOutcome outcome) {
                                     const bool setting = command.code == CMD_SET_PARAM ||
                                                          command.code == CMD_WRITE_BANDS;
                                     if (setting && outcome == CommandOutcome::Answered)
                                         answered->push_back(command);
                                 });
            }
            CCommandRunner headless(unit, options, outStream, errStream);
            headless.Start();
            for (int tick = 0; tick < 5000 && !headless.IsFinished(); ++tick) {
                Settle(sim, unit);
                headless.Tick();
                sim.Tick();
            }
            run.exit = headless.IsFinished() ? headless.ExitCode() : -1;
        }
        run.out = out.toStdString();
        run.err = err.toStdString();
        return run;
    }

    static QJsonObject WithoutTime(const QString& fileName)
    {
        QFile file(fileName);
        EXPECT_TRUE(file.open(QIODevice::ReadOnly));
        QJsonObject object = QJsonDocument::fromJson(file.readAll()).object();
        object.remove(QStringLiteral("written"));
        return object;
    }

    QTemporaryDir m_dir;
};

TEST_F(CommandLine, ExportImportExportReproducesTheSettingsAndEveryGroupByte)
{
    CSimulatedHidBackend first;
    CSimulatedUnit& a = first.Unit(first.AddDevice(SimulatedDeviceSpec{}));
    a.SetCurrent(0, Patterned(1));
    a.SetCurrent(1, Patterned(4));
    a.SetGlobals({1, 2, 3, 4, 5, 2, 6, 7, 8, 9, 2, 1});
    ASSERT_EQ(RunCommand(first, QuendaCommand::Export, File("first.json")).exit, kExitDone);

    CSimulatedHidBackend fresh;
    CSimulatedUnit& b = fresh.Unit(fresh.AddDevice(SimulatedDeviceSpec{}));
    const Ran import = RunCommand(fresh, QuendaCommand::Import, File("first.json"));
    ASSERT_EQ(import.exit, kExitDone) << import.err;
    ASSERT_EQ(RunCommand(fresh, QuendaCommand::Export, File("again.json")).exit, kExitDone);

    EXPECT_EQ(WithoutTime(File("first.json")), WithoutTime(File("again.json")));
    for (int c = 0; c < kChannelCount; ++c)
        EXPECT_TRUE(SameGroups(a.Current(c), b.Current(c))) << "channel " << c;
    const UnitGlobals globals = b.Globals();
    EXPECT_EQ(globals[5], 2);
    EXPECT_EQ(globals[10], 2);
    EXPECT_EQ(globals[11], 1);
}

// Every preset of the first unit is read through the faults, into the file, and
// written whole into a fresh unit.
TEST_F(CommandLine, BackupUnderDroppedAndDelayedRepliesRestoresIntoAFreshUnit)
{
    CSimulatedHidBackend first;
    CSimulatedUnit& a = first.Unit(first.AddDevice(SimulatedDeviceSpec{}));
    for (int n = 1; n <= kUserPresetCount; ++n) {
        a.SetPreset(n, {Patterned(n), Patterned(n + 20)});
        a.SetPresetName(n, "Room " + std::to_string(n));
    }
    const ChannelBlock currentA = Patterned(7);
    a.SetCurrent(0, currentA);
    a.SetFaults({.dropReply = 0.1, .delayReply = 0.2, .maxDelayTicks = 4});

    const Ran backup = RunCommand(first, QuendaCommand::Backup, File("backup.json"));
    ASSERT_EQ(backup.exit, kExitDone) << backup.err;
    EXPECT_NE(backup.err.find("quenda: reading preset 20 of 20\n"), std::string::npos);
    EXPECT_TRUE(SameGroups(a.Current(0), currentA)) << "the current settings were sent back";

    SettingsFile file;
    SettingsError error;
    ASSERT_TRUE(ReadSettingsFile(File("backup.json"), file, error)) << error.Text().toStdString();
    ASSERT_TRUE(file.presets.has_value());
    for (int n = 1; n <= kUserPresetCount; ++n) {
        const UnitBlocks preset = a.Preset(n);
        for (int c = 0; c < kChannelCount; ++c)
            EXPECT_TRUE(SameGroups((*file.presets)[n - 1][c], preset[c])) << "preset " << n << " channel " << c;
        EXPECT_EQ(file.presetNames[n - 1].toStdString(), "Room " + std::to_string(n));
    }

    CSimulatedHidBackend fresh;
    CSimulatedUnit& b = fresh.Unit(fresh.AddDevice(SimulatedDeviceSpec{}));
    const Ran restore = RunCommand(fresh, QuendaCommand::Restore, File("backup.json"));
    ASSERT_EQ(restore.exit, kExitDone) << restore.err;
    for (int n = 1; n <= kUserPresetCount; ++n) {
        for (int c = 0; c < kChannelCount; ++c)
            EXPECT_TRUE(SameGroups(b.Preset(n)[c], a.Preset(n)[c])) << "preset " << n << " channel " << c;
        EXPECT_STREQ(b.PresetName(n).data(), a.PresetName(n).data()) << "name " << n;
    }
    EXPECT_TRUE(SameGroups(b.Current(0), currentA)) << "the file's current settings come last";
}

TEST_F(CommandLine, AUnitThisUserMayNotOpenIsTold)
{
    CSimulatedHidBackend sim;
    sim.SetOpenRefusal(sim.AddDevice(SimulatedDeviceSpec{}), HidOpenError::PermissionDenied);
    const Ran info = RunCommand(sim, QuendaCommand::Info);
    EXPECT_EQ(info.exit, kExitNoPermission);
    EXPECT_EQ(info.err,
              "quenda: the unit at /dev/hidraw-sim0 is attached but this user may not open it; install the quenda "
              "package, or install its udev rule with:\n"
              "  echo 'KERNEL==\"hidraw*\", SUBSYSTEM==\"hidraw\", ATTRS{idVendor}==\"0483\", ATTRS{idProduct}==\"5750\", "
              "TAG+=\"uaccess\"' | sudo tee /etc/udev/rules.d/70-quenda.rules && sudo udevadm control --reload && sudo "
              "udevadm trigger\n"
              "then unplug the unit and plug it in again\n");
    EXPECT_TRUE(info.out.empty());
}

// Three units on one computer, as scripts find and choose them.
class CommandLineUnits : public CommandLine {
protected:
    void SetUp() override
    {
        CommandLine::SetUp();
        for (const auto& [path, serial] : {std::pair{"/dev/hidraw3", "QD-0001"}, std::pair{"/dev/hidraw4", ""},
                                          std::pair{"/dev/hidraw5", "QD-0003"}}) {
            SimulatedDeviceSpec spec;
            spec.path = path;
            spec.serial = serial;
            spec.productText = "Audio Processor";
            m_sim.AddDevice(spec);
        }
    }

    Ran Run(QuendaCommand command, const QString& device = QString(), bool json = false)
    {
        CommandLineOptions options;
        options.command = command;
        options.device = device;
        options.json = json;
        return RunOptions(m_sim, options);
    }

    static constexpr const char* kListed = "  /dev/hidraw3  serial QD-0001  Audio Processor  version 0200\n"
                                           "  /dev/hidraw4  serial (none)  Audio Processor  version 0200\n"
                                           "  /dev/hidraw5  serial QD-0003  Audio Processor  version 0200\n";

    CSimulatedHidBackend m_sim;
};

TEST_F(CommandLineUnits, ListShowsEveryUnitAsTextOrJson)
{
    const Ran text = Run(QuendaCommand::List);
    EXPECT_EQ(text.exit, kExitDone);
    EXPECT_EQ(text.out, "/dev/hidraw3  serial QD-0001  Audio Processor  version 0200\n"
                        "/dev/hidraw4  serial (none)  Audio Processor  version 0200\n"
                        "/dev/hidraw5  serial QD-0003  Audio Processor  version 0200\n");
    EXPECT_TRUE(text.err.empty());

    const Ran json = Run(QuendaCommand::List, QString(), true);
    EXPECT_EQ(json.exit, kExitDone);
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(QByteArray::fromStdString(json.out), &error);
    ASSERT_EQ(error.error, QJsonParseError::NoError);
    ASSERT_TRUE(document.isArray());
    const QJsonArray units = document.array();
    ASSERT_EQ(units.size(), 3);
    // the field names scripts rely on
    EXPECT_EQ(units[1].toObject(), (QJsonObject{{"path", "/dev/hidraw4"}, {"serial", ""},
                                                {"product", "Audio Processor"}, {"version", "0200"}, {"name", ""}}));
    EXPECT_EQ(units[2].toObject().value("serial").toString(), "QD-0003");
    for (int d = 0; d < 3; ++d)
        EXPECT_TRUE(m_sim.Written(d).empty()) << "list opens no unit";
}

TEST_F(CommandLineUnits, WithoutADeviceSeveralUnitsAreNamedAndNoneIsTouched)
{
    const Ran info = Run(QuendaCommand::Info);
    EXPECT_EQ(info.exit, kExitUsage);
    EXPECT_EQ(info.err,
              std::string("quenda: 3 units are attached; choose one with --device SERIAL|PATH|NAME:\n") + kListed);
    for (int d = 0; d < 3; ++d)
        EXPECT_EQ(m_sim.OpenHandles(d), 0);
}

TEST_F(CommandLineUnits, AnUnknownDeviceIsRefusedWithTheUnitsThere)
{
    const Ran info = Run(QuendaCommand::Info, QStringLiteral("QD-0002"));
    EXPECT_EQ(info.exit, kExitUsage);
    EXPECT_EQ(info.err,
              std::string("quenda: no attached unit has the serial number, path or name QD-0002; attached units:\n") +
                  kListed);
}

// A name the user gave a unit chooses it, and list shows it.
TEST_F(CommandLineUnits, AUnitIsChosenByTheNameGivenToIt)
{
    CUnitNames names;
    names.SetName("/dev/hidraw4", QStringLiteral("Bar"));
    names.SetName("QD-0003", QStringLiteral("Hall"));
    const Ran info = Run(QuendaCommand::Info, QStringLiteral("Hall"));
    EXPECT_EQ(info.exit, kExitDone) << info.err;
    EXPECT_EQ(info.out.substr(0, info.out.find('\n')), "unit found: USB 0483:5750 version 0200 at /dev/hidraw5");
    const Ran list = Run(QuendaCommand::List);
    EXPECT_EQ(list.out, "/dev/hidraw3  serial QD-0001  Audio Processor  version 0200\n"
                        "/dev/hidraw4  serial (none)  Audio Processor  version 0200  name Bar\n"
                        "/dev/hidraw5  serial QD-0003  Audio Processor  version 0200  name Hall\n");
    names.SetName("/dev/hidraw4", QString());
    names.SetName("QD-0003", QString());
    EXPECT_TRUE(names.KeysNamed(QStringLiteral("Hall")).empty());
}

// Names kept from before a name had to be free of other units: a command does
// not guess between the units that share one, but one of them unplugged leaves no doubt.
TEST_F(CommandLineUnits, ANameTwoAttachedUnitsShareChoosesNeither)
{
    CUnitNames names;
    names.SetName("QD-0001", QStringLiteral("Hall"));
    names.SetName("/dev/hidraw4", QStringLiteral("Hall"));
    names.SetName("QD-0009", QStringLiteral("Stage"));
    names.SetName("QD-0003", QStringLiteral("Stage"));
    const Ran shared = Run(QuendaCommand::Info, QStringLiteral("Hall"));
    EXPECT_EQ(shared.exit, kExitUsage);
    EXPECT_EQ(shared.err, "quenda: 2 attached units have the name Hall; choose one with --device SERIAL|PATH:\n"
                          "  /dev/hidraw3  serial QD-0001  Audio Processor  version 0200  name Hall\n"
                          "  /dev/hidraw4  serial (none)  Audio Processor  version 0200  name Hall\n");
    EXPECT_TRUE(shared.out.empty());
    for (int d = 0; d < 3; ++d)
        EXPECT_EQ(m_sim.OpenHandles(d), 0) << "device " << d;
    const Ran bySerial = Run(QuendaCommand::Info, QStringLiteral("QD-0001"));
    EXPECT_EQ(bySerial.exit, kExitDone) << bySerial.err;
    const Ran attachedOnce = Run(QuendaCommand::Info, QStringLiteral("Stage"));
    EXPECT_EQ(attachedOnce.exit, kExitDone) << attachedOnce.err;
    EXPECT_EQ(attachedOnce.out.substr(0, attachedOnce.out.find('\n')),
              "unit found: USB 0483:5750 version 0200 at /dev/hidraw5");
    for (const char* key : {"QD-0001", "/dev/hidraw4", "QD-0009", "QD-0003"})
        names.SetName(key, QString());
}

struct DeviceCase {
    const char* device;
    int unit;   // the device index that must get the command
    const char* path;
};

class CommandLineDevice : public CommandLineUnits, public testing::WithParamInterface<DeviceCase> {};

TEST_P(CommandLineDevice, TheCommandReachesOnlyTheUnitChosen)
{
    const DeviceCase& c = GetParam();
    const Ran info = Run(QuendaCommand::Info, QString::fromLatin1(c.device));
    EXPECT_EQ(info.exit, kExitDone) << info.err;
    EXPECT_EQ(info.out.substr(0, info.out.find('\n')),
              std::string("unit found: USB 0483:5750 version 0200 at ") + c.path);
    for (int d = 0; d < 3; ++d)
        EXPECT_EQ(m_sim.Written(d).empty(), d != c.unit) << "device " << d;
}

INSTANTIATE_TEST_SUITE_P(BySerialOrPath, CommandLineDevice, testing::Values(
    DeviceCase{"QD-0001", 0, "/dev/hidraw3"}, DeviceCase{"/dev/hidraw4", 1, "/dev/hidraw4"},
    DeviceCase{"QD-0003", 2, "/dev/hidraw5"}, DeviceCase{"/dev/hidraw5", 2, "/dev/hidraw5"}));

// The commands scripts run, against a unit that drops and delays replies, or
// leaves one kind of command unanswered.
struct ScriptCase {
    const char* name;
    QuendaCommand command;
    int channel;
    int value;   // preset number, gain code or mute flag
    SimulatedFaults faults;
    int exit;
    const char* lastLine;
};

void PrintTo(const ScriptCase& c, std::ostream* os)
{
    *os << c.name;
}

class ScriptCommand : public CommandLine, public testing::WithParamInterface<ScriptCase> {};

constexpr SimulatedFaults kLossyUnit{.dropReply = 0.3, .delayReply = 0.3, .maxDelayTicks = 4};

TEST_P(ScriptCommand, WaitsForTheUnitsAnswerAndEndsWithItsExitCode)
{
    const ScriptCase& c = GetParam();
    CSimulatedHidBackend sim;
    CSimulatedUnit& unit = sim.Unit(sim.AddDevice(SimulatedDeviceSpec{}));
    UnitBlocks preset3 = unit.Preset(3);
    preset3[0].gain.Set(41);
    unit.SetPreset(3, preset3);
    unit.SetFaults(c.faults);
    CommandLineOptions options;
    options.command = c.command;
    options.channel = c.channel;
    options.preset = c.value;
    options.gainCode = c.value;
    options.mute = c.value != 0;
    const Ran run = RunOptions(sim, options);
    EXPECT_EQ(run.exit, c.exit) << run.err;
    ASSERT_FALSE(run.err.empty());
    const std::string last = run.err.substr(run.err.rfind('\n', run.err.size() - 2) + 1);
    EXPECT_EQ(last, std::string(c.lastLine) + "\n");
    if (c.exit != kExitDone)
        return;
    switch (c.command) {
    case QuendaCommand::Gain: EXPECT_EQ(unit.Current(c.channel).gain.Get(), c.value); break;
    case QuendaCommand::Mute: EXPECT_EQ(unit.Current(c.channel).mute, c.value); break;
    case QuendaCommand::Recall: EXPECT_EQ(unit.Current(0).gain.Get(), 41); break;
    case QuendaCommand::Store:
        EXPECT_TRUE(SameGroups(unit.Preset(c.value)[0], unit.Current(0)));
        EXPECT_TRUE(SameGroups(unit.Preset(c.value)[1], unit.Current(1)));
        break;
    default: break;
    }
}

INSTANTIATE_TEST_SUITE_P(Commands, ScriptCommand, testing::Values(
    ScriptCase{"GainThroughALossyLink", QuendaCommand::Gain, 0, 74, kLossyUnit, kExitDone,
               "quenda: the gain of CH A is -6 dB now"},
    ScriptCase{"MuteThroughALossyLink", QuendaCommand::Mute, 1, 1, kLossyUnit, kExitDone, "quenda: CH B is muted now"},
    ScriptCase{"UnmuteAlreadySo", QuendaCommand::Mute, 0, 0, {}, kExitDone, "quenda: CH A is not muted already"},
    ScriptCase{"RecallThroughALossyLink", QuendaCommand::Recall, 0, 3, kLossyUnit, kExitDone,
               "quenda: loaded preset 3"},
    ScriptCase{"StoreThroughALossyLink", QuendaCommand::Store, 0, 5, kLossyUnit, kExitDone, "quenda: saved preset 5"},
    ScriptCase{"StoreNeverAnswered", QuendaCommand::Store, 0, 5, {.ignoredCode = CMD_STORE_PRESET},
               kExitNotAnswering, "quenda: the unit did not answer: preset 5 was not saved"},
    ScriptCase{"GainNeverAnswered", QuendaCommand::Gain, 1, 70, {.ignoredCode = CMD_SET_PARAM}, kExitNotAnswering,
               "quenda: the unit does not answer"}),
    [](const testing::TestParamInfo<ScriptCase>& info) { return std::string(info.param.name); });

TEST_F(CommandLine, InfoAsJsonNamesTheUnitAndItsPresets)
{
    CSimulatedHidBackend sim;
    SimulatedDeviceSpec spec;
    spec.serial = "QD-0042";
    CSimulatedUnit& unit = sim.Unit(sim.AddDevice(spec));
    unit.SetPresetName(7, "Hall");
    CommandLineOptions options;
    options.command = QuendaCommand::Info;
    options.json = true;
    const Ran run = RunOptions(sim, options);
    ASSERT_EQ(run.exit, kExitDone) << run.err;
    QJsonParseError error;
    const QJsonObject info = QJsonDocument::fromJson(QByteArray::fromStdString(run.out), &error).object();
    ASSERT_EQ(error.error, QJsonParseError::NoError);
    EXPECT_EQ(info.keys(), (QStringList{"name", "path", "presets", "product", "serial", "version"}));
    EXPECT_EQ(info.value("path").toString(), "/dev/hidraw-sim0");
    EXPECT_EQ(info.value("serial").toString(), "QD-0042");
    EXPECT_EQ(info.value("product").toString(), "Audio Processor (simulated)");
    EXPECT_EQ(info.value("version").toString(), "0200");
    const QJsonArray presets = info.value("presets").toArray();
    ASSERT_EQ(presets.size(), 20);
    EXPECT_EQ(presets[6].toObject(), (QJsonObject{{"number", 7}, {"name", "Hall"}}));
    EXPECT_EQ(presets[0].toObject().value("number").toInt(), 1);
}

// The window has the unit; a script's command waits for nothing and says who has it.
TEST_F(CommandLine, AUnitAnotherProgramHasIsRefusedWithExitCodeSix)
{
    QTemporaryDir folder;
    CSimulatedHidBackend sim;
    SimulatedDeviceSpec spec;
    spec.serial = "QD-0042";
    sim.AddDevice(spec);
    CUnitLocks window(folder.path());
    UnitHolder none;
    ASSERT_TRUE(window.Claim("QD-0042", none));
    const Ran info = RunCommand(sim, QuendaCommand::Info, QString(), folder.path());
    EXPECT_EQ(info.exit, kExitInUse);
    const QString holder = QStringLiteral("process %1 (%2)")
                               .arg(QCoreApplication::applicationPid())
                               .arg(OwnCommandLine());
    EXPECT_EQ(QString::fromStdString(info.err),
              QStringLiteral("quenda: the unit at /dev/hidraw-sim0 is in use by another program: %1\n").arg(holder));
    EXPECT_TRUE(info.out.empty());
    EXPECT_TRUE(sim.Written(0).empty()) << "nothing sent to the unit";

    window.Release();
    EXPECT_EQ(RunCommand(sim, QuendaCommand::Info, QString(), folder.path()).exit, kExitDone);
}

TEST_F(CommandLine, AUnitThatNeverAnswersEndsTheCommand)
{
    CSimulatedHidBackend sim;
    sim.Unit(sim.AddDevice(SimulatedDeviceSpec{})).SetSilent(true);
    const Ran run = RunCommand(sim, QuendaCommand::Export, File("never.json"));
    EXPECT_EQ(run.exit, kExitNotAnswering);
    EXPECT_EQ(run.err, "quenda: the unit does not answer\n");
    EXPECT_FALSE(QFile::exists(File("never.json")));
}

struct BadFileCase {
    const char* name;
    void (*spoil)(QJsonObject& file);   // nullptr: the file is cut after 40 bytes
    const char* err;                    // after "quenda: "
};

void SetChannelValue(QJsonObject& file, const char* key, const QJsonValue& value)
{
    QJsonObject current = file[QStringLiteral("current")].toObject();
    QJsonArray channels = current[QStringLiteral("channels")].toArray();
    QJsonObject channel = channels[1].toObject();
    if (std::strcmp(key, "frequencyHz") == 0) {
        QJsonArray bands = channel[QStringLiteral("bands")].toArray();
        QJsonObject band = bands[3].toObject();
        band[QStringLiteral("frequencyHz")] = value;
        bands[3] = band;
        channel[QStringLiteral("bands")] = bands;
    } else {
        channel[QLatin1String(key)] = value;
    }
    channels[1] = channel;
    current[QStringLiteral("channels")] = channels;
    file[QStringLiteral("current")] = current;
}

class CommandLineBadFile : public CommandLine, public testing::WithParamInterface<BadFileCase> {};

// The whole file is checked before the unit is even opened.
TEST_P(CommandLineBadFile, IsRefusedWithItsReasonAndTheUnitGetsNothing)
{
    const BadFileCase& c = GetParam();
    const CParameterImage fresh;
    QByteArray json = SettingsToJson(CaptureSettings(fresh, QStringLiteral("2.0.3"), TheUnitIdentity()));
    if (c.spoil) {
        QJsonObject file = QJsonDocument::fromJson(json).object();
        c.spoil(file);
        json = QJsonDocument(file).toJson();
    } else {
        json.truncate(40);
    }
    {
        QFile file(File("bad.json"));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(json);
    }
    CSimulatedHidBackend sim;
    sim.AddDevice(SimulatedDeviceSpec{});
    const Ran run = RunCommand(sim, QuendaCommand::Import, File("bad.json"));
    EXPECT_EQ(run.exit, kExitFile) << c.name;
    EXPECT_EQ(run.err, "quenda: " + std::string(c.err) + "\n") << c.name;
    EXPECT_EQ(sim.WritesStarted(0), 0) << c.name;
    EXPECT_EQ(sim.OpenHandles(0), 0) << c.name;
}

INSTANTIATE_TEST_SUITE_P(Files, CommandLineBadFile, testing::Values(
    BadFileCase{"truncated", nullptr, "not valid JSON: unterminated array at offset 40"},
    BadFileCase{"wrong version", [](QJsonObject& f) { f[QStringLiteral("formatVersion")] = 2; },
                "formatVersion: version 2 is not supported (this program reads version 1)"},
    BadFileCase{"gain above +10 dB", [](QJsonObject& f) { SetChannelValue(f, "gainDb", 11); },
                "current.channels[1].gainDb: 11 is outside -80..10"},
    BadFileCase{"band at 30000 Hz", [](QJsonObject& f) { SetChannelValue(f, "frequencyHz", 30000); },
                "current.channels[1].bands[3].frequencyHz: 30000 is outside 20..20000"},
    BadFileCase{"name GBK cannot hold",
                [](QJsonObject& f) {
                    QJsonArray names = f[QStringLiteral("presetNames")].toArray();
                    names[2] = QString::fromUtf8("A\xF0\x9F\x98\x80");
                    f[QStringLiteral("presetNames")] = names;
                },
                "presetNames[2]: \"A\xF0\x9F\x98\x80\" has characters that GBK cannot hold"}));

// What a user may pick by mistake, refused before it is read: a pipe nobody
// writes would block the program, /dev/zero would fill its memory.
enum class PickedFile { Directory, PipeWithoutWriter, EndlessDevice, LargerThanTheBound, FarLarger };

struct PickedFileCase {
    PickedFile kind;
    const char* reason;   // after "quenda: PATH: "
};

class CommandLineNotASettingsFile : public CommandLine, public testing::WithParamInterface<PickedFileCase> {
protected:
    QString Make(PickedFile kind)
    {
        switch (kind) {
        case PickedFile::Directory: return m_dir.path();
        case PickedFile::PipeWithoutWriter: {
            const QString name = File("pipe.json");
            EXPECT_EQ(::mkfifo(QFile::encodeName(name).constData(), 0600), 0);
            return name;
        }
        case PickedFile::EndlessDevice: return QStringLiteral("/dev/zero");
        case PickedFile::LargerThanTheBound: return Sparse("large.json", kMaxSettingsFileBytes + 1);
        case PickedFile::FarLarger: return Sparse("disk.img", 18'400'000'000);
        }
        return QString();
    }

    // A file of that size that takes no room on the disk.
    QString Sparse(const char* name, qint64 size)
    {
        QFile file(File(name));
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        EXPECT_TRUE(file.resize(size));
        return file.fileName();
    }
};

TEST_P(CommandLineNotASettingsFile, IsRefusedBeforeItIsReadAndTheUnitIsNotTouched)
{
    const PickedFileCase& c = GetParam();
    const QString picked = Make(c.kind);
    for (QuendaCommand command : {QuendaCommand::Import, QuendaCommand::Restore}) {
        CSimulatedHidBackend sim;
        sim.AddDevice(SimulatedDeviceSpec{});
        const Ran run = RunCommand(sim, command, picked);
        EXPECT_EQ(run.exit, kExitFile);
        EXPECT_EQ(run.err, "quenda: " + picked.toStdString() + ": " + c.reason + "\n");
        EXPECT_EQ(sim.WritesStarted(0), 0);
        EXPECT_EQ(sim.OpenHandles(0), 0);
    }
}

INSTANTIATE_TEST_SUITE_P(Kinds, CommandLineNotASettingsFile, testing::Values(
    PickedFileCase{PickedFile::Directory, "not a regular file"},
    PickedFileCase{PickedFile::PipeWithoutWriter, "not a regular file"},
    PickedFileCase{PickedFile::EndlessDevice, "not a regular file"},
    PickedFileCase{PickedFile::LargerThanTheBound, "16.0 MB is larger than a settings file can be (at most 16 MB)"},
    PickedFileCase{PickedFile::FarLarger, "18.4 GB is larger than a settings file can be (at most 16 MB)"}));

TEST_F(CommandLine, ALinkToASettingsFileIsFollowed)
{
    CSimulatedHidBackend source;
    source.AddDevice(SimulatedDeviceSpec{});
    ASSERT_EQ(RunCommand(source, QuendaCommand::Export, File("settings.json")).exit, kExitDone);
    ASSERT_TRUE(QFile::link(File("settings.json"), File("link.json")));

    CSimulatedHidBackend sim;
    sim.AddDevice(SimulatedDeviceSpec{});
    const Ran run = RunCommand(sim, QuendaCommand::Import, File("link.json"));
    EXPECT_EQ(run.exit, kExitDone) << run.err;
    EXPECT_GT(sim.WritesStarted(0), 0);
}

// Filter files, written as the test's own small files.
void WriteText(const QString& name, const std::string& text)
{
    QFile file(name);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(text.data(), static_cast<qint64>(text.size()));
}

std::string ReadText(const QString& name)
{
    QFile file(name);
    EXPECT_TRUE(file.open(QIODevice::ReadOnly));
    return file.readAll().toStdString();
}

CommandLineOptions FilterOptions(QuendaCommand command, int channel, const QString& file,
                                 const QString& section = QString())
{
    CommandLineOptions options;
    options.command = command;
    options.channel = channel;
    options.file = file;
    options.section = section;
    return options;
}

CommandSlot SetGroup(int channel, int group)
{
    return {CMD_SET_PARAM, AREA_CHANNEL, 0, static_cast<std::uint8_t>(channel), static_cast<std::uint8_t>(group)};
}

CommandSlot WriteBands(int channel)
{
    return {CMD_WRITE_BANDS, AREA_CHANNEL, 0, static_cast<std::uint8_t>(channel), 0};
}

struct FilterImportCase {
    const char* name;
    int channel;
    const char* section;
    std::string text;
    std::vector<CommandSlot> answered;   // the settings commands the import sent
    std::string err;                     // FILE stands for the file's name
};

void PrintTo(const FilterImportCase& c, std::ostream* os) { *os << c.name; }

std::string WithFileName(std::string text, const std::string& file)
{
    for (std::size_t at = text.find("FILE"); at != std::string::npos; at = text.find("FILE", at + file.size()))
        text.replace(at, 4, file);
    return text;
}

class FilterImportCommand : public CommandLine, public testing::WithParamInterface<FilterImportCase> {};

// Only the groups whose bytes change go to the unit, through the settings path the window uses.
TEST_P(FilterImportCommand, SendsOnlyWhatChangesAndReports)
{
    const FilterImportCase& c = GetParam();
    const QString file = File("filters.txt");
    WriteText(file, c.text);
    CSimulatedHidBackend sim;
    CSimulatedUnit& unit = sim.Unit(sim.AddDevice(SimulatedDeviceSpec{}));
    const ChannelBlock otherBefore = unit.Current(1 - c.channel);
    std::vector<CommandSlot> answered;
    const Ran run = RunOptions(
        sim, FilterOptions(QuendaCommand::FiltersImport, c.channel, file, QString::fromLatin1(c.section)), &answered);
    EXPECT_EQ(run.exit, kExitDone);
    EXPECT_EQ(run.err, WithFileName(c.err, file.toStdString()));
    EXPECT_EQ(answered, c.answered);
    EXPECT_TRUE(SameGroups(unit.Current(1 - c.channel), otherBefore)) << "the other channel is left alone";
}

INSTANTIATE_TEST_SUITE_P(Files, FilterImportCommand, testing::Values(
    FilterImportCase{"one band", 0, "",
                     "Filter 1: ON PK Fc 40 Hz Gain -3.0 dB Q 4.3\n",
                     {SetGroup(0, kGroupFirstBand)},
                     "quenda: took 1 of the file's filters into CH A, bands 2..12 flat\n"
                     "quenda: largest difference from the file's curve: 0.22 dB at 43 Hz\n"
                     "quenda: sent the filters of FILE to CH A\n"},
    FilterImportCase{"a preamp alone", 1, "",
                     "Preamp: -6 dB\n",
                     {SetGroup(1, kGroupGain)},
                     "quenda: took 0 of the file's filters into CH B, bands 1..12 flat, gain -6 dB\n"
                     "quenda: largest difference from the file's curve: 0.00 dB at 20 Hz\n"
                     "quenda: sent the filters of FILE to CH B\n"},
    FilterImportCase{"several bands and the gain", 1, "",
                     "Preamp: -3.0 dB\n"
                     "Filter 1: ON PK Fc 1000 Hz Gain -3.5 dB Q 1.41\n"
                     "Filter 2: ON LSC Fc 127 Hz Gain 3.0 dB Q 0.7248\n"
                     "Filter 3: ON LP Fc 16000 Hz\n",
                     {SetGroup(1, kGroupGain), WriteBands(1)},
                     "quenda: FILE: line 4: refused: LP is not a peaking or shelf filter\n"
                     "quenda: took 2 of the file's filters into CH B, bands 3..12 flat, gain -3 dB\n"
                     "quenda: largest difference from the file's curve: 0.01 dB at 127 Hz\n"
                     "quenda: sent the filters of FILE to CH B\n"},
    FilterImportCase{"the channel's own bands", 0, "R",
                     "Channel: L\n"
                     "Filter: ON PK Fc 2000 Hz Gain 4 dB Q 2\n"
                     "Channel: R\n"
                     "Filter: ON PK Fc 40 Hz Gain 0 dB Q 1.93\n"
                     "Filter: ON PK Fc 63 Hz Gain 0 dB Q 1.93\n",
                     {},
                     "quenda: took 2 of the file's filters into CH A, bands 3..12 flat\n"
                     "quenda: largest difference from the file's curve: 0.00 dB at 20 Hz\n"
                     "quenda: CH A already has the filters of FILE\n"}));

TEST_F(CommandLine, FiltersImportThenExportWritesTheBandsBack)
{
    const QString in = File("in.txt");
    WriteText(in, "Preamp: -4 dB\n"
                  "Filter 1: ON LSC Fc 105 Hz Gain 6.2 dB Q 0.70\n"
                  "Filter 2: ON PK Fc 160 Hz Gain -2.9 dB Q 0.49\n"
                  "Filter 3: ON HSC Fc 10000 Hz Gain 3.1 dB Q 0.70\n");
    CSimulatedHidBackend sim;
    CSimulatedUnit& unit = sim.Unit(sim.AddDevice(SimulatedDeviceSpec{}));
    ASSERT_EQ(RunOptions(sim, FilterOptions(QuendaCommand::FiltersImport, 1, in)).exit, kExitDone);
    const ChannelBlock b = unit.Current(1);
    EXPECT_EQ(b.gain.Get(), 76);
    EXPECT_EQ(b.bands[0].freqHz.Get(), 83);
    EXPECT_EQ(b.bands[0].gainCode.Get(), 182);
    EXPECT_EQ(b.bands[0].type, FILTER_LOW_SHELF);
    EXPECT_EQ(b.bands[0].slope, kSlope12dBPerOct);
    EXPECT_EQ(b.bands[1].bwCode.Get(), 124);
    EXPECT_EQ(b.bands[2].freqHz.Get(), 13000);

    const QString out = File("out.txt");
    const Ran exported = RunOptions(sim, FilterOptions(QuendaCommand::FiltersExport, 1, out));
    EXPECT_EQ(exported.exit, kExitDone);
    EXPECT_EQ(exported.err, "quenda: wrote the filters of CH B to " + out.toStdString() + "\n");
    EXPECT_EQ(ReadText(out),
              "Preamp: -4.0 dB\n"
              "Filter 1: ON LSC Fc 106 Hz Gain 6.2 dB Q 0.7257\n"
              "Filter 2: ON PK Fc 160 Hz Gain -2.9 dB Q 0.49\n"
              "Filter 3: ON HSC Fc 10000 Hz Gain 3.1 dB Q 0.7249\n"
              "Filter 4: ON PK Fc 160 Hz Gain 0.0 dB Q 1.93\n"
              "Filter 5: ON PK Fc 250 Hz Gain 0.0 dB Q 1.93\n"
              "Filter 6: ON PK Fc 400 Hz Gain 0.0 dB Q 1.93\n"
              "Filter 7: ON PK Fc 630 Hz Gain 0.0 dB Q 1.93\n"
              "Filter 8: ON PK Fc 1000 Hz Gain 0.0 dB Q 1.92\n"
              "Filter 9: ON PK Fc 1600 Hz Gain 0.0 dB Q 1.91\n"
              "Filter 10: ON PK Fc 2500 Hz Gain 0.0 dB Q 1.89\n"
              "Filter 11: ON PK Fc 4000 Hz Gain 0.0 dB Q 1.84\n"
              "Filter 12: ON PK Fc 6300 Hz Gain 0.0 dB Q 1.71\n");

    // the written file brings the same codes into another unit's other channel
    CSimulatedHidBackend fresh;
    CSimulatedUnit& other = fresh.Unit(fresh.AddDevice(SimulatedDeviceSpec{}));
    ASSERT_EQ(RunOptions(fresh, FilterOptions(QuendaCommand::FiltersImport, 0, out)).exit, kExitDone);
    const ChannelBlock a = other.Current(0);
    for (int k = 0; k < kBandCount; ++k)
        EXPECT_EQ(std::memcmp(&a.bands[k], &b.bands[k], sizeof(BandParams)), 0) << "band " << k + 1;
    EXPECT_EQ(a.gain.Get(), 76);
}

// The import ends only once the unit answered every group it sent.
TEST_F(CommandLine, FiltersImportArrivesThroughDroppedAndDelayedReplies)
{
    const QString in = File("in.txt");
    std::string text = "Preamp: -7 dB\n";
    for (int n = 1; n <= kBandCount; ++n)
        text += "Filter " + std::to_string(n) + ": ON PK Fc " + std::to_string(150 * n) + " Hz Gain 2.0 dB Q 2.0\n";
    WriteText(in, text);
    CSimulatedHidBackend sim;
    CSimulatedUnit& unit = sim.Unit(sim.AddDevice(SimulatedDeviceSpec{}));
    unit.SetFaults({.dropReply = 0.3, .delayReply = 0.3, .maxDelayTicks = 4});
    const Ran run = RunOptions(sim, FilterOptions(QuendaCommand::FiltersImport, 0, in));
    ASSERT_EQ(run.exit, kExitDone) << run.err;
    const ChannelBlock a = unit.Current(0);
    EXPECT_EQ(a.gain.Get(), 73);
    for (int k = 0; k < kBandCount; ++k) {
        EXPECT_EQ(a.bands[k].freqHz.Get(), 150 * (k + 1)) << "band " << k + 1;
        EXPECT_EQ(a.bands[k].gainCode.Get(), 140) << "band " << k + 1;
        // Q 2.0 is 0.36 of the unit's octaves, a little less towards the top of a 48 kHz file
        EXPECT_EQ(a.bands[k].bwCode.Get(), k < 9 ? 31 : 30) << "band " << k + 1;
    }
}

TEST_F(CommandLine, AFilterImportTheUnitStopsAnsweringEndsTheCommand)
{
    const QString in = File("in.txt");
    WriteText(in, "Filter 1: ON PK Fc 1000 Hz Gain 2.0 dB Q 2.0\n");
    CSimulatedHidBackend sim;
    CSimulatedUnit& unit = sim.Unit(sim.AddDevice(SimulatedDeviceSpec{}));
    QString out, err;
    QTextStream outStream(&out), errStream(&err);
    CUnitAdapter adapter(sim);
    // silent once the current memory has come, before the runner sends the filters
    QObject::connect(&adapter, &CUnitAdapter::commandFinished, [&unit](const CommandSlot& command, CommandOutcome) {
        if (command.code == CMD_RECALL_PRESET)
            unit.SetSilent(true);
    });
    CCommandRunner headless(adapter, FilterOptions(QuendaCommand::FiltersImport, 0, in), outStream, errStream);
    headless.Start();
    for (int tick = 0; tick < 5000 && !headless.IsFinished(); ++tick) {
        Settle(sim, adapter);
        headless.Tick();
        sim.Tick();
    }
    ASSERT_TRUE(headless.IsFinished());
    EXPECT_EQ(headless.ExitCode(), kExitNotAnswering);
    EXPECT_EQ(err.toStdString(), "quenda: took 1 of the file's filters into CH A, bands 2..12 flat\n"
                                 "quenda: largest difference from the file's curve: 0.01 dB at 1295 Hz\n"
                                 "quenda: the unit does not answer\n");
}

TEST_F(CommandLine, AFilterFileThatCannotBeImportedLeavesTheUnitClosed)
{
    const struct {
        std::string text;
        const char* section;
        int exit;
        std::string err;   // FILE stands for the file's name
    } cases[] = {
        {"Filter: ON LP Fc 100 Hz\nFilter: ON HP Fc 30 Hz\n", "", kExitFile,
         "quenda: FILE: line 1: refused: LP is not a peaking or shelf filter\n"
         "quenda: FILE: line 2: refused: HP is not a peaking or shelf filter\n"
         "quenda: FILE holds no peaking or shelf filter and no preamp\n"},
        {"Channel: L\nFilter: ON PK Fc 100 Hz Gain 1 dB Q 1\nChannel: R\n", "", kExitUsage,
         "quenda: FILE has filters for the channels L, R: choose one with --section\n"},
        {"Channel: L\nFilter: ON PK Fc 100 Hz Gain 1 dB Q 1\n", "SUB", kExitUsage,
         "quenda: FILE has no channel SUB (it has L)\n"},
        {"Filter: ON PK Fc 100 Hz Gain 1 dB Q 1\n", "L", kExitUsage,
         "quenda: FILE has no Channel: lines, so --section does not apply\n"},
        {std::string(kMaxFilterTextBytes + 1, '#'), "", kExitFile,
         "quenda: FILE: 1.0 MB is larger than a filter file can be (at most 1 MB)\n"},
    };
    for (const auto& c : cases) {
        const QString file = File("filters.txt");
        WriteText(file, c.text);
        CSimulatedHidBackend sim;
        sim.AddDevice(SimulatedDeviceSpec{});
        const Ran run =
            RunOptions(sim, FilterOptions(QuendaCommand::FiltersImport, 0, file, QString::fromLatin1(c.section)));
        EXPECT_EQ(run.exit, c.exit) << c.err;
        EXPECT_EQ(run.err, WithFileName(c.err, file.toStdString()));
        EXPECT_EQ(sim.OpenHandles(0), 0) << c.err;
        EXPECT_EQ(sim.WritesStarted(0), 0) << c.err;
    }
}

TEST_F(CommandLine, TheProgramRunsEveryCommandAgainstTheDemoUnit)
{
    const QString current = File("current.json");
    const QString all = File("all.json");
    const std::string currentName = current.toStdString();
    const std::string allName = all.toStdString();

    const Ran info = RunProgram({QStringLiteral("--demo"), QStringLiteral("info")});
    EXPECT_EQ(info.exit, 0);
    const std::string head =
        "unit found: USB 0483:5750 version 0200 at /dev/hidraw-sim0\npreset names:\n 1  Preset 1\n 2  Preset 2\n";
    EXPECT_EQ(info.out.substr(0, head.size()), head);
    EXPECT_NE(info.out.find("20  Preset 20\n"), std::string::npos);

    const Ran exported = RunProgram({QStringLiteral("--demo"), QStringLiteral("export"), current});
    EXPECT_EQ(exported.exit, 0);
    EXPECT_EQ(exported.err, "quenda: wrote the current settings to " + currentName + "\n");

    const Ran backup = RunProgram({QStringLiteral("--demo"), QStringLiteral("backup"), all});
    EXPECT_EQ(backup.exit, 0);
    EXPECT_EQ(backup.err.substr(0, 33), "quenda: reading preset 1 of 20\nqu");
    EXPECT_NE(backup.err.find("quenda: wrote 20 presets and the current settings to " + allName + "\n"),
              std::string::npos);

    const Ran imported = RunProgram({QStringLiteral("--demo"), QStringLiteral("import"), current});
    EXPECT_EQ(imported.exit, 0);
    EXPECT_EQ(imported.err, "quenda: sent the current settings of " + currentName + " to the unit\n");

    const Ran restored = RunProgram({QStringLiteral("--demo"), QStringLiteral("restore"), all});
    EXPECT_EQ(restored.exit, 0);
    EXPECT_NE(restored.err.find("quenda: writing preset 20 of 20\nquenda: wrote the 20 presets of " + allName +
                                " into the unit\n"),
              std::string::npos);

    const Ran noPresets = RunProgram({QStringLiteral("--demo"), QStringLiteral("restore"), current});
    EXPECT_EQ(noPresets.exit, 5);
    EXPECT_EQ(noPresets.err, "quenda: " + currentName + " holds no presets\n");
}

// Each run of the program has a fresh demo unit, so the import and the export are checked apart.
TEST_F(CommandLine, TheProgramImportsAndExportsFiltersAgainstTheDemoUnit)
{
    const QString in = File("apo.txt");
    WriteText(in, "Preamp: -2 dB\n"
                  "Channel: L\n"
                  "Filter: ON PK Fc 3000 Hz Gain 2,5 dB BW Oct 1\n"
                  "Channel: R\n"
                  "Filter: ON AP Fc 500 Hz Q 0.7\n");
    const Ran imported = RunProgram({QStringLiteral("--demo"), QStringLiteral("--section"), QStringLiteral("L"),
                                     QStringLiteral("filters-import"), QStringLiteral("b"), in});
    EXPECT_EQ(imported.exit, 0);
    EXPECT_EQ(imported.err, "quenda: took 1 of the file's filters into CH B, bands 2..12 flat, gain -2 dB\n"
                            "quenda: largest difference from the file's curve: 0.02 dB at 9680 Hz\n"
                            "quenda: sent the filters of " + in.toStdString() + " to CH B\n");
    EXPECT_TRUE(imported.out.empty());

    const QString out = File("demo.txt");
    const Ran exported =
        RunProgram({QStringLiteral("--demo"), QStringLiteral("filters-export"), QStringLiteral("A"), out});
    EXPECT_EQ(exported.exit, 0);
    EXPECT_EQ(exported.err, "quenda: wrote the filters of CH A to " + out.toStdString() + "\n");
    EXPECT_EQ(ReadText(out), FilterTextOf(ChannelBandsOf(DefaultChannelBlock()), DefaultChannelBlock().gain.Get()));
    EXPECT_EQ(ReadText(out).substr(0, 60), "Preamp: 0.0 dB\nFilter 1: ON PK Fc 40 Hz Gain 0.0 dB Q 1.93\nF");
}

struct RefusalCase {
    QStringList arguments;
    int exit;
    const char* firstLine;
};

void PrintTo(const RefusalCase& c, std::ostream* os)
{
    *os << '"' << c.arguments.join(QLatin1Char(' ')).toStdString() << '"';
}

class ProgramRefusal : public testing::TestWithParam<RefusalCase> {};

TEST_P(ProgramRefusal, ExitsWithItsCodeAndOneLineOfReason)
{
    const RefusalCase& c = GetParam();
    const Ran run = RunProgram(c.arguments);
    EXPECT_EQ(run.exit, c.exit);
    EXPECT_EQ(run.err.substr(0, run.err.find('\n')), c.firstLine);
}

INSTANTIATE_TEST_SUITE_P(Arguments, ProgramRefusal, testing::Values(
    RefusalCase{{QStringLiteral("--bogus")}, 1, "quenda: Unknown option 'bogus'."},
    RefusalCase{{QStringLiteral("export")}, 1, "quenda: export needs a FILE"},
    RefusalCase{{QStringLiteral("--demo"), QStringLiteral("frobnicate")}, 1, "quenda: unknown command: frobnicate"},
    RefusalCase{{QStringLiteral("info"), QStringLiteral("extra")}, 1, "quenda: unexpected argument: extra"},
    RefusalCase{{QStringLiteral("--demo"), QStringLiteral("import"), QStringLiteral("/nonexistent/quenda.json")}, 5,
                "quenda: /nonexistent/quenda.json: cannot open the file: No such file or directory"},
    RefusalCase{{QStringLiteral("info")}, 2, "quenda: no unit found (USB 0483:5750 version 0200)"},
    RefusalCase{{QStringLiteral("--json"), QStringLiteral("export"), QStringLiteral("x.json")}, 1,
                "quenda: --json belongs to list, info and fit"},
    RefusalCase{{QStringLiteral("recall")}, 1, "quenda: recall needs a preset number"},
    RefusalCase{{QStringLiteral("store"), QStringLiteral("0")}, 1, "quenda: a preset is a number from 1 to 20, not 0"},
    RefusalCase{{QStringLiteral("gain"), QStringLiteral("A"), QStringLiteral("-6.5")}, 1,
                "quenda: the gain is a whole number of dB from -80 to 10, not -6.5"},
    RefusalCase{{QStringLiteral("gain"), QStringLiteral("B"), QStringLiteral("11")}, 1,
                "quenda: the gain is a whole number of dB from -80 to 10, not 11"},
    RefusalCase{{QStringLiteral("mute"), QStringLiteral("C"), QStringLiteral("on")}, 1,
                "quenda: the channel is A or B, not C"},
    RefusalCase{{QStringLiteral("mute"), QStringLiteral("A"), QStringLiteral("maybe")}, 1,
                "quenda: mute is on or off, not maybe"},
    RefusalCase{{QStringLiteral("--demo"), QStringLiteral("gain"), QStringLiteral("A"), QStringLiteral("-6"),
                 QStringLiteral("extra")}, 1, "quenda: unexpected argument: extra"},
    RefusalCase{{QStringLiteral("--demo"), QStringLiteral("--device"), QStringLiteral("x"), QStringLiteral("list")}, 1,
                "quenda: list shows every unit: --device has nothing to choose"},
    RefusalCase{{QStringLiteral("--device="), QStringLiteral("info")}, 1,
                "quenda: --device needs a serial number or path"},
    RefusalCase{{QStringLiteral("--demo-units"), QStringLiteral("9"), QStringLiteral("list")}, 1,
                "quenda: --demo-units takes a number from 1 to 8, not 9"},
    RefusalCase{{QStringLiteral("--demo-units"), QStringLiteral("3"), QStringLiteral("info")}, 1,
                "quenda: 3 units are attached; choose one with --device SERIAL|PATH|NAME:"},
    RefusalCase{{QStringLiteral("--demo-units"), QStringLiteral("2"), QStringLiteral("--device"),
                 QStringLiteral("QD-DEMO-7"), QStringLiteral("info")}, 1,
                "quenda: no attached unit has the serial number, path or name QD-DEMO-7; attached units:"},
    RefusalCase{{QStringLiteral("filters-import"), QStringLiteral("A")}, 1,
                "quenda: filters-import needs A or B and a FILE"},
    RefusalCase{{QStringLiteral("filters-export"), QStringLiteral("C"), QStringLiteral("eq.txt")}, 1,
                "quenda: the channel is A or B, not C"},
    RefusalCase{{QStringLiteral("--section"), QStringLiteral("L"), QStringLiteral("filters-export"),
                 QStringLiteral("A"), QStringLiteral("eq.txt")},
                1, "quenda: --section belongs to filters-import"},
    RefusalCase{{QStringLiteral("--demo"), QStringLiteral("filters-import"), QStringLiteral("A"), QStringLiteral("/")},
                5, "quenda: /: not a regular file"},
    RefusalCase{{QStringLiteral("--demo"), QStringLiteral("filters-export"), QStringLiteral("B"),
                 QStringLiteral("/nonexistent/eq.txt")},
                5, "quenda: /nonexistent/eq.txt: cannot write the file: No such file or directory"}));

// The fit command, over measurements written as REW exports them.
std::string MeasurementText(const std::function<double(double)>& level, double fromHz = 20.0, double toHz = 20000.0,
                            int count = 400)
{
    std::string text = "* Freq(Hz) SPL(dB) Phase(degrees)\n";
    for (int i = 0; i < count; ++i) {
        const double hz = fromHz * std::pow(toHz / fromHz, i / (count - 1.0));
        char line[64];
        std::snprintf(line, sizeof line, "%.4f %.4f 0\n", hz, 75.0 + level(hz));
        text += line;
    }
    return text;
}

// A room whose response the unit's own cuts undo.
double RoomOfCuts(double hz)
{
    double db = 0.0;
    for (const auto& [f, gain, width] : {std::tuple{63, 50, 20}, {250, 90, 60}, {2000, 80, 30}}) {
        BandParams band{};
        band.freqHz.Set(static_cast<std::int16_t>(f));
        band.gainCode.Set(static_cast<std::int16_t>(gain));
        band.bwCode.Set(static_cast<std::int16_t>(width));
        db -= SectionDbAt(BandSection(band), hz, kSampleRate);
    }
    return db;
}

CommandLineOptions FitOptionsFor(int channel, const QString& file, double maxBoostDb = 0.0, bool dryRun = false)
{
    CommandLineOptions options;
    options.command = QuendaCommand::Fit;
    options.channel = channel;
    options.file = file;
    options.fit.maxBoostDb = maxBoostDb;
    options.dryRun = dryRun;
    return options;
}

// The fit the command makes, made here on the same file and the unit's defaults.
EqualizerFit ExpectedFit(const QString& file, const CommandLineOptions& options)
{
    Measurement measured;
    SettingsError error;
    EXPECT_TRUE(ReadMeasurementFile(file, measured, error));
    const ChannelBlock block = DefaultChannelBlock();
    return FitBands(CMeasurementCurve(measured.points), CMeasurementCurve(), options.fit, ChannelBandsOf(block),
                    block.gain.Get());
}

TEST_F(CommandLine, FitSendsTheBandsAndPrintsThemWithTheReport)
{
    const QString file = File("room.txt");
    WriteText(file, MeasurementText(RoomOfCuts));
    CSimulatedHidBackend sim;
    CSimulatedUnit& unit = sim.Unit(sim.AddDevice(SimulatedDeviceSpec{}));
    const ChannelBlock otherBefore = unit.Current(1);
    std::vector<CommandSlot> answered;
    const CommandLineOptions options = FitOptionsFor(0, file);
    const Ran run = RunOptions(sim, options, &answered);
    ASSERT_EQ(run.exit, kExitDone) << run.err;
    const EqualizerFit fit = ExpectedFit(file, options);
    EXPECT_LE(fit.after.rmsDb, 0.1);
    EXPECT_EQ(run.out, FilterTextOf(fit.bands, fit.gainCode));
    EXPECT_EQ(run.err, "quenda: fitted 3 of 12 bands of CH A to " + file.toStdString() +
                           " (target flat, 20–20000 Hz, cuts only)\n"
                           "quenda: RMS difference from the target: 1.45 dB → 0.00 dB\n"
                           "quenda: largest difference: 5.77 dB at 63 Hz → 0.03 dB at 63 Hz\n"
                           "quenda: sent the fit to CH A\n");
    EXPECT_EQ(answered, (std::vector<CommandSlot>{WriteBands(0)}));
    const ChannelBlock a = unit.Current(0);
    for (int k = 0; k < kBandCount; ++k)
        EXPECT_EQ(std::memcmp(&a.bands[k], &fit.bands[k], sizeof(BandParams)), 0) << "band " << k + 1;
    EXPECT_EQ(a.gain.Get(), DefaultChannelBlock().gain.Get());
    EXPECT_TRUE(SameGroups(unit.Current(1), otherBefore)) << "the other channel is left alone";

    // the same measurement again: its bands already undo it
    std::vector<CommandSlot> again;
    const Ran second = RunOptions(sim, options, &again);
    EXPECT_EQ(second.exit, kExitDone);
    EXPECT_TRUE(again.empty());
    EXPECT_EQ(second.err.substr(second.err.rfind("quenda: ", second.err.size() - 2)),
              "quenda: the measurement with the bands of CH A is already within 0.5 dB RMS of the target: the bands "
              "stay as they are\n");
}

TEST_F(CommandLine, AFitWithABoostLowersTheGainAndADryRunSendsNothing)
{
    const QString file = File("room.txt");
    WriteText(file, MeasurementText([](double hz) { return -RoomOfCuts(hz); }));
    CSimulatedHidBackend sim;
    CSimulatedUnit& unit = sim.Unit(sim.AddDevice(SimulatedDeviceSpec{}));
    const ChannelBlock before = unit.Current(1);

    std::vector<CommandSlot> answered;
    const CommandLineOptions dry = FitOptionsFor(1, file, 6.0, true);
    const Ran dryRun = RunOptions(sim, dry, &answered);
    EXPECT_EQ(dryRun.exit, kExitDone) << dryRun.err;
    EXPECT_TRUE(answered.empty());
    EXPECT_TRUE(SameGroups(unit.Current(1), before));
    const EqualizerFit fit = ExpectedFit(file, dry);
    ASSERT_GT(fit.gainLoweredDb, 0) << "the room's dips want a boost";
    EXPECT_NE(dryRun.err.find("quenda: " + FitGainLine(fit, 1).toStdString() + "\n"), std::string::npos);
    EXPECT_EQ(dryRun.err.substr(dryRun.err.rfind("quenda: ")), "quenda: a dry run: nothing was sent to CH B\n");

    const Ran sent = RunOptions(sim, FitOptionsFor(1, file, 6.0), &answered);
    EXPECT_EQ(sent.exit, kExitDone) << sent.err;
    EXPECT_EQ(answered, (std::vector<CommandSlot>{SetGroup(1, kGroupGain), WriteBands(1)}));
    EXPECT_EQ(unit.Current(1).gain.Get(), before.gain.Get() - fit.gainLoweredDb);
    for (const BandParams& band : unit.Current(1).bands)
        EXPECT_LE(band.gainCode.Get(), kFlatGainCode + 60);
}

TEST_F(CommandLine, AFitThatCannotBeMadeLeavesTheUnitClosed)
{
    const struct {
        std::string text;   // empty: no such file
        std::optional<FitRange> range;
        const char* target;
        int exit;
        std::string err;    // FILE stands for the measurement's name
    } cases[] = {
        {MeasurementText(RoomOfCuts, 100.0, 1000.0, 9), std::nullopt, nullptr, kExitFile,
         "quenda: FILE: a fit needs at least 10 measured points in 100–1000 Hz; the measurement has 9\n"},
        {MeasurementText(RoomOfCuts, 20.0, 20000.0, 40), FitRange{100.0, 300.0}, nullptr, kExitFile,
         "quenda: FILE: a fit needs at least 10 measured points in 100–300 Hz; the measurement has 6\n"},
        {MeasurementText(RoomOfCuts, 50.0, 8000.0), FitRange{20.0, 20000.0}, nullptr, kExitFile,
         "quenda: FILE: the range 20–20000 Hz reaches beyond the measurement, which spans 50–8000 Hz\n"},
        {"no numbers here\n", std::nullopt, nullptr, kExitFile,
         "quenda: FILE: holds fewer than 2 points between 20 Hz and 20 kHz\n"},
        {MeasurementText(RoomOfCuts), std::nullopt, "/nonexistent/house.txt", kExitFile,
         "quenda: /nonexistent/house.txt: cannot open the file: No such file or directory\n"},
    };
    for (const auto& c : cases) {
        const QString file = File("room.txt");
        WriteText(file, c.text);
        CommandLineOptions options = FitOptionsFor(0, file);
        options.fit.range = c.range;
        options.target = c.target ? QString::fromLatin1(c.target) : QString();
        CSimulatedHidBackend sim;
        sim.AddDevice(SimulatedDeviceSpec{});
        const Ran run = RunOptions(sim, options);
        EXPECT_EQ(run.exit, c.exit) << c.err;
        EXPECT_EQ(run.err, WithFileName(c.err, file.toStdString()));
        EXPECT_TRUE(run.out.empty());
        EXPECT_EQ(sim.OpenHandles(0), 0) << c.err;
        EXPECT_EQ(sim.WritesStarted(0), 0) << c.err;
    }
}

TEST_F(CommandLine, TheProgramFitsAgainstTheDemoUnitAndTellsItAsJson)
{
    const QString room = File("room.txt");
    const QString house = File("house.txt");
    WriteText(room, MeasurementText(RoomOfCuts));
    WriteText(house, "20 3\n100 3\n200 0\n20000 -2\n");
    const Ran run = RunProgram({QStringLiteral("--demo"), QStringLiteral("fit"), QStringLiteral("B"), room,
                                QStringLiteral("--target"), house, QStringLiteral("--range"), QStringLiteral("30-16000"),
                                QStringLiteral("--bands"), QStringLiteral("6"), QStringLiteral("--max-boost"),
                                QStringLiteral("3"), QStringLiteral("--dry-run"), QStringLiteral("--json")});
    ASSERT_EQ(run.exit, 0) << run.err;
    const QJsonObject fit = QJsonDocument::fromJson(QByteArray::fromStdString(run.out)).object();
    EXPECT_EQ(fit.value("channel").toString(), "B");
    EXPECT_EQ(fit.value("measurement").toString(), room);
    EXPECT_EQ(fit.value("target").toString(), house);
    EXPECT_EQ(fit.value("range").toObject().value("lowHz").toDouble(), 30.0);
    EXPECT_EQ(fit.value("range").toObject().value("highHz").toDouble(), 16000.0);
    EXPECT_EQ(fit.value("maxBoostDb").toDouble(), 3.0);
    EXPECT_EQ(fit.value("bandsAllowed").toInt(), 6);
    EXPECT_LE(fit.value("bandsUsed").toInt(), 6);
    EXPECT_TRUE(fit.value("dryRun").toBool());
    EXPECT_FALSE(fit.value("alreadyWithin").toBool());
    EXPECT_LT(fit.value("after").toObject().value("rmsDb").toDouble(),
              fit.value("before").toObject().value("rmsDb").toDouble());
    const QJsonArray bands = fit.value("bands").toArray();
    ASSERT_EQ(bands.size(), kBandCount);
    EXPECT_EQ(bands[0].toObject().value("band").toInt(), 1);
    for (int k = fit.value("bandsUsed").toInt(); k < kBandCount; ++k)
        EXPECT_EQ(bands[k].toObject().value("gainDb").toDouble(), 0.0) << "band " << k + 1;
    for (const QJsonValue& band : bands)
        EXPECT_LE(band.toObject().value("gainDb").toDouble(), 3.0);
    EXPECT_EQ(run.err.substr(run.err.rfind("quenda: ")), "quenda: a dry run: nothing was sent to CH B\n");
}

INSTANTIATE_TEST_SUITE_P(FitArguments, ProgramRefusal, testing::Values(
    RefusalCase{{QStringLiteral("fit"), QStringLiteral("A")}, 1, "quenda: fit needs A or B and a MEASUREMENT file"},
    RefusalCase{{QStringLiteral("fit"), QStringLiteral("C"), QStringLiteral("room.txt")}, 1,
                "quenda: the channel is A or B, not C"},
    RefusalCase{{QStringLiteral("fit"), QStringLiteral("A"), QStringLiteral("room.txt"), QStringLiteral("--bands"),
                 QStringLiteral("0")}, 1, "quenda: --bands takes a number from 1 to 12, not 0"},
    RefusalCase{{QStringLiteral("fit"), QStringLiteral("A"), QStringLiteral("room.txt"), QStringLiteral("--bands"),
                 QStringLiteral("13")}, 1, "quenda: --bands takes a number from 1 to 12, not 13"},
    RefusalCase{{QStringLiteral("fit"), QStringLiteral("A"), QStringLiteral("room.txt"), QStringLiteral("--max-boost"),
                 QStringLiteral("12.5")}, 1, "quenda: --max-boost takes 0 to 12 dB, not 12.5"},
    RefusalCase{{QStringLiteral("fit"), QStringLiteral("A"), QStringLiteral("room.txt"), QStringLiteral("--max-boost"),
                 QStringLiteral("-3")}, 1, "quenda: --max-boost takes 0 to 12 dB, not -3"},
    RefusalCase{{QStringLiteral("fit"), QStringLiteral("A"), QStringLiteral("room.txt"), QStringLiteral("--range"),
                 QStringLiteral("10-1000")}, 1, "quenda: --range 10-1000 is not a range within 20-20000 Hz"},
    RefusalCase{{QStringLiteral("fit"), QStringLiteral("A"), QStringLiteral("room.txt"), QStringLiteral("--range"),
                 QStringLiteral("2000-200")}, 1, "quenda: --range 2000-200 is not a range within 20-20000 Hz"},
    RefusalCase{{QStringLiteral("fit"), QStringLiteral("A"), QStringLiteral("room.txt"), QStringLiteral("--range"),
                 QStringLiteral("1000-1040")}, 1,
                "quenda: --range 1000-1040 holds fewer than 3 of the unit's frequencies (1/24 octave apart)"},
    RefusalCase{{QStringLiteral("fit"), QStringLiteral("A"), QStringLiteral("room.txt"), QStringLiteral("--range"),
                 QStringLiteral("low-high")}, 1, "quenda: --range takes LO-HI in Hz, such as 20-20000, not low-high"},
    RefusalCase{{QStringLiteral("--dry-run"), QStringLiteral("gain"), QStringLiteral("A"), QStringLiteral("-6")}, 1,
                "quenda: --target, --range, --max-boost, --bands and --dry-run belong to fit"},
    RefusalCase{{QStringLiteral("--demo"), QStringLiteral("fit"), QStringLiteral("A"),
                 QStringLiteral("/nonexistent/room.txt")}, 5,
                "quenda: /nonexistent/room.txt: cannot open the file: No such file or directory"}));

TEST(Program, HelpAndVersion)
{
    const Ran help = RunProgram({QStringLiteral("--help")});
    EXPECT_EQ(help.exit, 0);
    EXPECT_EQ(help.out.substr(0, 71), "Usage: quenda [options] [command [A|B] [N|DB|on|off|FILE]]\nControls the");
    EXPECT_NE(help.out.find("  gain A|B DB   sets the gain of CH A or CH B, in whole dB (-80 to 10)\n"), std::string::npos);
    EXPECT_NE(help.out.find("6 another program has the unit, 7 serve cannot listen or pair finds no serve,\n"
                            "8 the MQTT broker refused serve's user or password.\n"),
              std::string::npos);
    EXPECT_NE(help.out.find("  pair          prints a fresh pairing link and code of the running serve; with --list\n"
                            "                its paired devices, with --forget NAME or --forget-all forgets them\n"),
              std::string::npos);
    EXPECT_NE(help.out.find("  --listen <ADDR:PORT>"), std::string::npos);
    EXPECT_NE(help.out.find("  backup FILE   writes all 20 presets and the current settings to FILE\n"),
              std::string::npos);
    EXPECT_NE(help.out.find("  filters-export A|B FILE\n"
                            "                writes the EQ and gain of CH A or CH B to FILE as filter text\n"),
              std::string::npos);
    EXPECT_NE(help.out.find("  --section <NAME>"), std::string::npos);
    // --help-all is listed by the help itself: it shows the help too, whatever follows it
    const Ran helpAll = RunProgram({QStringLiteral("--help-all"), QStringLiteral("info")});
    EXPECT_EQ(helpAll.exit, 0);
    EXPECT_EQ(helpAll.out, help.out);
    const Ran version = RunProgram({QStringLiteral("--version")});
    EXPECT_EQ(version.exit, 0);
    EXPECT_EQ(version.out, "quenda 2.0.3\n");
}

}  // namespace
