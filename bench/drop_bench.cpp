// A file dropped on a slot of the real MainWindow, timed from the drop
// event to the picture box repainted with the picture: the whole-file read,
// the decode for the 150 x 90 box, the household rule and the paint. The
// drag is delivered as the window system delivers one (enter, move, drop
// to the native window), under the offscreen platform; the file is in the
// page cache after the first round, as it is when a file manager has just
// shown it.
//
//   bench/fetch-photos
//   cmake -S . -B build-bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DTOVALIN_BUILD_BENCH=ON
//   cmake --build build-bench --target drop_bench
//   build-bench/bench/drop_bench --benchmark_repetitions=7 --benchmark_report_aggregates_only=true
//
// The 12-megapixel JPEG (4000 x 3000, by ImageMagick) and the 10,000 x
// 10,000 PNG are made from the fetched 20 MP photo on the first run, into
// the build folder.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QImage>
#include <QDragEnterEvent>
#include <QMimeData>
#include <QUrl>
#include <QWindow>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

#include "app/windows.h"
#include "forms/picture_box.h"
#include "forms/runtime.h"
#include "forms/window.h"

namespace {

namespace fs = std::filesystem;
using namespace tovalin;

forms::Window* g_window = nullptr;

// A photo made once from the fetched one; empty when it cannot be.
fs::path made(const std::string& name, const std::string& how) {
    const fs::path src = fs::path(TOVALIN_PHOTOS) / "baseline.jpg";
    const fs::path out = fs::path(TOVALIN_BENCH_FILES) / name;
    if (fs::exists(out)) return out;
    if (!fs::exists(src)) return {};
    fs::create_directories(out.parent_path());
    const fs::path part = out.string() + ".part";
    const std::string cmd = "convert '" + src.string() + "' " + how + " '" + part.string() + "'";
    if (std::system(cmd.c_str()) != 0) return {};
    fs::rename(part, out);
    return out;
}

// The 20 MP photo stretched to 10,000 x 10,000 and written as a PNG. Made
// with Qt: Debian's ImageMagick policy caps a picture at 128 megapixels of
// pixel cache in 256 MiB of memory, which a picture this size needs more of.
fs::path made_huge_png() {
    const fs::path src = fs::path(TOVALIN_PHOTOS) / "baseline.jpg";
    const fs::path out = fs::path(TOVALIN_BENCH_FILES) / "10000x10000.png";
    if (fs::exists(out)) return out;
    if (!fs::exists(src)) return {};
    fs::create_directories(out.parent_path());
    const QImage photo(QString::fromStdString(src.string()));
    if (photo.isNull()) return {};
    const QImage huge = photo.scaled(10000, 10000, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                            .convertToFormat(QImage::Format_RGB888);
    const fs::path part = out.string() + ".part";
    if (huge.isNull() || !huge.save(QString::fromStdString(part.string()), "PNG")) return {};
    fs::rename(part, out);
    return out;
}

void drop_to_repaint(benchmark::State& state, const fs::path& file, int slot) {
    if (file.empty()) {
        state.SkipWithError("photo missing: run bench/fetch-photos");
        return;
    }
    auto& box = *g_window->control<forms::PictureBox>("图片框" + std::to_string(slot));
    QWindow* native = g_window->windowHandle();
    const QPoint at = box.mapTo(g_window, box.rect().center());
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(QString::fromStdString(file.string()))});
    const Qt::DropActions allowed = Qt::CopyAction | Qt::MoveAction | Qt::LinkAction;

    auto drop = [&] {
        QDragEnterEvent enter(at, allowed, &data, Qt::LeftButton, {});
        QApplication::sendEvent(native, &enter);
        QDragMoveEvent move(at, allowed, &data, Qt::LeftButton, {});
        QApplication::sendEvent(native, &move);
        QDropEvent release(QPointF(at), allowed, &data, Qt::LeftButton, {});
        QApplication::sendEvent(native, &release);
        box.repaint();
    };
    drop();
    if (box.preview().empty()) {
        state.SkipWithError("the drop did not show a picture");
        return;
    }
    for (auto _ : state) drop();
    state.SetLabel(std::to_string(fs::file_size(file) / 1024) + " KiB");
}

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    benchmark::Initialize(&argc, argv);
    forms::Runtime runtime(argc, argv, app::window_set);
    if (!runtime.load("MainWindow")) return 1;
    g_window = runtime.window("MainWindow");

    const fs::path jpeg_12mp = made("12mp.jpg", "-resize 4000x3000! -quality 92");
    const fs::path png_100mp = made_huge_png();
    const fs::path photos = TOVALIN_PHOTOS;
    // A card slot: no household rule to run.
    benchmark::RegisterBenchmark("drop_to_repaint/jpeg_12MP", drop_to_repaint, jpeg_12mp, 1)
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime();
    benchmark::RegisterBenchmark("drop_to_repaint/progressive_jpeg_13MP", drop_to_repaint,
                                 fs::exists(photos / "progressive.jpg") ? photos / "progressive.jpg" : fs::path(), 1)
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime();
    // A household slot: the rule runs after the picture is set.
    benchmark::RegisterBenchmark("drop_to_repaint/jpeg_12MP_household", drop_to_repaint, jpeg_12mp, 5)
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime();
    benchmark::RegisterBenchmark("drop_to_repaint/png_10000x10000", drop_to_repaint, png_100mp, 2)
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime();
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
