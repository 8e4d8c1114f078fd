// Device changes seen on the watcher and reader threads, handed to the UI
// thread in the order they happened. The changes travel in a list under a
// mutex and only a bare wake-up goes through Qt's event queue, so every byte
// handed over is ordered by a lock ThreadSanitizer sees (Qt's own are invisible
// to it, Qt not being built with it).
#pragma once

#include <QObject>

#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

class CDeviceChangeQueue : public QObject {
    Q_OBJECT
public:
    using Handler = std::function<void(std::uint32_t event, const std::string& path)>;

    // handler runs on the thread this object lives in.
    explicit CDeviceChangeQueue(Handler handler);

    // From any thread.
    void Post(std::uint32_t event, const std::string& path);

private:
    struct Change {
        std::uint32_t event;
        std::string path;
    };

    Q_INVOKABLE void Deliver();

    Handler m_handler;
    std::mutex m_mutex;
    std::vector<Change> m_changes;
};
