#include "protocol/Communication.h"

void ResetProtocolState()
{
    ResetImageState();
    ResetSchedulerState();
    ResetReceiver();
    ResetMeterDisplay();
    SetWriteWaitLimit(kDefaultWriteWaitLimit);
}
