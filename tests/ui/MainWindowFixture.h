// A fresh main window over a fresh unit, with message boxes recorded instead
// of shown. Shared by the widget and the end-to-end tests.
#pragma once

#include "UnitFixture.h"
#include "WindowControlPlaces.h"

#include "ui/common/MessageBox.h"
#include "ui/controls/ResourceImage.h"
#include "ui/main/MainWindow.h"
#include "ui/main/MainWindowControls.h"

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QLocale>
#include <QSettings>
#include <QTest>

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstring>
#include <memory>
#include <ostream>
#include <vector>

inline void PrintTo(const QString& text, std::ostream* os)
{
    *os << '"' << text.toStdString() << '"';
}

using SlotBytes = std::array<int, 5>;   // command code and its four argument bytes

inline SlotBytes SetParamSlot(int area, int channel, int group)
{
    return {CMD_SET_PARAM, area, 0, channel, group};
}

// The compressor's fields in the order of their edits and spins.
enum CompField { kThreshold = 0, kAttack = 1, kRelease = 2, kRatio = 3 };

// A channel's compressor edit or spin of one field, numbered as the template
// numbers them: four a channel, CH A first.
constexpr int CompEdit(int channel, CompField field) { return kIdCompEdit + 4 * channel + field; }
constexpr int CompSpin(int channel, CompField field) { return kIdCompSpin + 4 * channel + field; }

// A control's rectangle in its window's coordinates, however deep the layouts hold it.
inline QRect WindowRect(const QWidget* control)
{
    return QRect(control->mapTo(control->window(), QPoint(0, 0)), control->size());
}

struct ShownMessage {
    QString text;
    QString caption;
};

class MainWindowFixture : public UnitFixture {
protected:
    // Every window opens where a first start opens it, whatever an earlier test's window left.
    void SetUp() override
    {
        UnitFixture::SetUp();
        QSettings().remove(QLatin1String(CMainWindow::kGeometryKey));
        SetMessageBoxHook([this](const QString& text, const QString& caption) {
            m_messages.push_back({text, caption});
        });
    }

    void TearDown() override
    {
        m_dlg.reset();
        SetMessageBoxHook({});
        UnitFixture::TearDown();
    }

    CMainWindow& Open()
    {
        m_dlg = std::make_unique<CMainWindow>(*m_adapter);
        return *m_dlg;
    }

    // The command an action queued last (zeros when nothing is pending).
    SlotBytes LastQueued()
    {
        CommandSlot pending[kPendingCapacity];
        const std::size_t n = Unit().Scheduler().Pending(pending, kPendingCapacity);
        if (n == 0)
            return {0, 0, 0, 0, 0};
        const CommandSlot& c = pending[n - 1];
        return {c.code, c.a1, c.a2, c.a3, c.a4};
    }

    void ClearQueue() { Unit().Scheduler().DropPending(); }

    // Shown and active, so that focus changes reach the edits.
    void ShowActive()
    {
        m_dlg->show();
        QApplication::setActiveWindow(m_dlg.get());
        ASSERT_TRUE(QTest::qWaitForWindowActive(m_dlg.get()));
    }

    QString Text(int id) const { return m_dlg->Edit(id)->text(); }
    QString ListText(int id) const { return m_dlg->List(id)->currentText(); }
    int ListIndex(int id) const { return m_dlg->List(id)->currentIndex(); }

    // What a user does with an edit: focus it, replace its text, press Enter.
    void TypeAndEnter(int id, const QString& text)
    {
        QLineEdit* edit = m_dlg->Edit(id);
        edit->setFocus();
        edit->clear();
        QTest::keyClicks(edit, text);
        QTest::keyClick(edit, Qt::Key_Return);
    }

    // The user picks entry index of a list.
    void Pick(int id, int index)
    {
        QComboBox* list = m_dlg->List(id);
        list->setCurrentIndex(index);
        emit list->activated(index);
        FollowLanguage();
    }

    void Click(int id)
    {
        QTest::mouseClick(m_dlg->Control(id), Qt::LeftButton);
        FollowLanguage();
    }

    // The control shows the face of bitmap id at its top-left corner: every
    // opaque pixel of the face is on screen.
    bool ShowsImage(int controlId, int imageId) const
    {
        const QImage shot = m_dlg->Control(controlId)->grab().toImage().convertToFormat(QImage::Format_ARGB32);
        const QImage face = LoadResourceImage(imageId).convertToFormat(QImage::Format_ARGB32);
        if (face.isNull() || face.width() > shot.width() || face.height() > shot.height())
            return false;
        for (int y = 0; y < face.height(); ++y) {
            for (int x = 0; x < face.width(); ++x) {
                const QRgb want = face.pixel(x, y);
                if (qAlpha(want) == 255 && (shot.pixel(x, y) & 0xFFFFFF) != (want & 0xFFFFFF))
                    return false;
            }
        }
        return true;
    }

    // One timer tick of the window and of the unit, then the replies.
    void Tick(int ticks = 1)
    {
        for (int i = 0; i < ticks; ++i) {
            m_dlg->OnTimer();
            m_backend.Tick();
            Settle();
        }
    }

    // Connects and runs until the unit's setup and current memory are shown.
    void Connect()
    {
        Click(kIdConnect);
        Settle();
        ASSERT_EQ(PendingCount(), 0u);
        Tick(1);
    }

    std::unique_ptr<CMainWindow> m_dlg;
    std::vector<ShownMessage> m_messages;
};
