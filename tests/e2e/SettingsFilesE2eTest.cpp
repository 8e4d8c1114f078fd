// The import and export buttons of the real window over the HID link to the
// simulated unit: the file dialog, the export choice and the question replaced
// by hooks, the window's timer and the unit's clock driven tick by tick.
#include "WindowOverLink.h"

#include "ui/settings/SettingsFiles.h"

#include <QFile>
#include <QProgressDialog>
#include <QPushButton>
#include <QTemporaryDir>

#include <cstring>

#include <sys/stat.h>

namespace {

class SettingsFilesE2e : public WindowOverLinkTest {
protected:
    void SetUp() override
    {
        WindowOverLinkTest::SetUp();
        ASSERT_TRUE(m_dir.isValid());
        SettingsPrompts prompts;
        prompts.pickFile = [this](bool forSaving) {
            m_pickedForSaving.push_back(forSaving);
            return m_fileName;
        };
        prompts.chooseExport = [this] { return m_choice; };
        prompts.ask = [this](const QString& question) {
            m_questions.push_back(question);
            return m_answer;
        };
        SetSettingsPromptsHook(prompts);
    }

    void TearDown() override
    {
        SetSettingsPromptsHook({});
        WindowOverLinkTest::TearDown();
    }

    void OpenConnected()
    {
        OpenWindow();
        Connect();
        m_messages.clear();
    }

    // Ticks until the transfer has finished.
    bool RunTransfer()
    {
        for (int i = 0; i < 2000 && m_dlg->SettingsFiles().Transfer().IsRunning(); ++i)
            Tick();
        return !m_dlg->SettingsFiles().Transfer().IsRunning();
    }

    QString File(const char* name) const { return m_dir.filePath(QString::fromLatin1(name)); }

    QTemporaryDir m_dir;
    QString m_fileName;
    ExportChoice m_choice = ExportChoice::Current;
    bool m_answer = true;
    std::vector<bool> m_pickedForSaving;
    std::vector<QString> m_questions;
};

TEST_F(SettingsFilesE2e, TheTwoButtonsShowTheirPicturesAndTooltipsInBothLanguages)
{
    Open();
    for (int id : {kIdImport, kIdExport}) {
        EXPECT_FALSE(m_dlg->Control(id)->isHidden()) << id;
        EXPECT_LT(m_dlg->Control(id)->geometry().right(), m_dlg->Control(1109)->geometry().left()) << id;
    }
    EXPECT_EQ(m_dlg->Control(kIdImport)->geometry(), QRect(350, 7, 63, 32));
    EXPECT_EQ(m_dlg->Control(kIdExport)->geometry(), QRect(420, 7, 63, 32));
    EXPECT_TRUE(ShowsImage(kIdImport, 167));
    EXPECT_TRUE(ShowsImage(kIdExport, 170));
    EXPECT_EQ(m_dlg->Control(kIdImport)->toolTip(), "Import settings from a file");
    EXPECT_EQ(m_dlg->Control(kIdExport)->toolTip(), "Export settings to a file");
    Click(kIdLanguage);
    EXPECT_TRUE(ShowsImage(kIdImport, 165));
    EXPECT_TRUE(ShowsImage(kIdExport, 163));
    EXPECT_EQ(m_dlg->Control(kIdImport)->toolTip(), "从文件导入设置");
    EXPECT_EQ(m_dlg->Control(kIdExport)->toolTip(), "将设置导出到文件");
}

TEST_F(SettingsFilesE2e, ExportOfTheCurrentSettingsWritesWhatTheWindowShows)
{
    ChannelBlock b = m_unit.Current(1);
    b.gain.Set(65);
    m_unit.SetCurrent(1, b);
    OpenConnected();
    m_fileName = File("current.json");
    Click(kIdExport);
    EXPECT_EQ(m_pickedForSaving, std::vector<bool>{true});
    ASSERT_EQ(m_messages.size(), 1u);
    EXPECT_EQ(m_messages[0].text, "The settings were written to " + m_fileName);
    SettingsFile file;
    SettingsError error;
    ASSERT_TRUE(ReadSettingsFile(m_fileName, file, error));
    ASSERT_TRUE(file.current.has_value());
    EXPECT_EQ(file.current->channels[1].gain.Get(), 65);
    EXPECT_FALSE(file.presets.has_value());
}

TEST_F(SettingsFilesE2e, ExportOfAllPresetsShowsProgressAndPutsTheCurrentSettingsBack)
{
    for (int n = 1; n <= kUserPresetCount; ++n) {
        UnitBlocks preset{DefaultChannelBlock(), DefaultChannelBlock()};
        preset[0].gain.Set(static_cast<std::int16_t>(n));
        m_unit.SetPreset(n, preset);
    }
    ChannelBlock current = m_unit.Current(0);
    current.gain.Set(77);
    m_unit.SetCurrent(0, current);
    OpenConnected();
    m_fileName = File("all.json");
    m_choice = ExportChoice::AllPresets;
    Click(kIdExport);
    QProgressDialog* progress = m_dlg->SettingsFiles().Progress();
    ASSERT_NE(progress, nullptr);
    EXPECT_TRUE(progress->isVisible());
    EXPECT_EQ(progress->labelText(), "Reading preset 1 of 20…");
    ASSERT_TRUE(RunTransfer());
    ASSERT_EQ(m_messages.size(), 1u);
    EXPECT_EQ(m_messages[0].text, "The settings were written to " + m_fileName);
    EXPECT_EQ(m_unit.Current(0).gain.Get(), 77) << "the unit's current settings are back";
    EXPECT_EQ(StatusShown(), "Connected") << "the backup's recalls are no preset loads of the user's";
    EXPECT_EQ(Block(0).gain.Get(), 77);
    EXPECT_EQ(Text(kIdGainEdit), "-3");
    SettingsFile file;
    SettingsError error;
    ASSERT_TRUE(ReadSettingsFile(m_fileName, file, error));
    ASSERT_TRUE(file.presets.has_value());
    for (int n = 1; n <= kUserPresetCount; ++n)
        EXPECT_EQ((*file.presets)[n - 1][0].gain.Get(), n) << "preset " << n;
}

TEST_F(SettingsFilesE2e, CancelStopsAfterThePresetUnderWayAndWritesNoFile)
{
    OpenConnected();
    m_fileName = File("cancelled.json");
    m_choice = ExportChoice::AllPresets;
    Click(kIdExport);
    QTest::mouseClick(m_dlg->SettingsFiles().Progress()->findChild<QPushButton*>(), Qt::LeftButton);
    ASSERT_TRUE(RunTransfer());
    ASSERT_EQ(m_messages.size(), 1u);
    EXPECT_EQ(m_messages[0].text,
              "Cancelled after preset 1: the current settings were sent back; no file was written");
    EXPECT_FALSE(QFile::exists(m_fileName));
    EXPECT_EQ(m_unit.CommandsReceived(CMD_RECALL_PRESET), 2u) << "preset 0 at connect, then preset 1";
}

TEST_F(SettingsFilesE2e, ImportOfCurrentSettingsShowsThemAndSendsEveryGroup)
{
    OpenConnected();
    CurrentSettings current;
    current.channels = KeptChannelBlocks(DefaultChannelBlock(), DefaultChannelBlock());
    current.channels[0].gain.Set(86);
    current.channels[1].bands[2].gainCode.Set(150);
    current.globals.panelLock = 2;
    SettingsFile file = CaptureSettings(Image(), QStringLiteral("2.0.3"), TheUnitIdentity());
    file.current = current;
    m_fileName = File("import.json");
    SettingsError error;
    ASSERT_TRUE(WriteSettingsFile(m_fileName, file, error));

    Click(kIdImport);
    EXPECT_EQ(m_pickedForSaving, std::vector<bool>{false});
    EXPECT_TRUE(m_questions.empty()) << "no presets in the file: nothing to ask";
    ASSERT_TRUE(RunTransfer());
    ASSERT_EQ(m_messages.size(), 1u);
    EXPECT_EQ(m_messages[0].text, "The settings of " + m_fileName + " were sent to the unit");
    EXPECT_EQ(Text(kIdGainEdit), "6");
    EXPECT_EQ(ListIndex(kIdPanelLock), 2);
    EXPECT_EQ(m_unit.Current(0).gain.Get(), 86);
    EXPECT_EQ(m_unit.Current(1).bands[2].gainCode.Get(), 150);
    EXPECT_EQ(m_unit.Globals()[5], 2);
}

TEST_F(SettingsFilesE2e, ImportOfPresetsAsksThenWritesEachIntoTheUnit)
{
    OpenConnected();
    SettingsFile file = CaptureSettings(Image(), QStringLiteral("2.0.3"), TheUnitIdentity());
    file.presets.emplace();
    for (int n = 1; n <= kUserPresetCount; ++n) {
        (*file.presets)[n - 1] = KeptChannelBlocks(DefaultChannelBlock(), DefaultChannelBlock());
        (*file.presets)[n - 1][1].gain.Set(static_cast<std::int16_t>(10 + n));
        file.presetNames[n - 1] = QStringLiteral("Hall %1").arg(n);
    }
    m_fileName = File("presets.json");
    SettingsError error;
    ASSERT_TRUE(WriteSettingsFile(m_fileName, file, error));

    Click(kIdImport);
    ASSERT_EQ(m_questions.size(), 1u);
    EXPECT_EQ(m_questions[0], "The file holds all 20 presets. Write them into the unit's presets, overwriting them?");
    EXPECT_EQ(m_dlg->SettingsFiles().Progress()->labelText(), "Writing preset 1 of 20…");
    ASSERT_TRUE(RunTransfer());
    ASSERT_EQ(m_messages.size(), 1u);
    EXPECT_EQ(m_messages[0].text, "The 20 presets of " + m_fileName + " were written into the unit");
    EXPECT_EQ(StatusShown(), "Connected");
    for (int n = 1; n <= kUserPresetCount; ++n) {
        EXPECT_EQ(m_unit.Preset(n)[1].gain.Get(), 10 + n) << n;
        EXPECT_STREQ(m_unit.PresetName(n).data(), ("Hall " + std::to_string(n)).c_str());
    }
}

TEST_F(SettingsFilesE2e, ABrokenFileIsRefusedWithItsReasonAndChangesNothing)
{
    OpenConnected();
    m_fileName = File("broken.json");
    {
        QFile broken(m_fileName);
        ASSERT_TRUE(broken.open(QIODevice::WriteOnly));
        broken.write("{\"format\": \"quenda-settings\", \"formatVersion\": 2}");
    }
    const ChannelBlock before = Block(0);
    const int frames = m_backend.WritesStarted(0);
    Click(kIdImport);
    ASSERT_EQ(m_messages.size(), 1u);
    EXPECT_EQ(m_messages[0].text,
              "The file cannot be imported: formatVersion: version 2 is not supported (this program reads version 1)");
    const ChannelBlock after = Block(0);
    EXPECT_EQ(std::memcmp(&before, &after, sizeof before), 0);
    EXPECT_EQ(m_backend.WritesStarted(0), frames);
}

// A pipe nobody writes, a device and a huge file picked by mistake: a sentence, not a frozen window.
TEST_F(SettingsFilesE2e, WhatIsNotASettingsFileIsRefusedBeforeItIsRead)
{
    OpenConnected();
    const QString pipe = File("pipe.json");
    ASSERT_EQ(::mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
    const QString huge = File("disk.img");
    {
        QFile file(huge);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        ASSERT_TRUE(file.resize(18'400'000'000));
    }
    const struct {
        QString file;
        QString reason;
    } picked[] = {
        {pipe, QStringLiteral("not a regular file")},
        {QStringLiteral("/dev/zero"), QStringLiteral("not a regular file")},
        {m_dir.path(), QStringLiteral("not a regular file")},
        {huge, QStringLiteral("18.4 GB is larger than a settings file can be (at most 16 MB)")},
    };
    const ChannelBlock before = Block(0);
    const int frames = m_backend.WritesStarted(0);
    for (const auto& [file, reason] : picked) {
        m_fileName = file;
        m_messages.clear();
        Click(kIdImport);
        ASSERT_EQ(m_messages.size(), 1u) << file.toStdString();
        EXPECT_EQ(m_messages[0].text, "The file cannot be imported: " + file + ": " + reason);
    }
    SetCurrentLanguage(kChinese);
    m_fileName = pipe;
    m_messages.clear();
    Click(kIdImport);
    ASSERT_EQ(m_messages.size(), 1u);
    EXPECT_EQ(m_messages[0].text, "无法导入该文件:" + pipe + "：不是普通文件");
    const ChannelBlock after = Block(0);
    EXPECT_EQ(std::memcmp(&before, &after, sizeof before), 0);
    EXPECT_EQ(m_backend.WritesStarted(0), frames);
}

TEST_F(SettingsFilesE2e, WithoutAConnectionPresetsAndImportAreRefusedAsLoadAndSaveAre)
{
    Open();
    m_fileName = File("unused.json");
    m_choice = ExportChoice::AllPresets;
    Click(kIdExport);
    Click(kIdImport);
    ASSERT_EQ(m_messages.size(), 2u);
    EXPECT_EQ(m_messages[0].text, "Don't open the USB connection");
    EXPECT_EQ(m_messages[1].text, "Don't open the USB connection");
    EXPECT_FALSE(QFile::exists(m_fileName));
}

}  // namespace
