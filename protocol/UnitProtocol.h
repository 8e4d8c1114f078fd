// The protocol side of one unit: its parameter image, the frame writer, the
// command scheduler, the reply handler and the meters, wired together. It does
// no I/O of its own: reports go to the sink it is given, input reports come in
// through FeedInputReport, and what happens is told to the events it is given.
#pragma once

#include "protocol/CommandScheduler.h"
#include "protocol/Framing.h"
#include "protocol/ParameterImage.h"
#include "protocol/ProtocolEvents.h"
#include "protocol/ReplyHandling.h"

class CUnitProtocol {
public:
    CUnitProtocol(CReportSink& sink, CProtocolEvents& events)
        : m_writer(sink), m_scheduler(m_image, m_writer, events), m_replies(m_image, m_scheduler, events),
          m_meters(m_image, events)
    {
    }
    CUnitProtocol(const CUnitProtocol&) = delete;
    CUnitProtocol& operator=(const CUnitProtocol&) = delete;

    CParameterImage& Image() { return m_image; }
    const CParameterImage& Image() const { return m_image; }
    CFrameWriter& Writer() { return m_writer; }
    CCommandScheduler& Scheduler() { return m_scheduler; }
    const CCommandScheduler& Scheduler() const { return m_scheduler; }
    CReplyHandler& Replies() { return m_replies; }
    CMeterDisplay& Meters() { return m_meters; }

private:
    CParameterImage m_image;
    CFrameWriter m_writer;
    CCommandScheduler m_scheduler;
    CReplyHandler m_replies;
    CMeterDisplay m_meters;
};
