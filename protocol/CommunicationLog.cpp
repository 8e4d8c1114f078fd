#include "protocol/CommunicationLog.h"

#include <mutex>
#include <utility>

namespace {

std::mutex g_LogHookMutex;
LogHook g_LogHook;

}  // namespace

void SetLogHook(LogHook hook)
{
    std::lock_guard lock(g_LogHookMutex);
    g_LogHook = std::move(hook);
}

void LogEvent(LogCategory category, LogLevel level, const std::string& text)
{
    std::lock_guard lock(g_LogHookMutex);
    if (g_LogHook)
        g_LogHook(category, level, text);
}
