// Measures the program as it runs in demo mode, with the real window, the real
// timers and the simulated unit on its own clock:
//   quenda_measure startup LAUNCH_NS   start-up to the first painted window
//   quenda_measure run                 memory, idle CPU and frames, change-to-frame latency, clicks, a burst, drag steps
// LAUNCH_NS is CLOCK_REALTIME in nanoseconds taken just before this process was started.
#include "PointerClicks.h"

#include "model/ChannelEqualizer.h"
#include "transport/HidBackend.h"
#include "ui/controls/GainFader.h"
#include "ui/graph/EqualizerGraph.h"
#include "ui/common/Logging.h"
#include "ui/common/UnitAdapter.h"
#include "ui/main/MainWindow.h"

#include <QAbstractButton>
#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QTimer>

#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <mutex>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kConnectButton = 1048;
constexpr int kMuteButtonA = 1046;
constexpr int kClicks = 12;
constexpr int kTickMs = 100;
constexpr int kSettleMs = 3000;        // connect, read the setup and the current memory, then poll
constexpr int kIdleMs = 10000;
constexpr int kChanges = 50;
constexpr int kFrameLimitMs = 2000;    // a change whose frame has not left by then counts as lost
constexpr int kDragSteps = 500;
constexpr int kDragPixels = 30;
constexpr int kGraphBand = 7;
constexpr std::uint8_t kGroupGain = 0;
constexpr std::uint8_t kGroupFirstBand = 3;

double RealtimeNs()
{
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    return static_cast<double>(now.tv_sec) * 1e9 + static_cast<double>(now.tv_nsec);
}

double Ms(Clock::duration d)
{
    return std::chrono::duration<double, std::milli>(d).count();
}

// Passes everything to the demo's back-end and notes when a set-parameter
// frame for the watched channel and group leaves for the unit.
class CTimedBackend : public CHidBackend {
public:
    explicit CTimedBackend(std::unique_ptr<CHidBackend> inner) : m_inner(std::move(inner)) {}

    std::vector<HidInterfaceInfo> Enumerate() override { return m_inner->Enumerate(); }
    HidOpenResult Open(const std::string& path, bool forWriting) override { return m_inner->Open(path, forWriting); }
    HidReadStatus Read(HidHandle handle, std::uint8_t* out65, int timeoutMs) override
    {
        return m_inner->Read(handle, out65, timeoutMs);
    }
    void Close(HidHandle handle) override { m_inner->Close(handle); }
    std::unique_ptr<CHidWatch> WatchDevices(DeviceChangeCallback callback) override
    {
        return m_inner->WatchDevices(std::move(callback));
    }

    HidWriteStatus Write(HidHandle handle, const std::uint8_t* report65) override
    {
        const Clock::time_point now = Clock::now();
        {
            std::lock_guard lock(m_mutex);
            if (!m_seen && IsWatchedFrame(report65 + 1))
                m_seen = now;
            if (IsFrameStart(report65 + 1)) {
                ++m_frames[report65[1 + kFrameCode]];
                if (report65[1 + kFrameCode] == CMD_SET_PARAM)
                    m_setParamTimes.push_back(now);
            }
        }
        return m_inner->Write(handle, report65);
    }

    // Frames by command code, and the times set-parameter frames left, since the last call.
    std::map<int, int> TakeFrameCounts()
    {
        std::lock_guard lock(m_mutex);
        m_setParamTimes.clear();
        return std::exchange(m_frames, {});
    }

    std::vector<Clock::time_point> SetParamTimes() const
    {
        std::lock_guard lock(m_mutex);
        return m_setParamTimes;
    }

    void Watch(std::uint8_t channel, std::uint8_t group)
    {
        std::lock_guard lock(m_mutex);
        m_channel = channel;
        m_group = group;
        m_seen.reset();
    }

    std::optional<Clock::time_point> Seen() const
    {
        std::lock_guard lock(m_mutex);
        return m_seen;
    }

private:
    static bool IsFrameStart(const std::uint8_t* frame)
    {
        return frame[0] == kSyncByte && frame[1] == kSyncByte && frame[2] == kSyncByte;
    }

    bool IsWatchedFrame(const std::uint8_t* frame) const
    {
        return IsFrameStart(frame) && frame[kFrameCode] == CMD_SET_PARAM && frame[kFrameA1] == AREA_CHANNEL &&
               frame[kFrameA3] == m_channel && frame[kFrameA4] == m_group;
    }

    std::unique_ptr<CHidBackend> m_inner;
    mutable std::mutex m_mutex;
    std::uint8_t m_channel = 0;
    std::uint8_t m_group = 0;
    std::optional<Clock::time_point> m_seen;
    std::map<int, int> m_frames;
    std::vector<Clock::time_point> m_setParamTimes;
};

void WaitMs(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

// The window's 100 ms timer wakes the loop, so no extra timer is needed to look again.
template <class Done>
bool WaitUntil(Done done, int limitMs)
{
    QElapsedTimer elapsed;
    elapsed.start();
    while (!done()) {
        if (elapsed.elapsed() > limitMs)
            return false;
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    return true;
}

struct Stats {
    double median = 0;
    double p99 = 0;
    double max = 0;
};

Stats Summarise(std::vector<double> v)
{
    if (v.empty())
        return {};
    std::sort(v.begin(), v.end());
    const auto at = [&v](double q) { return v[static_cast<std::size_t>(q * static_cast<double>(v.size() - 1))]; };
    return {at(0.5), at(0.99), v.back()};
}

long StatusKb(const char* field)
{
    std::ifstream status("/proc/self/status");
    std::string line;
    const std::string key = std::string(field) + ":";
    while (std::getline(status, line))
        if (line.rfind(key, 0) == 0)
            return std::strtol(line.c_str() + key.size(), nullptr, 10);
    return -1;
}

double CpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const auto seconds = [](const timeval& t) { return static_cast<double>(t.tv_sec) + t.tv_usec / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

// CPU seconds of every thread by thread id and name, from /proc/self/task/*/stat (utime + stime).
std::map<std::string, double> ThreadCpuSeconds()
{
    std::map<std::string, double> byName;
    const double ticksPerSecond = static_cast<double>(sysconf(_SC_CLK_TCK));
    for (const auto& task : std::filesystem::directory_iterator("/proc/self/task")) {
        std::ifstream file(task.path() / "stat");
        std::string stat((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
        const std::size_t open = stat.find('(');
        const std::size_t close = stat.rfind(')');
        if (open == std::string::npos || close == std::string::npos)
            continue;
        std::istringstream rest(stat.substr(close + 2));
        std::string field;
        double utime = 0;
        double stime = 0;
        for (int i = 3; i <= 15 && rest >> field; ++i) {
            if (i == 14)
                utime = std::stod(field);
            if (i == 15)
                stime = std::stod(field);
        }
        const std::string key = task.path().filename().string() + " " + stat.substr(open + 1, close - open - 1);
        byName[key] = (utime + stime) / ticksPerSecond;
    }
    return byName;
}

// The first paint of the window is recorded once the whole pass (children and
// flush) has finished, then the program is closed.
class CFirstPaint : public QObject {
public:
    CFirstPaint(CMainWindow& dlg, double launchNs, double mainNs) : m_dlg(dlg), m_launchNs(launchNs), m_mainNs(mainNs) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (watched == &m_dlg && event->type() == QEvent::Paint && !m_painted) {
            m_painted = true;
            StartupMark("first paint");
            QTimer::singleShot(0, &m_dlg, [this] { Report(); });
        }
        return false;
    }

private:
    void Report()
    {
        const double now = RealtimeNs();
        StartupMark("first paint done");
        std::printf("startup_ms %.1f in_process_ms %.1f\n", (now - m_launchNs) / 1e6, (now - m_mainNs) / 1e6);
        m_dlg.done(0);
    }

    CMainWindow& m_dlg;
    double m_launchNs;
    double m_mainNs;
    bool m_painted = false;
};

// As the program starts: the dialog runs modally over the link to the demo's unit.
int MeasureStartup(double launchNs, double mainNs)
{
    const std::unique_ptr<CHidBackend> backend = MakeHidBackend(HidBackendKind::Simulated);
    CUnitAdapter unit(*backend);
    StartupMark("unit made");
    CMainWindow dlg(unit);
    CFirstPaint firstPaint(dlg, launchNs, mainNs);
    dlg.installEventFilter(&firstPaint);
    dlg.exec();
    return 0;
}

void PrintLatency(const char* name, const std::vector<double>& ms, int lost)
{
    const Stats s = Summarise(ms);
    std::printf("%s_ms median %.2f max %.2f (n=%zu, lost %d)\n", name, s.median, s.max, ms.size(), lost);
}

// Waits a little longer each time, so that the changes fall on every phase of the 100 ms timers.
int GapMs(int i)
{
    return 300 + (i * 37) % 100;
}

bool TimeFrame(CTimedBackend& backend, Clock::time_point changed, std::vector<double>& out)
{
    if (!WaitUntil([&backend] { return backend.Seen().has_value(); }, kFrameLimitMs))
        return false;
    out.push_back(Ms(*backend.Seen() - changed));
    return true;
}

// Up and Down keys on CH A's fader: each is one gain step and one group-0 frame.
void MeasureFaderLatency(CMainWindow& dlg, CTimedBackend& backend)
{
    CGainFader* fader = dlg.Fader(0);
    std::vector<double> ms;
    int lost = 0;
    for (int i = 0; i < kChanges; ++i) {
        WaitMs(GapMs(i));
        backend.Watch(0, kGroupGain);
        QKeyEvent key(QEvent::KeyPress, i % 2 == 0 ? Qt::Key_Up : Qt::Key_Down, Qt::NoModifier);
        const Clock::time_point changed = Clock::now();
        QApplication::sendEvent(fader, &key);
        if (!TimeFrame(backend, changed, ms))
            ++lost;
    }
    PrintLatency("fader_to_frame", ms, lost);
}

void SendMouse(CEqualizerGraph& graph, QEvent::Type type, QPoint at, Qt::MouseButton button, Qt::MouseButtons held)
{
    QMouseEvent event(type, QPointF(at), graph.mapToGlobal(QPointF(at)), button, held, Qt::NoModifier);
    QApplication::sendEvent(&graph, &event);
}

QPoint BandCentre(CUnit& unit, int channel, int band)
{
    const PlotPoint p = unit.Equalizers().Channel(channel).GetAt(band).HandleRect().Centre();
    return {p.x, p.y};
}

void Grab(CEqualizerGraph& graph, QPoint at)
{
    SendMouse(graph, QEvent::MouseMove, at, Qt::NoButton, Qt::NoButton);
    SendMouse(graph, QEvent::MouseButtonPress, at, Qt::LeftButton, Qt::LeftButton);
}

// A band of CH A's graph grabbed, moved up or down and held: the change is the
// pointer move, the frame its band's group.
void MeasureGraphLatency(CMainWindow& dlg, CUnit& unit, CTimedBackend& backend)
{
    CEqualizerGraph& graph = *dlg.Graph(0);
    std::vector<double> ms;
    int lost = 0;
    for (int i = 0; i < kChanges; ++i) {
        WaitMs(GapMs(i));
        const QPoint from = BandCentre(unit, 0, kGraphBand);
        const QPoint to = from + QPoint(0, i % 2 == 0 ? -kDragPixels : kDragPixels);
        Grab(graph, from);
        backend.Watch(0, kGroupFirstBand + kGraphBand);
        const Clock::time_point changed = Clock::now();
        SendMouse(graph, QEvent::MouseMove, to, Qt::NoButton, Qt::LeftButton);
        if (!TimeFrame(backend, changed, ms))
            ++lost;
        SendMouse(graph, QEvent::MouseButtonRelease, to, Qt::LeftButton, Qt::NoButton);
    }
    PrintLatency("graph_to_frame", ms, lost);
}

// Notes when the program first gets a release of the mouse button: what the X server and Qt's
// reading of its events take, before anything of the program's own runs.
class CReleaseArrival : public QObject {
public:
    std::optional<Clock::time_point> Arrived() const { return m_arrived; }
    void Forget() { m_arrived.reset(); }

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::MouseButtonRelease && !m_arrived)
            m_arrived = Clock::now();
        return false;
    }

private:
    std::optional<Clock::time_point> m_arrived;
};

// CH A's Mute clicked through the X server as a mouse clicks it: the time runs from the release
// leaving for the X server to CH A's group-0 frame leaving for the unit, and is split where the
// release reaches the program. The releases fall on every phase of the window's 100 ms tick;
// each second click unmutes again.
void MeasureClickLatency(CMainWindow& dlg, CTimedBackend& backend)
{
    CXTestPointer pointer;
    if (!pointer.IsAvailable()) {
        std::printf("click_to_frame_ms: no X server with XTest\n");
        return;
    }
    CReleaseArrival arrival;
    qApp->installEventFilter(&arrival);
    const QWidget* mute = dlg.Control(kMuteButtonA);
    pointer.MoveTo(mute->mapToGlobal(mute->rect().center()));
    WaitMs(GapMs(0));
    std::vector<double> ms;
    std::vector<double> delivery;
    std::vector<double> handling;
    int lost = 0;
    for (int i = 0; i < kClicks; ++i) {
        pointer.Press();
        WaitMs(300 + i * kTickMs / kClicks);
        backend.Watch(0, kGroupGain);
        arrival.Forget();
        const Clock::time_point released = Clock::now();
        pointer.Release();
        if (!TimeFrame(backend, released, ms)) {
            ++lost;
        } else if (arrival.Arrived()) {
            delivery.push_back(Ms(*arrival.Arrived() - released));
            handling.push_back(ms.back() - delivery.back());
        }
    }
    qApp->removeEventFilter(&arrival);
    PrintLatency("click_to_frame", ms, lost);
    const Stats x = Summarise(delivery);
    const Stats own = Summarise(handling);
    std::printf("  of which the X server and Qt to the release's arrival: median %.2f ms; the program from there: "
                "median %.2f max %.2f ms\n",
                x.median, own.median, own.max);
}

// Every band of both channels changed at once, 24 different groups: they leave
// one after the other, each as soon as the unit acknowledged the one before.
void MeasureBurst(CUnit& unit, CTimedBackend& backend)
{
    constexpr int kBurst = 2 * kBandCount;
    backend.TakeFrameCounts();
    const Clock::time_point start = Clock::now();
    for (int c = 0; c < kChannelCount; ++c) {
        for (int k = 0; k < kBandCount; ++k) {
            {
                ImageLock lock(unit.Image().mutex);
                BandParams& band = unit.Image().channels[c].bands[k];
                band.gainCode.Set(static_cast<std::int16_t>(band.gainCode.Get() == kFlatGainCode ? 130 : kFlatGainCode));
            }
            unit.Scheduler().QueueSetParam(AREA_CHANNEL, static_cast<std::uint8_t>(c),
                                           static_cast<std::uint8_t>(kGroupFirstBand + k));
        }
    }
    const bool drained = WaitUntil([&unit] {
        CommandSlot pending[1];
        return unit.Scheduler().Pending(pending, 1) == 0;
    }, kFrameLimitMs);
    const double total = Ms(Clock::now() - start);
    const std::vector<Clock::time_point> times = backend.SetParamTimes();
    std::vector<double> gaps;
    for (std::size_t i = 1; i < times.size(); ++i)
        gaps.push_back(Ms(times[i] - times[i - 1]));
    const Stats s = Summarise(gaps);
    std::printf("burst_of_%d drained %s in %.1f ms, %zu frames, gap between frames median %.2f max %.2f ms\n", kBurst,
                drained ? "yes" : "NO", total, times.size(), s.median, s.max);
}

// Every pointer move of one long drag, timed alone: move, recompute, and the paint it asked for.
void MeasureDragSteps(CMainWindow& dlg, CUnit& unit)
{
    CEqualizerGraph& graph = *dlg.Graph(0);
    const QPoint from = BandCentre(unit, 0, kGraphBand);
    Grab(graph, from);
    std::vector<double> ms;
    for (int i = 0; i < kDragSteps; ++i) {
        const int phase = i % 80;
        const QPoint to = from + QPoint(phase - 40, phase < 40 ? -phase : phase - 80);
        const Clock::time_point start = Clock::now();
        SendMouse(graph, QEvent::MouseMove, to, Qt::NoButton, Qt::LeftButton);
        QCoreApplication::processEvents();
        ms.push_back(Ms(Clock::now() - start));
    }
    SendMouse(graph, QEvent::MouseButtonRelease, from, Qt::LeftButton, Qt::NoButton);
    const Stats s = Summarise(ms);
    std::printf("drag_step_ms median %.3f p99 %.3f max %.3f (n=%zu)\n", s.median, s.p99, s.max, ms.size());
}

int MeasureRun()
{
    CTimedBackend backend(MakeHidBackend(HidBackendKind::Simulated));
    CUnitAdapter adapter(backend);
    CUnit& unit = adapter.Unit();
    CMainWindow dlg(adapter);
    dlg.show();
    WaitMs(300);
    if (auto* button = qobject_cast<QAbstractButton*>(dlg.Control(kConnectButton)))
        button->click();
    WaitMs(kSettleMs);
    if (!unit.IsConnected()) {
        std::fprintf(stderr, "the demo unit did not connect\n");
        return 1;
    }
    std::printf("rss_after_connect_kb %ld peak_kb %ld\n", StatusKb("VmRSS"), StatusKb("VmHWM"));

    const std::map<std::string, double> threadsBefore = ThreadCpuSeconds();
    backend.TakeFrameCounts();
    const double cpuBefore = CpuSeconds();
    const Clock::time_point wallBefore = Clock::now();
    WaitMs(kIdleMs);
    const double cpu = CpuSeconds() - cpuBefore;
    const double wall = Ms(Clock::now() - wallBefore) / 1000;
    std::printf("idle_cpu_percent %.3f (cpu %.3f s over %.2f s)\n", 100 * cpu / wall, cpu, wall);
    std::printf("idle_frames");
    for (const auto& [code, count] : backend.TakeFrameCounts())
        std::printf(" %02Xh x%d", code, count);
    std::printf("\n");
    for (const auto& [name, seconds] : ThreadCpuSeconds()) {
        const auto before = threadsBefore.find(name);
        const double used = seconds - (before == threadsBefore.end() ? 0 : before->second);
        std::printf("  thread %-24s %.2f s\n", name.c_str(), used);
    }

    MeasureFaderLatency(dlg, backend);
    MeasureGraphLatency(dlg, unit, backend);
    MeasureClickLatency(dlg, backend);
    MeasureBurst(unit, backend);
    MeasureDragSteps(dlg, unit);
    std::printf("rss_at_end_kb %ld peak_kb %ld\n", StatusKb("VmRSS"), StatusKb("VmHWM"));
    dlg.close();
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    const double mainNs = RealtimeNs();
    StartupMark("main");
    QApplication app(argc, argv);
    StartupMark("application made");
    const std::string mode = argc > 1 ? argv[1] : "";
    if (mode == "startup" && argc > 2)
        return MeasureStartup(std::strtod(argv[2], nullptr), mainNs);
    if (mode == "run")
        return MeasureRun();
    std::fprintf(stderr, "usage: %s startup LAUNCH_NS | run\n", argv[0]);
    return 2;
}
