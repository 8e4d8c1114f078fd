// Puts every piece of process-wide state the program keeps back to start-up:
// the image, the names, the scheduler, the receiver, the link flags and the meters.
#pragma once

#include "protocol/Communication.h"

inline void ResetProcessState()
{
    LoadImageDefaults();
    LoadInitialPresetNames();
    ResetSchedulerState();
    ResetReceiver();
    g_Connected = 0;
    g_DeviceOpen = 0;
    g_WriteBusy = 0;
    g_WriteFailed = 0;
    g_LanguageChinese = 0;
    g_ChannelLinked = 0;
    g_NotchClearRequest = 0;
    for (auto& meter : g_MeterBytes)
        meter = 0;
    g_MeterShown[0] = g_MeterShown[1] = 0;
}
