// The yardstick of the program's start-up: a bare Qt window of the main window's size, built
// with the same compiler and flags, timed from launch to its first paint as the program is.
//   bare_window LAUNCH_NS
#include <QApplication>
#include <QEvent>
#include <QTimer>
#include <QWidget>

#include <cstdio>
#include <cstdlib>
#include <ctime>

namespace {

double RealtimeNs()
{
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    return static_cast<double>(now.tv_sec) * 1e9 + static_cast<double>(now.tv_nsec);
}

// Notes the first paint once the whole pass has finished, then closes the window.
class CFirstPaint : public QObject {
public:
    CFirstPaint(QWidget& window, double launchNs, double mainNs) : m_window(window), m_launchNs(launchNs), m_mainNs(mainNs) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (watched == &m_window && event->type() == QEvent::Paint && !m_painted) {
            m_painted = true;
            QTimer::singleShot(0, &m_window, [this] {
                const double now = RealtimeNs();
                std::printf("startup_ms %.1f in_process_ms %.1f\n", (now - m_launchNs) / 1e6, (now - m_mainNs) / 1e6);
                m_window.close();
            });
        }
        return false;
    }

private:
    QWidget& m_window;
    double m_launchNs;
    double m_mainNs;
    bool m_painted = false;
};

}  // namespace

int main(int argc, char** argv)
{
    const double mainNs = RealtimeNs();
    QApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s LAUNCH_NS\n", argv[0]);
        return 2;
    }
    QWidget window;
    window.resize(1200, 725);
    CFirstPaint firstPaint(window, std::strtod(argv[1], nullptr), mainNs);
    window.installEventFilter(&firstPaint);
    window.show();
    return app.exec();
}
