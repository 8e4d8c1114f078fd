// One command of the command line, run without a window over the real link
// and scheduler: list the attached units, or choose one, connect (read the
// setup, recall the current memory), then info, export, import, backup,
// restore, filters-import, filters-export, recall, store, gain, mute or fit. Progress, an import's and
// a fit's report and the one-line reason of a failure go to the error stream, info's and list's
// answers and a fit's bands to the output stream.
#pragma once

#include "model/FilterText.h"
#include "model/Measurement.h"
#include "transport/HidLink.h"
#include "ui/main/CommandLineOptions.h"
#include "ui/settings/SettingsTransfer.h"

#include <QObject>
#include <QTextStream>

#include <optional>

struct EqualizerFit;

class CUnitAdapter;

// Exit codes of the commands.
enum QuendaExit {
    kExitDone = 0,
    kExitUsage = 1,
    kExitNoUnit = 2,
    kExitNoPermission = 3,
    kExitNotAnswering = 4,
    kExitFile = 5,
    kExitInUse = 6,   // another program has the unit
    kExitCannotListen = 7,   // serve cannot listen; pair finds no serve
    kExitBrokerRefused = 8,  // the MQTT broker refused serve's user name or password
};

// "2 attached units have the name Hall; choose one with --device SERIAL|PATH:"
// and the units, one a line.
QString SharedNameText(const QString& name, const std::vector<HidInterfaceInfo>& units);

class CCommandRunner : public QObject {
    Q_OBJECT
public:
    // Ticks a command may take to connect before the unit counts as not answering.
    static constexpr int kConnectTicks = 100;

    // The unit outlives the runner.
    CCommandRunner(CUnitAdapter& unit, const CommandLineOptions& options, QTextStream& out, QTextStream& err);

    // Checks the file a command reads, then connects.
    void Start();
    // One 100 ms step: the scheduler, and whether the link is still there.
    void Tick();
    bool IsFinished() const { return m_exit.has_value(); }
    int ExitCode() const { return m_exit.value_or(kExitDone); }

    // Start, then ticks on a 100 ms timer until the command has finished.
    int Run();

private:
    bool ListUnits(std::vector<HidInterfaceInfo>& units);
    void PrintUnits();
    bool ChooseUnit();
    bool ReadFile();
    bool ReadFilters();
    bool ChooseSection();
    void PrintFileNotes();
    void PrintNotes(const std::vector<FilterNote>& notes);
    bool Connect();
    void OnCommandFinished(const CommandSlot& command, CommandOutcome outcome);
    void OnConnectionChanged(const ConnectionEvent& event);
    void RunCommand();
    void PrintInfo();
    void PrintInfoJson();
    void ExportCurrent();
    void SendFilters();
    void WaitForChanges(const QString& done);
    void OnChangesAnswered(CommandOutcome outcome);
    void SetGainOrMute();
    void SendPresetCommand();
    void OnPresetCommandFinished(const CommandSlot& command, CommandOutcome outcome);
    void ExportFilters();
    // The fit command (CommandRunnerFit.cpp).
    bool ReadFitFiles();
    void SendFit();
    void PrintFit(const EqualizerFit& fit);
    void WriteFile(const SettingsFile& settings, const QString& done);
    void OnProgress(int preset);
    void OnTransferFinished(CSettingsTransfer::Result result);
    void Fail(int code, const QString& reason);
    void Done(const QString& message);

    CUnitAdapter& m_unit;
    const CommandLineOptions m_options;
    QTextStream& m_out;
    QTextStream& m_err;
    CSettingsTransfer m_transfer;
    SettingsFile m_file;
    bool m_started = false;     // the connect button was pressed
    bool m_connected = false;   // the current memory has been read
    FilterText m_filters;       // filters-import's file
    int m_section = -1;         // its section to import, when it names channels
    CMeasurementCurve m_measured;   // fit's measurement
    CMeasurementCurve m_target;     // and its target; empty: flat
    bool m_sendingChanges = false;
    int m_stalledTicks = -1;    // ticks since the changes went unanswered; -1 while the unit answers
    QString m_changesDone;      // what the command says once the unit has its changes
    bool m_presetCommand = false;   // the store or recall is sent
    int m_ticks = 0;
    std::optional<int> m_exit;
};
