#include "model/ProcessState.h"

#include "model/ValueTables.h"
#include "model/ChannelEqualizer.h"
#include "protocol/Communication.h"

void ResetProcessState()
{
    ResetProtocolState();
    ResetBandTables();
    ResetEqualizers();
}
