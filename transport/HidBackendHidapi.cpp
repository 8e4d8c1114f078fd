#include "transport/HidBackendHidapi.h"

#include <hidapi/hidapi.h>

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstring>
#include <cwchar>
#include <condition_variable>
#include <mutex>
#include <set>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

#ifdef QUENDA_HAVE_UDEV
#include <libudev.h>
#include <poll.h>
#endif

namespace {

using EnumerationList = std::unique_ptr<hid_device_info, decltype(&hid_free_enumeration)>;

EnumerationList EnumerateAll()
{
    return EnumerationList(hid_enumerate(0, 0), &hid_free_enumeration);
}

std::set<std::string> PresentPaths()
{
    std::set<std::string> paths;
    EnumerationList list = EnumerateAll();
    for (const hid_device_info* info = list.get(); info != nullptr; info = info->next)
        paths.insert(info->path);
    return paths;
}

// hidapi's reason for a failed open is not always set; the node's access rights tell.
HidOpenResult OpenFailure(const std::string& path)
{
    const std::string hidapiReason = HidErrorText(hid_error(nullptr));
    if (::access(path.c_str(), R_OK | W_OK) != 0) {
        const int error = errno;
        const HidOpenError kind = error == EACCES ? HidOpenError::PermissionDenied : HidOpenError::Other;
        return {kInvalidHidHandle, kind, path + ": " + std::strerror(error)};
    }
    return {kInvalidHidHandle, HidOpenError::Other, hidapiReason};
}

// Compares the enumerated paths every period and reports the differences.
class CPollingWatch : public CHidWatch {
public:
    explicit CPollingWatch(DeviceChangeCallback callback)
        : m_callback(std::move(callback)), m_known(PresentPaths()), m_thread([this] { Run(); })
    {
    }

    ~CPollingWatch() override
    {
        {
            std::lock_guard lock(m_mutex);
            m_stop = true;
        }
        m_wake.notify_all();
        m_thread.join();
    }

private:
    void Run()
    {
        std::unique_lock lock(m_mutex);
        while (!m_wake.wait_for(lock, CHidapiBackend::kPollPeriod, [this] { return m_stop; })) {
            lock.unlock();
            Compare();
            lock.lock();
        }
    }

    void Compare()
    {
        std::set<std::string> now = PresentPaths();
        ReportPathChanges(m_known, now, m_callback);
        m_known = std::move(now);
    }

    DeviceChangeCallback m_callback;
    std::set<std::string> m_known;   // watcher thread only
    std::mutex m_mutex;
    std::condition_variable m_wake;
    bool m_stop = false;
    std::thread m_thread;
};

#ifdef QUENDA_HAVE_UDEV

// Listens to the kernel's hidraw add and remove events through udev.
class CUdevWatch : public CHidWatch {
public:
    static constexpr int kPollSliceMs = 200;   // how soon the thread sees a stop request

    static std::unique_ptr<CHidWatch> Make(DeviceChangeCallback callback)
    {
        udev* context = udev_new();
        if (context == nullptr)
            return nullptr;
        udev_monitor* monitor = udev_monitor_new_from_netlink(context, "udev");
        if (monitor == nullptr || udev_monitor_filter_add_match_subsystem_devtype(monitor, "hidraw", nullptr) < 0 ||
            udev_monitor_enable_receiving(monitor) < 0) {
            udev_monitor_unref(monitor);
            udev_unref(context);
            return nullptr;
        }
        return std::unique_ptr<CHidWatch>(new CUdevWatch(std::move(callback), context, monitor));
    }

    ~CUdevWatch() override
    {
        m_stop.store(true);
        m_thread.join();
        udev_monitor_unref(m_monitor);
        udev_unref(m_context);
    }

private:
    CUdevWatch(DeviceChangeCallback callback, udev* context, udev_monitor* monitor)
        : m_callback(std::move(callback)), m_context(context), m_monitor(monitor), m_thread([this] { Run(); })
    {
    }

    void Run()
    {
        pollfd watched{udev_monitor_get_fd(m_monitor), POLLIN, 0};
        while (!m_stop.load()) {
            if (::poll(&watched, 1, kPollSliceMs) > 0)
                TakeEvent();
        }
    }

    void TakeEvent()
    {
        udev_device* device = udev_monitor_receive_device(m_monitor);
        if (device == nullptr)
            return;
        const char* action = udev_device_get_action(device);
        const char* node = udev_device_get_devnode(device);
        if (action != nullptr && node != nullptr) {
            if (std::strcmp(action, "add") == 0)
                m_callback(HidDeviceChange::Arrived, node);
            else if (std::strcmp(action, "remove") == 0)
                m_callback(HidDeviceChange::Removed, node);
        }
        udev_device_unref(device);
    }

    DeviceChangeCallback m_callback;
    udev* m_context;
    udev_monitor* m_monitor;
    std::atomic<bool> m_stop{false};
    std::thread m_thread;
};

#endif

}  // namespace

std::string HidText(const wchar_t* wide)
{
    std::string text;
    for (; wide != nullptr && *wide != L'\0'; ++wide) {
        char bytes[MB_LEN_MAX];
        std::mbstate_t state{};
        const std::size_t n = std::wcrtomb(bytes, *wide, &state);
        text.append(n == static_cast<std::size_t>(-1) ? std::string("?") : std::string(bytes, n));
    }
    return text;
}

std::string HidErrorText(const wchar_t* message)
{
    const std::string text = HidText(message);
    return text.empty() ? "no reason given" : text;
}

HidWriteResult ClassifyWriteFailure(const std::string& path)
{
    struct stat node {};
    if (::stat(path.c_str(), &node) != 0 && (errno == ENOENT || errno == ENODEV))
        return HidWriteResult::Gone;
    return HidWriteResult::Failed;
}

CHidapiBackend::CHidapiBackend()
{
    if (hid_init() != 0)
        m_startupError = "HID access could not start: " + HidErrorText(hid_error(nullptr));
}

CHidapiBackend::~CHidapiBackend()
{
    for (auto& [handle, open] : m_devices)
        hid_close(open.device);
    hid_exit();
}

std::vector<HidInterfaceInfo> CHidapiBackend::Enumerate()
{
    std::vector<HidInterfaceInfo> interfaces;
    EnumerationList list = EnumerateAll();
    for (const hid_device_info* info = list.get(); info != nullptr; info = info->next)
        interfaces.push_back({info->path, info->vendor_id, info->product_id, info->release_number,
                              HidText(info->serial_number), HidText(info->product_string)});
    return interfaces;
}

HidOpenResult CHidapiBackend::Open(const std::string& path, bool)
{
    hid_device* device = hid_open_path(path.c_str());
    if (device == nullptr)
        return OpenFailure(path);
    std::lock_guard lock(m_mutex);
    const HidHandle handle = m_nextHandle++;
    m_devices.emplace(handle, OpenDevice{device, path});
    return {handle, HidOpenError::None, {}};
}

bool CHidapiBackend::Find(HidHandle handle, OpenDevice& out)
{
    std::lock_guard lock(m_mutex);
    const auto it = m_devices.find(handle);
    if (it == m_devices.end())
        return false;
    out = it->second;
    return true;
}

HidWriteStatus CHidapiBackend::Write(HidHandle handle, const std::uint8_t* report65)
{
    OpenDevice open{};
    if (!Find(handle, open))
        return {HidWriteResult::Failed, "the handle is closed"};
    if (hid_write(open.device, report65, kOutputReportSize) >= 0)
        return {};
    return {ClassifyWriteFailure(open.path), HidErrorText(hid_error(open.device))};
}

HidReadStatus CHidapiBackend::Read(HidHandle handle, std::uint8_t* out65, int timeoutMs)
{
    OpenDevice open{};
    if (!Find(handle, open))
        return {HidReadResult::Failed, "the handle is closed"};
    std::uint8_t buffer[kReadBufferSize];
    const int n = hid_read_timeout(open.device, buffer, sizeof buffer, timeoutMs);
    if (n < 0)
        return {HidReadResult::Failed, HidErrorText(hid_error(open.device))};
    if (n == 0)
        return {};
    NormaliseInputReport(buffer, n, out65);
    return {HidReadResult::Report, {}};
}

void CHidapiBackend::Close(HidHandle handle)
{
    hid_device* device = nullptr;
    {
        std::lock_guard lock(m_mutex);
        const auto it = m_devices.find(handle);
        if (it == m_devices.end())
            return;
        device = it->second.device;
        m_devices.erase(it);
    }
    hid_close(device);
}

std::unique_ptr<CHidWatch> CHidapiBackend::WatchDevices(DeviceChangeCallback callback)
{
#ifdef QUENDA_HAVE_UDEV
    if (auto watch = CUdevWatch::Make(callback))
        return watch;
#endif
    return std::make_unique<CPollingWatch>(std::move(callback));
}
