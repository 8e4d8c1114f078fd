#include "ui/settings/FilterFiles.h"

#include "model/FilterExport.h"
#include "ui/common/Language.h"
#include "ui/common/LinkTexts.h"
#include "ui/common/MessageBox.h"
#include "ui/common/UnitAdapter.h"
#include "ui/settings/FilterFile.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QInputDialog>
#include <QSettings>

namespace {

constexpr char kLastFolderKey[] = "files/lastFilterFolder";

FilterPrompts& Hook()
{
    static FilterPrompts prompts;
    return prompts;
}

QString PickFile(QWidget* parent, bool forSaving)
{
    if (Hook().pickFile)
        return Hook().pickFile(forSaving);
    const QString title = forSaving ? CFilterFiles::tr("Export filters") : CFilterFiles::tr("Import filters");
    const QString filter = CFilterFiles::tr("Filter text (*.txt);;All files (*)");
    const QString folder = QSettings().value(QLatin1String(kLastFolderKey), QDir::homePath()).toString();
    QString fileName = forSaving ? QFileDialog::getSaveFileName(parent, title, folder, filter)
                                 : QFileDialog::getOpenFileName(parent, title, folder, filter);
    if (fileName.isEmpty())
        return fileName;
    if (forSaving && QFileInfo(fileName).suffix().isEmpty())
        fileName += QStringLiteral(".txt");
    QSettings().setValue(QLatin1String(kLastFolderKey), QFileInfo(fileName).absolutePath());
    return fileName;
}

int ChooseSection(QWidget* parent, const QStringList& sections)
{
    if (Hook().chooseSection)
        return Hook().chooseSection(sections);
    bool ok = false;
    const QString picked =
        QInputDialog::getItem(parent, CFilterFiles::tr("Import filters"),
                              CFilterFiles::tr("The file has filters for several channels. Import those of:"),
                              sections, 0, false, &ok);
    return ok ? static_cast<int>(sections.indexOf(picked)) : -1;
}

QStringList SectionNames(const FilterText& text)
{
    QStringList names;
    for (const std::string& name : text.sections)
        names << QString::fromStdString(name);
    return names;
}

QString Report(const FilterImport& import, int channel)
{
    const QStringList lines = QStringList{FilterImportSummary(import, ShownChannelName(channel)),
                                          FilterDifferenceLine(import)} +
                              FilterNoteLines(import.notes);
    return lines.join(QLatin1Char('\n'));
}

}  // namespace

void SetFilterPromptsHook(FilterPrompts prompts)
{
    Hook() = std::move(prompts);
}

CFilterFiles::CFilterFiles(QWidget* window, CUnitAdapter& unit) : QObject(window), m_window(window), m_unit(unit) {}

void CFilterFiles::Import(int channel)
{
    const QString caption = tr("Import filters");
    if (!m_unit.Unit().IsConnected()) {
        ShowMessageBox(m_window, NotConnectedText(), QString::fromLatin1(kWarningCaption));
        return;
    }
    const QString fileName = PickFile(m_window, false);
    if (fileName.isEmpty())
        return;
    FilterText text;
    SettingsError error;
    if (!ReadFilterFile(fileName, text, error)) {
        Tell(caption, tr("The file cannot be imported: %1").arg(error.Text()));
        return;
    }
    int section = -1;
    if (!text.sections.empty() && (section = ChooseSection(m_window, SectionNames(text))) < 0)
        return;
    if (!HoldsFilters(text, section)) {
        Tell(caption, tr("%1 holds no peaking or shelf filter and no preamp.").arg(QDir::toNativeSeparators(fileName)));
        return;
    }
    CUnit& unit = m_unit.Unit();
    const ChannelBlock block = unit.Image().Channel(channel);
    const FilterImport import = ImportFilters(text, section, ChannelBandsOf(block), block.gain.Get());
    unit.Edit([&](CSettingsEdit& edit) { edit.ReplaceChannelBands(channel, import.bands, import.gainCode); });
    Tell(caption, Report(import, channel));
}

void CFilterFiles::Export(int channel)
{
    const QString fileName = PickFile(m_window, true);
    if (fileName.isEmpty())
        return;
    const ChannelBlock block = m_unit.Unit().Image().Channel(channel);
    SettingsError error;
    if (WriteFilterFile(fileName, FilterTextOf(ChannelBandsOf(block), block.gain.Get()), error))
        Tell(tr("Export filters"), tr("The filters were written to %1").arg(QDir::toNativeSeparators(fileName)));
    else
        Tell(tr("Export filters"), tr("The file cannot be written: %1").arg(error.Text()));
}

void CFilterFiles::Tell(const QString& caption, const QString& text)
{
    ShowMessageBox(m_window, text, caption);
}
