#include "ui/main/DeviceChangeQueue.h"

#include <QMetaObject>

CDeviceChangeQueue::CDeviceChangeQueue(Handler handler) : m_handler(std::move(handler)) {}

// One wake-up is pending while the list is not empty: it takes the whole list.
void CDeviceChangeQueue::Post(std::uint32_t event, const std::string& path)
{
    bool wake = false;
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        wake = m_changes.empty();
        m_changes.push_back({event, path});
    }
    // by name: a functor would be built here and read on the UI thread, past the mutex
    if (wake)
        QMetaObject::invokeMethod(this, "Deliver", Qt::QueuedConnection);
}

void CDeviceChangeQueue::Deliver()
{
    std::vector<Change> changes;
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        changes.swap(m_changes);
    }
    for (const Change& change : changes)
        m_handler(change.event, change.path);
}
