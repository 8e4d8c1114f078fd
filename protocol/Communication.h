// The device protocol: parameter image, framing, scheduler and reply handling.
#pragma once

#include "protocol/CommunicationFraming.h"
#include "protocol/CommunicationImage.h"
#include "protocol/CommunicationReply.h"
#include "protocol/CommunicationScheduler.h"

// Every process-wide object of the protocol back to start-up (hooks stay as set).
void ResetProtocolState();
