#include "ui/common/Logging.h"

#include "ui/common/LinkTexts.h"

Q_LOGGING_CATEGORY(lcLink, "quenda.link", QtWarningMsg)
Q_LOGGING_CATEGORY(lcScheduler, "quenda.scheduler", QtWarningMsg)
Q_LOGGING_CATEGORY(lcFrames, "quenda.frames", QtWarningMsg)

void LogUnitEvent(LogCategory category, LogLevel level, const std::string& text)
{
    const QLoggingCategory& (*target)() = category == LogCategory::Link        ? lcLink
                                          : category == LogCategory::Frames ? lcFrames
                                                                            : lcScheduler;
    const QString message = QString::fromStdString(text);
    if (level == LogLevel::Warning)
        qCWarning(target).noquote() << message;
    else
        qCInfo(target).noquote() << message;
}

void LogLinkNote(LinkNote note)
{
    qCInfo(lcLink).noquote() << LinkNoteText(note);
}
