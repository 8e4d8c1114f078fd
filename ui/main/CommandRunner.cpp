#include "ui/main/CommandRunner.h"

#include "model/FilterExport.h"
#include "ui/common/LinkTexts.h"
#include "ui/common/PresetNameCodec.h"
#include "ui/common/UnitAdapter.h"
#include "ui/common/UnitNames.h"
#include "ui/settings/FilterFile.h"
#include "ui/settings/SettingsFileFields.h"

#include <QEventLoop>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTimer>

namespace {

constexpr int kTickMs = 100;

bool ReadsFile(QuendaCommand command)
{
    return command == QuendaCommand::Import || command == QuendaCommand::Restore;
}

QString Hex4(int value)
{
    return QStringLiteral("%1").arg(value, 4, 16, QLatin1Char('0'));
}

QString Utf8(const std::string& text)
{
    return QString::fromStdString(text);
}

// "/dev/hidraw3  serial QD-0001  Audio Processor  version 0200  name Hall"
QString UnitLine(const HidInterfaceInfo& unit)
{
    const QString name = CUnitNames().Name(UnitKey(unit));
    return QStringLiteral("%1  serial %2  %3  version %4%5")
        .arg(Utf8(unit.path), unit.serial.empty() ? QStringLiteral("(none)") : Utf8(unit.serial),
             Utf8(unit.productText), Hex4(unit.version), name.isEmpty() ? QString() : QStringLiteral("  name ") + name);
}

QString UnitLines(const std::vector<HidInterfaceInfo>& units)
{
    if (units.empty())
        return QStringLiteral("\n  (no unit is attached)");
    QString lines;
    for (const HidInterfaceInfo& unit : units)
        lines += QStringLiteral("\n  ") + UnitLine(unit);
    return lines;
}

// The fields scripts read; docs/command-line-json.md keeps them.
QJsonObject UnitObject(const HidInterfaceInfo& unit)
{
    return {{QStringLiteral("path"), Utf8(unit.path)},
            {QStringLiteral("serial"), Utf8(unit.serial)},
            {QStringLiteral("product"), Utf8(unit.productText)},
            {QStringLiteral("version"), Hex4(unit.version)},
            {QStringLiteral("name"), CUnitNames().Name(UnitKey(unit))}};
}

bool NothingPending(const CUnit& unit)
{
    CommandSlot pending[1];
    return unit.Scheduler().Pending(pending, 1) == 0;
}

}  // namespace

QString SharedNameText(const QString& name, const std::vector<HidInterfaceInfo>& units)
{
    return QStringLiteral("%1 attached units have the name %2; choose one with --device SERIAL|PATH:%3")
        .arg(units.size())
        .arg(name, UnitLines(units));
}

CCommandRunner::CCommandRunner(CUnitAdapter& unit, const CommandLineOptions& options, QTextStream& out,
                               QTextStream& err)
    : m_unit(unit), m_options(options), m_out(out), m_err(err), m_transfer(unit)
{
    connect(&m_unit, &CUnitAdapter::commandFinished, this, &CCommandRunner::OnCommandFinished);
    connect(&m_unit, &CUnitAdapter::connectionChanged, this, &CCommandRunner::OnConnectionChanged);
    connect(&m_transfer, &CSettingsTransfer::presetStarted, this, &CCommandRunner::OnProgress);
    connect(&m_transfer, &CSettingsTransfer::finished, this, &CCommandRunner::OnTransferFinished);
}

void CCommandRunner::Start()
{
    if (m_options.command == QuendaCommand::List) {
        PrintUnits();
        return;
    }
    if (ReadsFile(m_options.command) && !ReadFile())
        return;
    if (m_options.command == QuendaCommand::FiltersImport && !ReadFilters())
        return;
    if (m_options.command == QuendaCommand::Fit && !ReadFitFiles())
        return;
    if (!ChooseUnit())
        return;
    if (!Connect()) {
        const CHidLink& link = m_unit.Unit().Link();
        if (link.Problem() == LinkProblem::InUse)
            Fail(kExitInUse, QStringLiteral("the unit at %1 is in use by another program: %2")
                                 .arg(QString::fromStdString(link.DevicePath()), UnitHolderText(link.Holder())));
        else if (link.Problem() == LinkProblem::NoPermission)
            Fail(kExitNoPermission, QStringLiteral("the unit at %1 is attached but this user may not open it; install "
                                                   "the quenda package, or install its udev rule with:\n  %2\nthen "
                                                   "unplug the unit and plug it in again")
                                        .arg(QString::fromStdString(link.DevicePath()), UdevRuleInstallCommand()));
        else
            Fail(kExitNoUnit, QStringLiteral("no unit found (USB %1:%2 version %3)")
                                  .arg(Hex4(kUnitVendorId), Hex4(kUnitProductId), Hex4(kUnitVersion)));
    }
}

bool CCommandRunner::ListUnits(std::vector<HidInterfaceInfo>& units)
{
    try {
        units = m_unit.Unit().Link().AttachedUnits();
        return true;
    } catch (const std::bad_alloc&) {
        Fail(kExitNoUnit, QStringLiteral("listing the HID devices ran out of memory"));
        return false;
    }
}

void CCommandRunner::PrintUnits()
{
    std::vector<HidInterfaceInfo> units;
    if (!ListUnits(units))
        return;
    if (m_options.json) {
        QJsonArray array;
        for (const HidInterfaceInfo& unit : units)
            array.append(UnitObject(unit));
        m_out << QJsonDocument(array).toJson(units.empty() ? QJsonDocument::Compact : QJsonDocument::Indented);
        if (units.empty())
            m_out << '\n';
    } else {
        for (const HidInterfaceInfo& unit : units)
            m_out << UnitLine(unit) << '\n';
    }
    m_out.flush();
    // an empty list is an answer too, so scripts get exit code 0; people get a word
    Done(units.empty() && !m_options.json ? QStringLiteral("no unit attached") : QString());
}

// With several units attached a command is told which one; a unit asked for
// that is not attached, or by a name several have, is refused. Each names the units.
bool CCommandRunner::ChooseUnit()
{
    std::vector<HidInterfaceInfo> units;
    if (!ListUnits(units))
        return false;
    if (m_options.device.isEmpty()) {
        if (units.size() <= 1)
            return true;
        Fail(kExitUsage, QStringLiteral("%1 units are attached; choose one with --device SERIAL|PATH|NAME:%2")
                             .arg(units.size())
                             .arg(UnitLines(units)));
        return false;
    }
    const std::vector<HidInterfaceInfo> matching = UnitsKnownAs(units, m_options.device);
    if (matching.empty()) {
        Fail(kExitUsage, QStringLiteral("no attached unit has the serial number, path or name %1; attached units:%2")
                             .arg(m_options.device, UnitLines(units)));
        return false;
    }
    if (matching.size() > 1) {
        Fail(kExitUsage, SharedNameText(m_options.device, matching));
        return false;
    }
    m_unit.Unit().Link().ChooseUnit(UnitKey(matching.front()));
    return true;
}

// The whole file is checked before anything is sent.
bool CCommandRunner::ReadFile()
{
    SettingsError error;
    if (!ReadSettingsFile(m_options.file, m_file, error)) {
        Fail(kExitFile, error.Text());
        return false;
    }
    if (m_options.command == QuendaCommand::Import && !m_file.current) {
        Fail(kExitFile, QStringLiteral("%1 holds no current settings").arg(m_options.file));
        return false;
    }
    if (m_options.command == QuendaCommand::Restore && !m_file.presets) {
        Fail(kExitFile, QStringLiteral("%1 holds no presets").arg(m_options.file));
        return false;
    }
    return true;
}

// The whole filter file is read, and its section to import chosen, before the unit is opened.
bool CCommandRunner::ReadFilters()
{
    SettingsError error;
    if (!ReadFilterFile(m_options.file, m_filters, error)) {
        Fail(kExitFile, error.Text());
        return false;
    }
    if (!ChooseSection())
        return false;
    if (!HoldsFilters(m_filters, m_section)) {
        PrintFileNotes();
        Fail(kExitFile, QStringLiteral("%1 holds no peaking or shelf filter and no preamp").arg(m_options.file));
        return false;
    }
    return true;
}

bool CCommandRunner::ChooseSection()
{
    const QString& file = m_options.file;
    const QString& wanted = m_options.section;
    if (m_filters.sections.empty()) {
        if (wanted.isEmpty())
            return true;
        Fail(kExitUsage, QStringLiteral("%1 has no Channel: lines, so --section does not apply").arg(file));
        return false;
    }
    if (wanted.isEmpty()) {
        Fail(kExitUsage, QStringLiteral("%1 has filters for the channels %2: choose one with --section")
                             .arg(file, FilterSectionNames(m_filters)));
        return false;
    }
    m_section = FindFilterSection(m_filters, wanted);
    if (m_section < 0) {
        Fail(kExitUsage,
             QStringLiteral("%1 has no channel %2 (it has %3)").arg(file, wanted, FilterSectionNames(m_filters)));
        return false;
    }
    return true;
}

void CCommandRunner::PrintFileNotes()
{
    std::vector<FilterNote> notes;
    for (const FilterTextItem& item : m_filters.items) {
        if (item.kind == FilterTextItem::Kind::Note && AppliesToSection(m_filters, item, m_section))
            notes.push_back(item.note);
    }
    PrintNotes(notes);
}

void CCommandRunner::PrintNotes(const std::vector<FilterNote>& notes)
{
    for (const QString& line : FilterNoteLines(notes))
        m_err << "quenda: " << m_options.file << ": " << line << '\n';
    m_err.flush();
}

bool CCommandRunner::Connect()
{
    CUnit& unit = m_unit.Unit();
    unit.Start();
    m_started = true;
    unit.ConnectButton();
    return unit.IsConnected();
}

// The transfer tells a unit lost during its work itself.
void CCommandRunner::OnConnectionChanged(const ConnectionEvent& event)
{
    if (event.kind == ConnectionEvent::Kind::Lost && !IsFinished() && !m_transfer.IsRunning())
        Fail(kExitNotAnswering, QStringLiteral("the unit was disconnected"));
}

void CCommandRunner::Tick()
{
    if (IsFinished())
        return;
    m_unit.Unit().Tick();
    m_transfer.Tick();
    if (m_sendingChanges && m_stalledTicks >= 0 && ++m_stalledTicks > CSettingsTransfer::kStalledTicks)
        Fail(kExitNotAnswering, QStringLiteral("the unit does not answer"));
    if (!m_connected && ++m_ticks > kConnectTicks)
        Fail(kExitNotAnswering, QStringLiteral("the unit does not answer"));
}

// Connected once the current memory, recalled after the setup, has come.
void CCommandRunner::OnCommandFinished(const CommandSlot& command, CommandOutcome outcome)
{
    if (m_sendingChanges && !IsFinished()) {
        OnChangesAnswered(outcome);
        return;
    }
    if (m_presetCommand && !IsFinished()) {
        OnPresetCommandFinished(command, outcome);
        return;
    }
    if (m_connected || IsFinished() || !m_started)
        return;
    if (outcome != CommandOutcome::Answered) {
        Fail(kExitNotAnswering, QStringLiteral("the unit does not answer"));
        return;
    }
    if (command.code == CMD_RECALL_PRESET && command.a2 == 0) {
        m_connected = true;
        RunCommand();
    }
}

void CCommandRunner::RunCommand()
{
    switch (m_options.command) {
    case QuendaCommand::Info: PrintInfo(); break;
    case QuendaCommand::Export: ExportCurrent(); break;
    case QuendaCommand::Backup: m_transfer.StartBackup(); break;
    case QuendaCommand::Import: m_transfer.StartImport(*m_file.current); break;
    case QuendaCommand::Restore: m_transfer.StartRestore(m_file); break;
    case QuendaCommand::FiltersImport: SendFilters(); break;
    case QuendaCommand::FiltersExport: ExportFilters(); break;
    case QuendaCommand::Recall:
    case QuendaCommand::Store: SendPresetCommand(); break;
    case QuendaCommand::Gain:
    case QuendaCommand::Mute: SetGainOrMute(); break;
    case QuendaCommand::Fit: SendFit(); break;
    case QuendaCommand::List:
    case QuendaCommand::Serve:   // run by main() themselves
    case QuendaCommand::Pair:
    case QuendaCommand::Window: break;
    }
}

void CCommandRunner::PrintInfo()
{
    if (m_options.json) {
        PrintInfoJson();
        return;
    }
    m_out << "unit found: USB " << Hex4(kUnitVendorId) << ':' << Hex4(kUnitProductId) << " version "
          << Hex4(kUnitVersion) << " at " << QString::fromStdString(m_unit.Unit().Link().DevicePath()) << '\n';
    m_out << "preset names:\n";
    for (int n = 1; n <= kUserPresetCount; ++n)
        m_out << QStringLiteral("%1  %2\n").arg(n, 2).arg(ReadPresetName(m_unit.Unit().Image(), n));
    m_out.flush();
    Done(QString());
}

// The unit's fields as list prints them, and its preset names.
void CCommandRunner::PrintInfoJson()
{
    QJsonObject info = UnitObject(m_unit.Unit().Link().OpenUnit());
    QJsonArray presets;
    for (int n = 1; n <= kUserPresetCount; ++n)
        presets.append(QJsonObject{{QStringLiteral("number"), n},
                                   {QStringLiteral("name"), ReadPresetName(m_unit.Unit().Image(), n)}});
    info.insert(QStringLiteral("presets"), presets);
    m_out << QJsonDocument(info).toJson(QJsonDocument::Indented);
    m_out.flush();
    Done(QString());
}

void CCommandRunner::ExportCurrent()
{
    WriteFile(CaptureSettings(m_unit.Unit().Image(), QStringLiteral(QUENDA_VERSION), TheUnitIdentity()),
              QStringLiteral("wrote the current settings to %1"));
}

// The report first, then only the groups that change go out; done once the unit answered them all.
void CCommandRunner::SendFilters()
{
    const int channel = m_options.channel;
    CUnit& unit = m_unit.Unit();
    const ChannelBlock block = unit.Image().Channel(channel);
    const FilterImport import = ImportFilters(m_filters, m_section, ChannelBandsOf(block), block.gain.Get());
    PrintNotes(import.notes);
    m_err << "quenda: " << FilterImportSummary(import, settings_file::ChannelName(channel)) << '\n';
    m_err << "quenda: " << FilterDifferenceLine(import) << '\n';
    m_err.flush();
    const CSettingsEdit edit =
        unit.Edit([&](CSettingsEdit& e) { e.ReplaceChannelBands(channel, import.bands, import.gainCode); });
    if (edit.Sends().Empty()) {
        Done(QStringLiteral("%1 already has the filters of %2").arg(settings_file::ChannelName(channel), m_options.file));
        return;
    }
    WaitForChanges(QStringLiteral("sent the filters of %1 to %2").arg(m_options.file, settings_file::ChannelName(channel)));
}

// The changes are sent; the command is done once the unit has answered them all.
void CCommandRunner::WaitForChanges(const QString& done)
{
    m_sendingChanges = true;
    m_changesDone = done;
}

// A round unanswered is tried again while the unit answers in time; a command given up is not.
void CCommandRunner::OnChangesAnswered(CommandOutcome outcome)
{
    if (outcome == CommandOutcome::NotAnswered) {
        m_stalledTicks = 0;
        return;
    }
    if (outcome != CommandOutcome::Answered) {
        Fail(kExitNotAnswering, QStringLiteral("the unit does not answer"));
        return;
    }
    m_stalledTicks = -1;
    if (NothingPending(m_unit.Unit()))
        Done(m_changesDone);
}

void CCommandRunner::SetGainOrMute()
{
    const int channel = m_options.channel;
    const bool gain = m_options.command == QuendaCommand::Gain;
    const ChannelField field = gain ? ChannelField::Gain : ChannelField::Mute;
    const int code = gain ? m_options.gainCode : (m_options.mute ? 1 : 0);
    const CSettingsEdit edit = m_unit.Unit().Edit([&](CSettingsEdit& e) {
        if (e.Get(channel, field) != code)
            e.Set(channel, field, code);
    });
    const QString what = gain ? QStringLiteral("the gain of %1 is %2 dB")
                                    .arg(settings_file::ChannelName(channel))
                                    .arg(codecs::kGain.linear->Value(code))
                              : QStringLiteral("%1 is %2").arg(settings_file::ChannelName(channel),
                                                              m_options.mute ? QStringLiteral("muted")
                                                                             : QStringLiteral("not muted"));
    if (edit.Sends().Empty())
        Done(what + QStringLiteral(" already"));
    else
        WaitForChanges(what + QStringLiteral(" now"));
}

// A store or recall the unit leaves unanswered is given up, not sent again.
void CCommandRunner::SendPresetCommand()
{
    CCommandScheduler& scheduler = m_unit.Unit().Scheduler();
    const auto preset = static_cast<std::uint8_t>(m_options.preset);
    if (m_options.command == QuendaCommand::Store)
        scheduler.QueueStorePreset(preset);
    else
        scheduler.QueueRecallPreset(preset);
    m_presetCommand = true;
}

void CCommandRunner::OnPresetCommandFinished(const CommandSlot& command, CommandOutcome outcome)
{
    const bool store = m_options.command == QuendaCommand::Store;
    if (command.code != (store ? CMD_STORE_PRESET : CMD_RECALL_PRESET) || command.a2 != m_options.preset)
        return;
    if (outcome == CommandOutcome::Answered)
        Done(QStringLiteral("%1 preset %2").arg(store ? QStringLiteral("saved") : QStringLiteral("loaded"))
                 .arg(m_options.preset));
    else if (outcome != CommandOutcome::NotAnswered)
        Fail(kExitNotAnswering, QStringLiteral("the unit did not answer: preset %1 was not %2")
                                    .arg(m_options.preset)
                                    .arg(store ? QStringLiteral("saved") : QStringLiteral("loaded")));
}

void CCommandRunner::ExportFilters()
{
    const ChannelBlock block = m_unit.Unit().Image().Channel(m_options.channel);
    SettingsError error;
    if (WriteFilterFile(m_options.file, FilterTextOf(ChannelBandsOf(block), block.gain.Get()), error))
        Done(QStringLiteral("wrote the filters of %1 to %2").arg(settings_file::ChannelName(m_options.channel), m_options.file));
    else
        Fail(kExitFile, error.Text());
}

// done names the file with %1.
void CCommandRunner::WriteFile(const SettingsFile& settings, const QString& done)
{
    SettingsError error;
    if (WriteSettingsFile(m_options.file, settings, error))
        Done(done.arg(m_options.file));
    else
        Fail(kExitFile, error.Text());
}

void CCommandRunner::OnProgress(int preset)
{
    const bool reading = m_options.command == QuendaCommand::Backup;
    m_err << "quenda: " << (reading ? "reading" : "writing") << " preset " << preset << " of " << kUserPresetCount
          << '\n';
    m_err.flush();
}

void CCommandRunner::OnTransferFinished(CSettingsTransfer::Result result)
{
    if (result == CSettingsTransfer::Result::LinkLost) {
        Fail(kExitNotAnswering, QStringLiteral("the unit was disconnected"));
        return;
    }
    if (result != CSettingsTransfer::Result::Done) {
        Fail(kExitNotAnswering, QStringLiteral("the unit does not answer"));
        return;
    }
    if (m_options.command == QuendaCommand::Import) {
        Done(QStringLiteral("sent the current settings of %1 to the unit").arg(m_options.file));
    } else if (m_options.command == QuendaCommand::Restore) {
        Done(QStringLiteral("wrote the 20 presets of %1 into the unit").arg(m_options.file));
    } else {
        WriteFile(m_transfer.Backup(), QStringLiteral("wrote 20 presets and the current settings to %1"));
    }
}

void CCommandRunner::Fail(int code, const QString& reason)
{
    m_err << "quenda: " << reason << '\n';
    m_err.flush();
    m_exit = code;
}

void CCommandRunner::Done(const QString& message)
{
    if (!message.isEmpty()) {
        m_err << "quenda: " << message << '\n';
        m_err.flush();
    }
    m_exit = kExitDone;
}

int CCommandRunner::Run()
{
    Start();
    QEventLoop loop;
    QTimer tick;
    connect(&tick, &QTimer::timeout, &loop, [this, &loop] {
        Tick();
        if (IsFinished())
            loop.quit();
    });
    connect(&m_unit, &CUnitAdapter::commandFinished, &loop, [this, &loop] {
        if (IsFinished())
            loop.quit();
    });
    tick.start(kTickMs);
    if (!IsFinished())
        loop.exec();
    return ExitCode();
}
