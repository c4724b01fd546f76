// The program's own decoders (BMP, GIF, PCX) on large files made from a real
// photo, in megapixels per second, beside stb_image (BMP and GIF) and
// ImageMagick in-process (all three, and the only one of them to read PCX),
// on the same bytes in the same run. Every decoder ends with 8-bit pixels in
// memory; ImageMagick is held to one thread, as the others run on one.
//
//   bench/fetch-photos
//   cmake -S . -B build-bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DTOVALIN_BUILD_BENCH=ON
//   cmake --build build-bench --target own_decoders_bench
//   build-bench/bench/own_decoders_bench --benchmark_repetitions=5 --benchmark_report_aggregates_only=true
//
// The files are made once with `convert` into the build folder, from
// bench/photos/progressive.jpg (13 MP), or from ImageMagick's rose resized to
// 12 MP where the photos have not been fetched.
#include <Magick++.h>
#include <benchmark/benchmark.h>
#include <stb_image.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#include "picture/picture.h"

namespace {

namespace fs = std::filesystem;
using namespace tovalin::picture;

struct Sample {
    const char* file;
    const char* convert_options;
    const char* output_prefix;  // the format, where the name's ending would not say it all
};

// GIF and 8-bit PCX through ImageMagick's own 256-colour quantisation with
// its dithering: a photo's worst case for LZW and run-length coding alike.
const std::map<std::string, Sample> kSamples = {
    {"BMP 24-bit", {"photo-24.bmp", "-type TrueColor", "BMP3:"}},
    {"GIF 256 colours", {"photo.gif", "-colors 256", ""}},
    {"PCX 24-bit", {"photo-24.pcx", "-type TrueColor", ""}},
    {"PCX 256 colours", {"photo-8.pcx", "-colors 256 -type Palette", ""}},
};

const std::vector<std::uint8_t>& sample(const std::string& name) {
    static std::map<std::string, std::vector<std::uint8_t>> cache;
    auto& bytes = cache[name];
    if (!bytes.empty()) return bytes;
    const Sample& s = kSamples.at(name);
    const fs::path dir = TOVALIN_BENCH_FILES;
    const fs::path path = dir / s.file;
    if (!fs::exists(path)) {
        fs::create_directories(dir);
        const fs::path photo = fs::path(TOVALIN_PHOTOS) / "progressive.jpg";
        std::string command = "convert ";
        command += fs::exists(photo) ? photo.string() : std::string("rose: -resize 4000x3000!");
        for (const char* part : {" ", s.convert_options, " ", s.output_prefix}) command += part;
        command += path.string();
        if (std::system(command.c_str()) != 0) return bytes;
    }
    std::ifstream in(path, std::ios::binary);
    bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return bytes;
}

// Megapixels per second, from the picture's size.
void count(benchmark::State& state, int width, int height) {
    state.counters["MP/s"] = benchmark::Counter(static_cast<double>(width) * height * 1e-6 * static_cast<double>(state.iterations()),
                                                benchmark::Counter::kIsRate);
    state.counters["MP"] = static_cast<double>(width) * height * 1e-6;
}

void ours(benchmark::State& state, const std::string& name) {
    const auto& bytes = sample(name);
    if (bytes.empty()) return state.SkipWithError("no sample file (convert failed)");
    Size size;
    for (auto _ : state) {
        auto image = decode(bytes);
        if (!image) return state.SkipWithError("does not decode");
        size = image->natural;
        benchmark::DoNotOptimize(image->pixels.bgra.data());
    }
    count(state, size.width, size.height);
}

void stb(benchmark::State& state, const std::string& name) {
    const auto& bytes = sample(name);
    if (bytes.empty()) return state.SkipWithError("no sample file (convert failed)");
    int w = 0, h = 0, channels = 0;
    for (auto _ : state) {
        stbi_uc* pixels = stbi_load_from_memory(bytes.data(), static_cast<int>(bytes.size()), &w, &h, &channels, 4);
        if (!pixels) return state.SkipWithError("stb_image does not decode it");
        benchmark::DoNotOptimize(pixels);
        stbi_image_free(pixels);
    }
    count(state, w, h);
}

// Reading into ImageMagick's pixel cache, then 8-bit BGRA out of it, so
// that it ends where the others end.
void magick(benchmark::State& state, const std::string& name) {
    const auto& bytes = sample(name);
    if (bytes.empty()) return state.SkipWithError("no sample file (convert failed)");
    Magick::ResourceLimits::thread(1);
    const Magick::Blob blob(bytes.data(), bytes.size());
    std::size_t w = 0, h = 0;
    std::vector<std::uint8_t> pixels;
    for (auto _ : state) {
        Magick::Image image;
        try {
            image.read(blob);
        } catch (const Magick::Exception& e) {
            return state.SkipWithError(e.what());
        }
        w = image.columns(), h = image.rows();
        pixels.resize(w * h * 4);
        image.write(0, 0, w, h, "BGRA", Magick::CharPixel, pixels.data());
        benchmark::DoNotOptimize(pixels.data());
    }
    count(state, static_cast<int>(w), static_cast<int>(h));
}

void register_all() {
    for (const auto& entry : kSamples) {
        const std::string& name = entry.first;
        benchmark::RegisterBenchmark(("own/" + name).c_str(), ours, name)->Unit(benchmark::kMillisecond);
        if (name.rfind("PCX", 0) != 0)
            benchmark::RegisterBenchmark(("stb_image/" + name).c_str(), stb, name)->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark(("ImageMagick/" + name).c_str(), magick, name)->Unit(benchmark::kMillisecond);
    }
}

}  // namespace

int main(int argc, char** argv) {
    Magick::InitializeMagick(*argv);
    register_all();
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
