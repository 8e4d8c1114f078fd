#include "model/ProcessState.h"

#include "model/DataConver.h"
#include "model/KTVEQ.h"
#include "protocol/Communication.h"

void ResetProcessState()
{
    ResetProtocolState();
    ResetBandTables();
    ResetEqualizers();
}
