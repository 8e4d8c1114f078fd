// The device protocol: parameter image, framing, scheduler and reply handling.
#pragma once

#include "protocol/CommunicationFraming.h"
#include "protocol/CommunicationImage.h"
#include "protocol/CommunicationReply.h"
#include "protocol/CommunicationScheduler.h"
