#include "ui/common/Logging.h"

#include "ui/common/LinkTexts.h"

#include <QElapsedTimer>

Q_LOGGING_CATEGORY(lcLink, "quenda.link", QtWarningMsg)
Q_LOGGING_CATEGORY(lcScheduler, "quenda.scheduler", QtWarningMsg)
Q_LOGGING_CATEGORY(lcStartup, "quenda.startup", QtWarningMsg)
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

void StartupMark(const char* step)
{
    static QElapsedTimer sinceFirst;
    static qint64 lastNs = 0;
    if (!sinceFirst.isValid())
        sinceFirst.start();
    const qint64 nowNs = sinceFirst.nsecsElapsed();
    qCDebug(lcStartup, "%7.2f ms  %+7.2f ms  %s", nowNs / 1e6, (nowNs - lastNs) / 1e6, step);
    lastNs = nowNs;
}
