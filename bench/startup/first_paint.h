// Shared by the start-up benchmark's programs: notices the first paint of
// the top-level window named "MainWindow", and once that paint has been
// handed to the window system, reports the moment on stdout
// ("first_paint_ns=<CLOCK_MONOTONIC>") with the process's memory, and ends
// the process. A program may do more before the report (`before_report`).
#pragma once

#include <QCoreApplication>
#include <QEvent>
#include <QTimer>
#include <QWidget>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <functional>
#include <string>

namespace bench {

inline std::function<void(QWidget& window)> before_report;

// Resident and peak resident memory of this process, in kB.
inline std::pair<long, long> memory_kb() {
    std::ifstream status("/proc/self/status");
    long rss = 0, hwm = 0;
    for (std::string line; std::getline(status, line);) {
        if (line.rfind("VmRSS:", 0) == 0) rss = std::stol(line.substr(6));
        if (line.rfind("VmHWM:", 0) == 0) hwm = std::stol(line.substr(6));
    }
    return {rss, hwm};
}

inline void report(QWidget& window) {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    const long long ns = now.tv_sec * 1000000000LL + now.tv_nsec;
    if (before_report) before_report(window);
    const auto [rss, hwm] = memory_kb();
    std::printf("first_paint_ns=%lld rss_kb=%ld hwm_kb=%ld\n", ns, rss, hwm);
    std::fflush(stdout);
    std::_Exit(0);
}

class FirstPaint : public QObject {
public:
    using QObject::QObject;
    bool eventFilter(QObject* object, QEvent* event) override {
        if (!seen_ && event->type() == QEvent::Paint && object->isWidgetType() &&
            object->objectName() == QLatin1String("MainWindow")) {
            seen_ = true;
            auto* window = static_cast<QWidget*>(object);
            // After this paint and its flush, on the next turn of the loop.
            QTimer::singleShot(0, window, [window] { report(*window); });
        }
        return false;
    }

private:
    bool seen_ = false;
};

inline void install() { QCoreApplication::instance()->installEventFilter(new FirstPaint(QCoreApplication::instance())); }

}  // namespace bench

// Runs as the application object is made, before any window exists.
inline void bench_watch_first_paint() { bench::install(); }
#define BENCH_WATCH_FIRST_PAINT() Q_COREAPP_STARTUP_FUNCTION(bench_watch_first_paint)
