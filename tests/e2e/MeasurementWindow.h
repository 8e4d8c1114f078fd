// The connected window of the end-to-end tests with the file dialog of
// measurements replaced: the dialog picks the file last written with Pick.
// Shared by the tests of showing a measurement and of fitting the bands to it.
#pragma once

#include "WindowOverLink.h"

#include "ui/common/Language.h"
#include "ui/graph/EqualizerGraph.h"
#include "ui/settings/MeasurementFile.h"

#include <QFile>
#include <QTemporaryDir>

#include <string>

class MeasurementWindowTest : public WindowOverLinkTest {
protected:
    void SetUp() override
    {
        WindowOverLinkTest::SetUp();
        ASSERT_TRUE(m_dir.isValid());
        SetMeasurementFileHook([this] {
            ++m_picks;
            return m_fileName;
        });
        OpenWindow();
        Connect();
        m_messages.clear();
    }

    void TearDown() override
    {
        SetMeasurementFileHook({});
        SetCurrentLanguage(kEnglish);
        WindowOverLinkTest::TearDown();
    }

    // The file of that name in the test's folder, holding the text; it is the one the dialog picks.
    QString Pick(const char* name, const std::string& text)
    {
        m_fileName = m_dir.filePath(QString::fromLatin1(name));
        QFile file(m_fileName);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(text.data(), static_cast<qint64>(text.size()));
        return m_fileName;
    }

    CEqualizerGraph& GraphOf(int channel) { return *m_dlg->Graph(channel); }

    QTemporaryDir m_dir;
    QString m_fileName;
    int m_picks = 0;
};
