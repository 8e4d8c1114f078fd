// The link's and the scheduler's events reach Qt's logging categories, so that
// QT_LOGGING_RULES shows them; warnings by default, information on request.
#include "ui/common/Language.h"
#include "ui/common/Logging.h"

#include <QLoggingCategory>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct Logged {
    QtMsgType type;
    std::string category;
    std::string text;
    bool operator==(const Logged&) const = default;
};

std::vector<Logged> g_Logged;

void Record(QtMsgType type, const QMessageLogContext& context, const QString& text)
{
    g_Logged.push_back({type, context.category ? context.category : "", text.toStdString()});
}

class Log : public testing::Test {
protected:
    void SetUp() override
    {
        g_Logged.clear();
        m_previous = qInstallMessageHandler(Record);
    }

    void TearDown() override
    {
        qInstallMessageHandler(m_previous);
        QLoggingCategory::setFilterRules(QString());
    }

    QtMessageHandler m_previous = nullptr;
};

TEST_F(Log, WarningsShowByDefaultInTheirCategory)
{
    LogUnitEvent(LogCategory::Scheduler, LogLevel::Warning, "gave up channel 0 group 5");
    LogUnitEvent(LogCategory::Link, LogLevel::Warning, "report write failed: the device is gone");
    LogUnitEvent(LogCategory::Link, LogLevel::Info, "opened the unit at /dev/hidraw3");
    EXPECT_EQ(g_Logged, (std::vector<Logged>{
                            {QtWarningMsg, "quenda.scheduler", "gave up channel 0 group 5"},
                            {QtWarningMsg, "quenda.link", "report write failed: the device is gone"}}));
}

TEST_F(Log, TheFramesShowOnlyWhenAskedFor)
{
    LogUnitEvent(LogCategory::Frames, LogLevel::Info, "sent recall of preset 2");
    QLoggingCategory::setFilterRules(QStringLiteral("quenda.frames.info=true"));
    LogUnitEvent(LogCategory::Frames, LogLevel::Info, "sent channel 1 group 0: 00 00 50 00 01 00 00 00");
    EXPECT_EQ(g_Logged, (std::vector<Logged>{{QtInfoMsg, "quenda.frames", "sent channel 1 group 0: 00 00 50 00 01 00 00 00"}}));
}

TEST_F(Log, TheRulesShowTheInformationToo)
{
    QLoggingCategory::setFilterRules(QStringLiteral("quenda.*=true"));
    LogUnitEvent(LogCategory::Link, LogLevel::Info, "opened the unit at /dev/hidraw3");
    LogUnitEvent(LogCategory::Scheduler, LogLevel::Info, "no answer to store of preset 2");
    EXPECT_EQ(g_Logged, (std::vector<Logged>{{QtInfoMsg, "quenda.link", "opened the unit at /dev/hidraw3"},
                                             {QtInfoMsg, "quenda.scheduler", "no answer to store of preset 2"}}));
}

}  // namespace

namespace {

TEST_F(Log, WhatTheLinkFoundIsInformationInTheInterfaceLanguage)
{
    QLoggingCategory::setFilterRules(QStringLiteral("quenda.*=true"));
    LogLinkNote(LinkNote::DeviceFound);
    SetCurrentLanguage(kChinese);
    LogLinkNote(LinkNote::DeviceNotFound);
    SetCurrentLanguage(kEnglish);
    LogLinkNote(LinkNote::WriteUnsupported);
    EXPECT_EQ(g_Logged, (std::vector<Logged>{{QtInfoMsg, "quenda.link", "Find the device"},
                                             {QtInfoMsg, "quenda.link", "设备未找到"},
                                             {QtInfoMsg, "quenda.link", "该设备不支持WriteFile函数。"}}));
}

}  // namespace
