// The device protocol: parameter image, framing, scheduler and reply handling.
#pragma once

#include "protocol/Framing.h"
#include "protocol/ParameterImage.h"
#include "protocol/ReplyHandling.h"
#include "protocol/CommandScheduler.h"

// Every process-wide object of the protocol back to start-up (hooks stay as set).
void ResetProtocolState();
