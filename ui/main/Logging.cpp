#include "ui/main/Logging.h"

#include "protocol/CommunicationLog.h"

Q_LOGGING_CATEGORY(lcLink, "quenda.link", QtWarningMsg)
Q_LOGGING_CATEGORY(lcScheduler, "quenda.scheduler", QtWarningMsg)

void InstallLogHook()
{
    SetLogHook([](LogCategory category, LogLevel level, const std::string& text) {
        const QLoggingCategory& (*target)() = category == LogCategory::Link ? lcLink : lcScheduler;
        const QString message = QString::fromStdString(text);
        if (level == LogLevel::Warning)
            qCWarning(target).noquote() << message;
        else
            qCInfo(target).noquote() << message;
    });
}

void LogLinkStatus(const std::string& text)
{
    qCInfo(lcLink).noquote() << QString::fromStdString(text);
}
