// Encoding a full-HD screen picture as the capture does (JPEG quality 90, then base64), beside
// libjpeg-turbo's own cjpeg run as a process on the same pixels (start-up and file reading included).
// Prints the ratio of the two at the end.

#include <benchmark/benchmark.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <map>
#include <random>
#include <string>

#include "support/Base64.h"
#include "support/JpegEncoder.h"

extern char** environ;

namespace {

using tesra::platform::Picture;

// Desktop-like content: smooth gradients, windows with hard edges, and rows of noisy "text".
Picture ScreenLikePicture(int width, int height) {
    Picture p{width, height, std::vector<std::uint8_t>(static_cast<size_t>(width) * height * 3)};
    std::mt19937 random(1234);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            std::uint8_t* px = &p.rgb[(static_cast<size_t>(y) * width + x) * 3];
            px[0] = static_cast<std::uint8_t>(x * 255 / width);
            px[1] = static_cast<std::uint8_t>(y * 255 / height);
            px[2] = static_cast<std::uint8_t>((x + y) / 8);
            bool window = (x / 480 + y / 270) % 2 == 0 && x % 480 > 20 && y % 270 > 30;
            if (window) px[0] = px[1] = px[2] = 240;
            bool text = window && (y % 18) < 12 && (x % 480) > 40 && (x % 480) < 440;
            if (text && random() % 3 == 0) px[0] = px[1] = px[2] = static_cast<std::uint8_t>(random() % 80);
        }
    }
    return p;
}

const Picture& Screen() {
    static const Picture picture = ScreenLikePicture(1920, 1080);
    return picture;
}

std::string PpmPath() {
    static const std::string path = [] {
        char folder[] = "/tmp/capture_bench.XXXXXX";
        if (!mkdtemp(folder)) std::abort();
        std::string file = std::string(folder) + "/screen.ppm";
        std::ofstream out(file, std::ios::binary);
        out << "P6\n" << Screen().width << " " << Screen().height << "\n255\n";
        out.write(reinterpret_cast<const char*>(Screen().rgb.data()),
                  static_cast<std::streamsize>(Screen().rgb.size()));
        return file;
    }();
    return path;
}

// Runs cjpeg with its output going to outFile; false when it could not run or failed.
bool RunCjpeg(const std::string& outFile) {
    std::string ppm = PpmPath();
    const char* argv[] = {"cjpeg", "-quality", "90", "-outfile", outFile.c_str(), ppm.c_str(), nullptr};
    pid_t pid = 0;
    if (posix_spawnp(&pid, "cjpeg", nullptr, nullptr, const_cast<char**>(argv), environ) != 0) return false;
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

void EncodeJpeg90(benchmark::State& state) {
    for (auto _ : state) benchmark::DoNotOptimize(tesra::EncodeJpeg(Screen(), 90));
}

void EncodeJpeg90AndBase64(benchmark::State& state) {
    for (auto _ : state) benchmark::DoNotOptimize(tesra::StreamToBase64(tesra::EncodeJpeg(Screen(), 90)));
}

void Base64OfJpeg(benchmark::State& state) {
    std::string jpeg = tesra::EncodeJpeg(Screen(), 90);
    for (auto _ : state) benchmark::DoNotOptimize(tesra::StreamToBase64(jpeg));
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * jpeg.size()));
}

void CjpegProcess(benchmark::State& state) {
    for (auto _ : state) {
        if (!RunCjpeg("/dev/null")) state.SkipWithError("cjpeg did not run");
    }
}

BENCHMARK(EncodeJpeg90)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(EncodeJpeg90AndBase64)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(Base64OfJpeg)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(CjpegProcess)->Unit(benchmark::kMillisecond)->UseRealTime();

// Keeps each benchmark's real time per iteration, to print the ratio at the end.
class Reporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) times[run.benchmark_name()] = run.GetAdjustedRealTime();
        ConsoleReporter::ReportRuns(runs);
    }
    std::map<std::string, double> times;
};

void PrintComparison(const Reporter& reporter) {
    auto ours = reporter.times.find("EncodeJpeg90AndBase64/real_time");
    auto cjpeg = reporter.times.find("CjpegProcess/real_time");
    if (ours == reporter.times.end() || cjpeg == reporter.times.end()) return;
    std::printf("\nJPEG 90 + base64 in process / cjpeg -quality 90 as a process: %.3f\n", ours->second / cjpeg->second);

    std::string file = PpmPath() + ".jpg";
    if (!RunCjpeg(file)) return;
    std::ifstream in(file, std::ios::binary);
    std::string theirs((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::string mine = tesra::EncodeJpeg(Screen(), 90);
    std::printf("output: %zu bytes, cjpeg %zu bytes, identical: %s\n", mine.size(), theirs.size(),
                mine == theirs ? "yes" : "no");
    std::remove(file.c_str());
}

void RemovePpm() {
    std::string ppm = PpmPath();
    std::remove(ppm.c_str());
    rmdir(ppm.substr(0, ppm.rfind('/')).c_str());
}

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    Reporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    PrintComparison(reporter);
    RemovePpm();
    benchmark::Shutdown();
    return 0;
}
