// Full decodes against decodes for a picture box (150 x 90), on real photos,
// with Qt's own scaled read (QImageReader::setScaledSize) measured in the same
// run as the reference a Qt programmer would reach for.
//
//   bench/fetch-photos
//   cmake -S . -B build-bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DTOVALIN_BUILD_BENCH=ON
//   cmake --build build-bench --target decode_bench
//   build-bench/bench/decode_bench --benchmark_repetitions=7 --benchmark_report_aggregates_only=true
#include <benchmark/benchmark.h>

#include <QBuffer>
#include <QByteArray>
#include <QImage>
#include <QImageReader>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#include "picture/draw.h"
#include "picture/picture.h"

namespace {

using namespace tovalin::picture;

constexpr Size kBox{150, 90};
constexpr Rgb kSlot{128, 160, 128};

const std::vector<std::uint8_t>& photo(const std::string& name) {
    static std::map<std::string, std::vector<std::uint8_t>> cache;
    auto& bytes = cache[name];
    if (bytes.empty()) {
        std::ifstream in(std::string(TOVALIN_PHOTOS) + "/" + name, std::ios::binary);
        bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    return bytes;
}

bool have(benchmark::State& state, const std::vector<std::uint8_t>& bytes) {
    if (!bytes.empty()) return true;
    state.SkipWithError("photo missing: run bench/fetch-photos");
    return false;
}

void full_decode(benchmark::State& state, const std::string& name) {
    const auto& bytes = photo(name);
    if (!have(state, bytes)) return;
    for (auto _ : state) {
        auto image = decode(bytes);
        if (!image) state.SkipWithError("does not decode");
        benchmark::DoNotOptimize(image->pixels.bgra.data());
    }
}

// What a picture box does: decode for its size, flatten, place, scale.
void box_preview(benchmark::State& state, const std::string& name) {
    const auto& bytes = photo(name);
    if (!have(state, bytes)) return;
    DecodeOptions options;
    options.target = kBox;
    for (auto _ : state) {
        auto image = decode(bytes, options);
        if (!image) state.SkipWithError("does not decode");
        flatten(image->pixels, kSlot);
        const Rect r = box_rect(BoxMode::Centre, kBox, image->natural);
        auto preview = resample(image->pixels, {r.w, r.h}, Scaling::Smooth);
        benchmark::DoNotOptimize(preview->bgra.data());
    }
}

void qt_scaled_read(benchmark::State& state, const std::string& name) {
    const auto& bytes = photo(name);
    if (!have(state, bytes)) return;
    const QByteArray data(reinterpret_cast<const char*>(bytes.data()), static_cast<qsizetype>(bytes.size()));
    DecodeOptions options;
    options.target = kBox;
    const Size natural = decode(bytes, options)->natural;
    const Rect r = box_rect(BoxMode::Centre, kBox, natural);
    for (auto _ : state) {
        QBuffer buffer;
        buffer.setData(data);
        QImageReader reader(&buffer);
        reader.setAutoTransform(true);
        reader.setScaledSize(QSize(r.w, r.h));
        QImage image = reader.read();
        if (image.isNull()) state.SkipWithError("Qt cannot read it");
        benchmark::DoNotOptimize(image.constBits());
    }
}

void qt_full_read(benchmark::State& state, const std::string& name) {
    const auto& bytes = photo(name);
    if (!have(state, bytes)) return;
    const QByteArray data(reinterpret_cast<const char*>(bytes.data()), static_cast<qsizetype>(bytes.size()));
    for (auto _ : state) {
        QImage image = QImage::fromData(data);
        if (image.isNull()) state.SkipWithError("Qt cannot read it");
        benchmark::DoNotOptimize(image.constBits());
    }
}

}  // namespace

#define PHOTO_BENCHMARKS(label, file)                                                              \
    BENCHMARK_CAPTURE(full_decode, label, file)->Unit(benchmark::kMillisecond)->UseRealTime();    \
    BENCHMARK_CAPTURE(box_preview, label, file)->Unit(benchmark::kMillisecond)->UseRealTime();    \
    BENCHMARK_CAPTURE(qt_scaled_read, label, file)->Unit(benchmark::kMillisecond)->UseRealTime();

PHOTO_BENCHMARKS(baseline_20MP, "baseline.jpg")
PHOTO_BENCHMARKS(progressive_13MP, "progressive.jpg")
PHOTO_BENCHMARKS(progressive_13MP_made_baseline, "progressive-as-baseline.jpg")
BENCHMARK_CAPTURE(full_decode, png_20MP, "large.png")->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(qt_full_read, png_20MP, "large.png")->Unit(benchmark::kMillisecond)->UseRealTime();

BENCHMARK_MAIN();
