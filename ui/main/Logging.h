// The program's logging categories: quenda.link (opens, write and read errors,
// the link's status texts) and quenda.scheduler (commands not answered, given
// up, refused). QT_LOGGING_RULES="quenda.*=true" shows them all.
#pragma once

#include <QLoggingCategory>

#include <string>

Q_DECLARE_LOGGING_CATEGORY(lcLink)
Q_DECLARE_LOGGING_CATEGORY(lcScheduler)

// Routes the core's log events into the categories.
void InstallLogHook();

// One of the link's status texts, into quenda.link.
void LogLinkStatus(const std::string& text);
