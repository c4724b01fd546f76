// Starts each of the given programs RUNS times, round-robin so that they
// share whatever the machine is doing, and prints for each the median,
// lowest and highest time from the spawn to its first paint, and its
// median resident memory then. Each program reports through first_paint.h.
//
//   startup_bench RUNS PROGRAM [ARG...] [-- PROGRAM [ARG...]]...
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>
#include <vector>

extern char** environ;

namespace {

struct Sample {
    double ms = 0;
    double rss_mb = 0;
    double hwm_mb = 0;
};

long long monotonic_ns() {
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return t.tv_sec * 1000000000LL + t.tv_nsec;
}

bool run_once(const std::vector<std::string>& command, Sample& out) {
    int pipe_fds[2];
    if (pipe(pipe_fds) != 0) return false;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipe_fds[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, pipe_fds[0]);
    std::vector<char*> argv;
    for (const std::string& a : command) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);

    pid_t pid = 0;
    const long long start = monotonic_ns();
    const int rc = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(pipe_fds[1]);
    if (rc != 0) {
        close(pipe_fds[0]);
        return false;
    }
    std::string output;
    char buffer[256];
    for (ssize_t n; (n = read(pipe_fds[0], buffer, sizeof buffer)) > 0;) output.append(buffer, static_cast<std::size_t>(n));
    close(pipe_fds[0]);
    int status = 0;
    waitpid(pid, &status, 0);

    long long painted = 0;
    long rss = 0, hwm = 0;
    const auto at = output.find("first_paint_ns=");
    if (at == std::string::npos ||
        std::sscanf(output.c_str() + at, "first_paint_ns=%lld rss_kb=%ld hwm_kb=%ld", &painted, &rss, &hwm) != 3)
        return false;
    out = {(painted - start) / 1e6, rss / 1024.0, hwm / 1024.0};
    return true;
}

template <class F>
double median(std::vector<Sample> samples, F field) {
    std::sort(samples.begin(), samples.end(), [&](const Sample& a, const Sample& b) { return field(a) < field(b); });
    const std::size_t n = samples.size();
    return n % 2 ? field(samples[n / 2]) : (field(samples[n / 2 - 1]) + field(samples[n / 2])) / 2;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: startup_bench RUNS PROGRAM [ARG...] [-- PROGRAM [ARG...]]...\n");
        return 2;
    }
    const int runs = std::atoi(argv[1]);
    std::vector<std::vector<std::string>> commands(1);
    for (int i = 2; i < argc; ++i) {
        if (std::strcmp(argv[i], "--") == 0) commands.emplace_back();
        else commands.back().push_back(argv[i]);
    }
    std::vector<std::vector<Sample>> samples(commands.size());
    // One round first that is not counted: it fills the page cache and the
    // font caches for all of them alike.
    for (int round = -1; round < runs; ++round) {
        for (std::size_t c = 0; c < commands.size(); ++c) {
            Sample s;
            if (!run_once(commands[c], s)) {
                std::fprintf(stderr, "%s did not report a first paint\n", commands[c][0].c_str());
                return 1;
            }
            if (round >= 0) samples[c].push_back(s);
        }
    }
    std::printf("%d runs each\n%-60s %9s %9s %9s %9s %9s\n", runs, "program",
                "median ms", "min ms", "max ms", "RSS MB", "peak MB");
    for (std::size_t c = 0; c < commands.size(); ++c) {
        std::string label;
        for (const std::string& a : commands[c]) label += (label.empty() ? "" : " ") + a.substr(a.rfind('/') + 1);
        const auto ms = [](const Sample& s) { return s.ms; };
        const auto lo = std::min_element(samples[c].begin(), samples[c].end(), [](auto& a, auto& b) { return a.ms < b.ms; });
        const auto hi = std::max_element(samples[c].begin(), samples[c].end(), [](auto& a, auto& b) { return a.ms < b.ms; });
        std::printf("%-60s %9.1f %9.1f %9.1f %9.1f %9.1f\n", label.c_str(), median(samples[c], ms), lo->ms, hi->ms,
                    median(samples[c], [](const Sample& s) { return s.rss_mb; }),
                    median(samples[c], [](const Sample& s) { return s.hwm_mb; }));
    }
    if (commands.size() >= 2) {
        const auto ms = [](const Sample& s) { return s.ms; };
        std::printf("ratio of the medians, second to first: %.2f\n", median(samples[1], ms) / median(samples[0], ms));
    }
    return 0;
}
