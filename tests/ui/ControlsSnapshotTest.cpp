// Saves a PNG of each drawn control in its main states, to look at them:
//   QUENDA_WIDGET_SNAPSHOTS=/tmp/shots build/tests/test_ui --gtest_filter='ControlsSnapshot*'
// Without the variable the files go to a temporary folder and are only checked.
#include "ui/controls/GainFader.h"
#include "ui/controls/SpinButton.h"
#include "ui/controls/MeterLamp.h"
#include "ui/controls/SkinnedButton.h"

#include <QDir>
#include <QLineEdit>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>

namespace {

class ControlsSnapshotTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        const QString wanted = qEnvironmentVariable("QUENDA_WIDGET_SNAPSHOTS");
        m_folder = wanted.isEmpty() ? m_temporary.path() : wanted;
        ASSERT_TRUE(QDir().mkpath(m_folder));
        m_window = std::make_unique<QWidget>();
        m_window->resize(300, 260);
        m_window->show();
    }

    void Save(QWidget* widget, const QString& name, QSize expected)
    {
        const QString path = QDir(m_folder).filePath(name + QStringLiteral(".png"));
        ASSERT_TRUE(widget->grab().save(path)) << path.toStdString();
        const QImage saved(path);
        EXPECT_EQ(saved.size(), expected) << name.toStdString();
    }

    QTemporaryDir m_temporary;
    QString m_folder;
    std::unique_ptr<QWidget> m_window;
};

TEST_F(ControlsSnapshotTest, SavesEachControl)
{
    auto* fader = new CGainFader(m_window.get());
    ASSERT_TRUE(fader->SetChannelImages(135, 135, true, CGainFader::kColourFromPixel, 0, 0));
    ASSERT_TRUE(fader->SetThumbImages(136, 137, true, CGainFader::kColourFromPixel, 0, 0));
    fader->SetMargins(33, 0, 0, 1);
    fader->SetRange(0, 90, false);
    fader->SetInvertedPos(80);
    Save(fader, QStringLiteral("fader_0dB"), QSize(52, 168));

    auto* button = new CSkinnedButton(m_window.get());
    button->setGeometry(60, 0, 80, 30);
    button->SetImages(197, 198, 198);
    Save(button, QStringLiteral("button_peq_bypass_off"), QSize(80, 30));
    button->setDown(true);
    Save(button, QStringLiteral("button_peq_bypass_down"), QSize(80, 30));

    auto* lamp = new CMeterLamp(m_window.get());
    lamp->move(60, 40);
    lamp->SetLampImages(177, 182);
    Save(lamp, QStringLiteral("lamp_red_lit"), QSize(21, 13));
    lamp->SetLit(false);
    Save(lamp, QStringLiteral("lamp_red_dark"), QSize(21, 13));

    auto* edit = new QLineEdit(QStringLiteral("-12"), m_window.get());
    edit->setGeometry(60, 60, 60, 22);
    auto* spin = new CSpinButton(m_window.get());
    spin->SetBuddy(edit);
    Save(spin, QStringLiteral("spin"), QSize(CSpinButton::kWidth, 22));
}

}  // namespace
