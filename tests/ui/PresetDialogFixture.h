// Shared fixture of the preset dialog tests: a fresh unit connected to a
// simulated unit that answers nothing once connected (the test answers for it),
// the reports written to it recorded, and message boxes read from a hook.
#pragma once

#include "ui/UnitFixture.h"

#include "ui/common/MessageBox.h"
#include "ui/controls/ControlId.h"
#include "ui/presets/PresetDialog.h"
#include "ui/presets/PresetList.h"
#include "ui/presets/PresetNameDialog.h"

#include <QApplication>
#include <QLineEdit>
#include <QTimer>
#include <QtTest/QTest>

#include <gtest/gtest.h>

#include <array>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace preset_test {

using Report = std::array<std::uint8_t, kReportSize>;

struct PresetMessage {
    std::string text;
    std::string caption;
    bool operator==(const PresetMessage&) const = default;
};

inline void PrintTo(const PresetMessage& m, std::ostream* os)
{
    *os << '"' << m.text << "\" / \"" << m.caption << '"';
}

class PresetDlgTest : public UnitFixture {
protected:
    void SetUp() override
    {
        UnitFixture::SetUp();
        AddUnitDevice();
        Unit().Start();
        if (ConnectsSilentUnit()) {
            ConnectUnit();
            Sim().SetSilent(true);
            Image().names = InitialPresetNames();   // the names of a unit never named
            m_written = m_backend.Written(0).size();
        }
        SetMessageBoxHook([this](const QString& text, const QString& caption) {
            m_messages.push_back({text.toStdString(), caption.toStdString()});
        });
    }

    // Connected at the start to a unit that answers nothing by itself.
    virtual bool ConnectsSilentUnit() const { return true; }
    CSimulatedUnit& Sim() { return m_backend.Unit(0); }

    void TearDown() override
    {
        SetMessageBoxHook(nullptr);
        UnitFixture::TearDown();
    }

    void Disconnect() { Unit().ConnectButton(); }

    template <class Dlg>
    std::unique_ptr<Dlg> Open()
    {
        auto dlg = std::make_unique<Dlg>(nullptr, *m_adapter);
        dlg->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(dlg.get()));
        return dlg;
    }

    static CPresetList* ListOf(QWidget* dlg)
    {
        return qobject_cast<CPresetList*>(FindControl(dlg, IDC_PRESET_LIST));
    }

    static QPoint RowPoint(CPresetList* list, int row)
    {
        list->scrollToItem(list->item(row, 0));
        return list->visualRect(list->model()->index(row, 1)).center();
    }

    static void ClickRow(CPresetList* list, int row)
    {
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, RowPoint(list, row));
    }

    static void DoubleClickRow(CPresetList* list, int row)
    {
        const QPoint at = RowPoint(list, row);
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at);
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, at);
    }

    // A point of the list right of its last column, where no row is.
    static QPoint EmptyPoint(CPresetList* list)
    {
        const int right = list->columnViewportPosition(1) + list->columnWidth(1);
        EXPECT_LT(right + 4, list->viewport()->width());
        return {right + 4, list->viewport()->height() / 2};
    }

    static void ClickButton(QWidget* dlg, int id)
    {
        QWidget* button = FindControl(dlg, id);
        ASSERT_NE(button, nullptr);
        QTest::mouseClick(button, Qt::LeftButton);
    }

    // Types text into w one character at a time, as key presses carrying it.
    static void TypeText(QWidget* w, const QString& text)
    {
        for (const QChar c : text)
            QTest::sendKeyEvent(QTest::Click, w, Qt::Key_unknown, QString(c), Qt::NoModifier);
    }

    // Runs trigger(); the modal dialog it opens, if any, is handed to drive,
    // which must close it. Returns whether a modal dialog was driven.
    static bool WithModal(const std::function<void()>& trigger, const std::function<void(QWidget*)>& drive)
    {
        QObject context;
        bool driven = false;
        QTimer::singleShot(0, &context, [&] {
            if (QWidget* modal = QApplication::activeModalWidget()) {
                driven = true;
                drive(modal);
            }
        });
        trigger();
        return driven;
    }

    // Double-clicks preset n's row; the name dialog gets text typed over its
    // edit (nullptr: Cancel). Returns the edit's text before OK.
    std::string Rename(CPresetList* list, int n, const char* typed)
    {
        std::string edited;
        const bool opened = WithModal([&] { DoubleClickRow(list, n - 1); }, [&](QWidget* nameDlg) {
            auto* edit = qobject_cast<QLineEdit*>(FindControl(nameDlg, IDC_PRESET_NAME));
            ASSERT_NE(edit, nullptr);
            m_renameShown = edit->text().toStdString();
            if (typed == nullptr) {
                ClickButton(nameDlg, IDCANCEL);
                return;
            }
            edit->selectAll();
            QTest::keyClick(edit, Qt::Key_Delete);
            TypeText(edit, QString::fromUtf8(typed));
            edited = edit->text().toStdString();
            ClickButton(nameDlg, IDOK);
        });
        EXPECT_TRUE(opened);
        return edited;
    }

    // What the main thread does when the scheduler wakes it: what may go out
    // goes; the reports written since the last look are kept in m_sent.
    void Pump()
    {
        Settle();
        const std::vector<OutputReport> written = m_backend.Written(0);
        for (; m_written < written.size(); ++m_written) {
            Report r;
            std::copy(written[m_written].begin() + 1, written[m_written].end(), r.begin());
            m_sent.push_back(r);
        }
    }

    // The unit's reply frame, as the reader thread hands it on.
    void Reply(std::uint8_t code)
    {
        FeedReply(code, 0, 0, {});
        Pump();
    }

    std::vector<CommandSlot> Pending()
    {
        CommandSlot out[kPendingCapacity];
        return std::vector<CommandSlot>(out, out + Unit().Scheduler().Pending(out, kPendingCapacity));
    }

    std::size_t m_written = 0;   // reports of the backend already in m_sent
    std::vector<Report> m_sent;
    std::vector<PresetMessage> m_messages;
    std::string m_renameShown;
};

}  // namespace preset_test
