// Device changes posted from other threads reach the UI thread in order.
#include "ui/main/DeviceChangeQueue.h"

#include <QCoreApplication>
#include <QThread>

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace {

struct Received {
    std::vector<std::pair<std::uint32_t, std::string>> changes;
    std::vector<bool> onUiThread;
};

CDeviceChangeQueue::Handler Recorder(Received& received)
{
    return [&received](std::uint32_t event, const std::string& path) {
        received.changes.emplace_back(event, path);
        received.onUiThread.push_back(QThread::currentThread() == QCoreApplication::instance()->thread());
    };
}

}  // namespace

TEST(LinkDeviceChangeQueue, ChangesFromTwoThreadsArriveOnTheUiThreadInTheOrderPosted)
{
    Received received;
    CDeviceChangeQueue queue(Recorder(received));
    std::thread watcher([&] {
        queue.Post(0x8004, "/dev/hidraw3");
        queue.Post(0x8000, "/dev/hidraw4");
    });
    watcher.join();
    std::thread reader([&] { queue.Post(0x8004, "/dev/hidraw4"); });
    reader.join();
    EXPECT_TRUE(received.changes.empty());   // nothing runs on the posting threads

    QCoreApplication::sendPostedEvents();

    const std::vector<std::pair<std::uint32_t, std::string>> expected = {
        {0x8004, "/dev/hidraw3"}, {0x8000, "/dev/hidraw4"}, {0x8004, "/dev/hidraw4"}};
    EXPECT_EQ(received.changes, expected);
    EXPECT_EQ(received.onUiThread, std::vector<bool>(3, true));
}

TEST(LinkDeviceChangeQueue, AChangePostedWhileDeliveringComesWithTheNextWakeUp)
{
    Received received;
    CDeviceChangeQueue* queue = nullptr;
    CDeviceChangeQueue reposting([&](std::uint32_t event, const std::string& path) {
        Recorder(received)(event, path);
        if (event == 1)
            queue->Post(2, "again");
    });
    queue = &reposting;
    std::thread([&] { reposting.Post(1, "first"); }).join();

    QCoreApplication::sendPostedEvents();
    QCoreApplication::sendPostedEvents();

    const std::vector<std::pair<std::uint32_t, std::string>> expected = {{1, "first"}, {2, "again"}};
    EXPECT_EQ(received.changes, expected);
}
