// A print command for three 12-megapixel photos, timed from the print
// dialog's OK to the document handed over: to CUPS (through a private
// scheduler) or into a file. Beside it, for reference, the same photos drawn
// whole and lossless, as Qt would embed them at the device's 1200 dpi.
//
//   bench/fetch-photos
//   cmake -S . -B build-bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DTOVALIN_BUILD_BENCH=ON
//   cmake --build build-bench --target print_bench
//   tests/print/with-cupsd build-bench/bench/print_bench --benchmark_repetitions=5
//   (add --benchmark_report_aggregates_only=true for the medians alone)
#include <benchmark/benchmark.h>
#include <cups/cups.h>
#include <sys/resource.h>

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QImage>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>
#include <QThread>
#include <QTimer>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "picture/draw.h"
#include "picture/picture.h"
#include "print/print_job.h"
#include "slots/slot_model.h"

namespace {

namespace fs = std::filesystem;
using namespace tovalin;

const fs::path kWork = fs::path(TOVALIN_BENCH_FILES);

std::vector<std::uint8_t> read_all(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Three different 12-megapixel (4000 x 3000) JPEG photos, made once from the
// fetched ones.
const std::vector<slots::Picture>& photos() {
    static std::vector<slots::Picture> made = [] {
        std::vector<slots::Picture> out;
        const fs::path src = TOVALIN_PHOTOS;
        if (!fs::exists(src / "baseline.jpg") || !fs::exists(src / "progressive.jpg")) return out;
        fs::create_directories(kWork);
        const std::pair<const char*, const char*> recipes[] = {
            {"baseline.jpg", "-resize 4000x3000!"},
            {"progressive.jpg", "-resize 4000x3000!"},
            {"baseline.jpg", "-gravity center -crop 4000x3000+0+0 +repage"},
        };
        int i = 0;
        for (const auto& [file, how] : recipes) {
            const fs::path made_file = kWork / ("photo" + std::to_string(i++) + ".jpg");
            if (!fs::exists(made_file)) {
                const std::string cmd = "convert '" + (src / file).string() + "' " + how + " -quality 92 '" +
                                        made_file.string() + "'";
                if (std::system(cmd.c_str()) != 0) return std::vector<slots::Picture>{};
            }
            out.push_back(read_all(made_file));
        }
        return out;
    }();
    return made;
}

long peak_rss_kb() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

// Waits until the private scheduler has finished every job, so that its
// filters do not run during the next measurement.
void wait_for_idle_cups() {
    for (int i = 0; i < 1200; ++i) {
        cups_job_t* jobs = nullptr;
        const int n = cupsGetJobs2(CUPS_HTTP_DEFAULT, &jobs, nullptr, 0, CUPS_WHICHJOBS_ACTIVE);
        cupsFreeJobs(n, jobs);
        if (n <= 0) return;
        QThread::msleep(50);
    }
}

// The size of the last job CUPS took, in bytes (CUPS counts kilobytes).
double last_job_bytes() {
    cups_job_t* jobs = nullptr;
    const int n = cupsGetJobs2(CUPS_HTTP_DEFAULT, &jobs, nullptr, 0, CUPS_WHICHJOBS_ALL);
    int last = -1;
    for (int i = 0; i < n; ++i)
        if (last < 0 || jobs[i].id > jobs[last].id) last = i;
    const double bytes = last < 0 ? 0 : jobs[last].size * 1024.0;
    cupsFreeJobs(n, jobs);
    return bytes;
}

// One print command with its dialogs answered; returns the seconds from the
// print dialog's OK to the end of the command.
double one_print(const slots::SlotAccess& board, bool to_file, const fs::path& file) {
    print::Printer printer;
    QElapsedTimer ok;
    std::function<void()> poll;
    bool done = false;
    poll = [&] {
        if (done) return;
        QTimer::singleShot(5, poll);
        QWidget* modal = QApplication::activeModalWidget();
        if (auto* d = qobject_cast<QPrintDialog*>(modal); d && d->isVisible()) {
            if (to_file) {
                d->findChild<QComboBox*>(QStringLiteral("printers"))->setCurrentIndex(
                    d->findChild<QComboBox*>(QStringLiteral("printers"))->count() - 1);
            }
            ok.start();
            d->accept();
        } else if (auto* f = qobject_cast<QFileDialog*>(modal); f && f->isVisible()) {
            f->selectFile(QString::fromStdString(file.string()));
            static_cast<QDialog*>(f)->accept();
        }
    };
    QTimer::singleShot(5, poll);
    print::print_group(printer, board, slots::SlotGroup::CardGroup);
    const double seconds = ok.isValid() ? ok.nsecsElapsed() / 1e9 : 0;
    done = true;
    return seconds;
}

void print_command(benchmark::State& state, bool to_file) {
    const auto& pics = photos();
    if (pics.size() != 3) return state.SkipWithError("photos missing: run bench/fetch-photos");
    if (!to_file && std::getenv("WITH_CUPSD_SKIP")) return state.SkipWithError("no private CUPS: run under tests/print/with-cupsd");
    if (!to_file && !std::getenv("CUPS_SERVER")) return state.SkipWithError("run under tests/print/with-cupsd");
    slots::SlotBoard board;
    board.set_picture(slots::SlotId::Box1, pics[0]);
    board.set_picture(slots::SlotId::Box2, pics[1]);
    board.set_picture(slots::SlotId::Box3, pics[2]);
    const long rss_before = peak_rss_kb();
    const fs::path file = kWork / "out.prn";
    double size = 0;
    for (auto _ : state) {
        if (!to_file) wait_for_idle_cups();
        fs::remove(file);  // no question about replacing it
        const double seconds = one_print(board, to_file, file);
        if (seconds <= 0) return state.SkipWithError("the print dialog was not shown");
        state.SetIterationTime(seconds);
        size = to_file ? static_cast<double>(fs::file_size(file)) : last_job_bytes();
    }
    if (!to_file) wait_for_idle_cups();
    state.counters["spooled_MB"] = size / 1e6;
    state.counters["peak_rss_MB"] = peak_rss_kb() / 1024.0;
    state.counters["rss_before_MB"] = rss_before / 1024.0;
}

// For comparison only: the three photos decoded whole and embedded lossless
// at their own size, as Qt does when given them at 1200 dpi.
void whole_photos_lossless(benchmark::State& state) {
    const auto& pics = photos();
    if (pics.size() != 3) return state.SkipWithError("photos missing: run bench/fetch-photos");
    double size = 0;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFileName(QString::fromStdString((kWork / "whole.pdf").string()));
        printer.setPageMargins({});
        QPainter painter(&printer);
        painter.setRenderHint(QPainter::LosslessImageRendering);
        for (std::size_t i = 0; i < 3; ++i) {
            auto image = picture::decode(pics[i]);
            const QImage q(image->pixels.bgra.data(), image->pixels.width, image->pixels.height,
                           static_cast<qsizetype>(image->pixels.stride()), QImage::Format_RGB32);
            painter.drawImage(print::device_rect(print::kCardLayout[i], 1200, 1200), q);
        }
        painter.end();
        state.SetIterationTime(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
        size = static_cast<double>(fs::file_size(kWork / "whole.pdf"));
    }
    state.counters["spooled_MB"] = size / 1e6;
}

BENCHMARK_CAPTURE(print_command, to_cups, false)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK_CAPTURE(print_command, to_file, true)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(whole_photos_lossless)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace

int main(int argc, char** argv) {
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication::setAttribute(Qt::AA_DontUseNativeDialogs);
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
