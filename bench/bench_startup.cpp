// Start-up time and peak memory of the whole demo, headless: the real start-up (sound library,
// module, fonts, picture, atlas) on the offscreen window back-end, the question answered No, from
// the moment the process is made to its first presented frame; then a key ends the run.
//
//   deluge_startup_bench [--runs N] RUN_DIR
//
// Each run is a fresh child process working in RUN_DIR (the folder with fmod.dll and the module).
// Prints the median start-up (wall and CPU time) and the largest peak resident set of the runs
// as "name: value" lines.
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>
#include <vector>

#include "app/deluge.h"
#include "platform/win32/win32.h"
#include "platform/window/window_offscreen.h"

namespace {

const char usage[] = "usage: deluge_startup_bench [--runs N] RUN_DIR\n";

int64_t clockNs(clockid_t clock) {
    timespec now{};
    clock_gettime(clock, &now);
    return int64_t(now.tv_sec) * 1000000000 + now.tv_nsec;
}

int reportFd = -1;

// The moment of the first present goes to the parent (the monotonic clock is the same in every
// process), with the CPU time this process has used until then, which a busy machine disturbs less.
void reportFirstPresent(const Surface&, int64_t presents, void*) {
    if (presents != 1) return;
    int64_t report[2] = {clockNs(CLOCK_MONOTONIC), clockNs(CLOCK_PROCESS_CPUTIME_ID)};
    if (write(reportFd, report, sizeof report) != sizeof report) _exit(3);
}

[[noreturn]] void runChild(int fd) {
    reportFd = fd;
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    OffscreenScript script;
    script.messageBoxAnswers = {IDNO};
    script.keyAfterPresents = 1;
    script.onPresent = reportFirstPresent;
    offscreenConfigure(script);
    runDeluge();
    _exit(0);
}

struct RunResult {
    double startupMs = 0;
    double startupCpuMs = 0;
    double peakRssMb = 0;
};

// One child in runDir; false when it could not be started or did not present a frame.
bool runOnce(const char* self, const char* runDir, RunResult* result) {
    int channel[2];
    if (pipe(channel) != 0) return false;
    int64_t start = clockNs(CLOCK_MONOTONIC);
    pid_t child = fork();
    if (child < 0) return false;
    if (child == 0) {
        close(channel[0]);
        std::string fd = std::to_string(channel[1]);
        if (chdir(runDir) != 0) _exit(127);
        execl(self, self, "--child", fd.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    close(channel[1]);
    int64_t report[2] = {};
    ssize_t got;
    do got = read(channel[0], report, sizeof report);
    while (got < 0 && errno == EINTR);
    close(channel[0]);
    int status = 0;
    rusage usage{};
    if (wait4(child, &status, 0, &usage) != child) return false;
    if (got != sizeof report || !WIFEXITED(status) || WEXITSTATUS(status) != 0) return false;
    result->startupMs = double(report[0] - start) / 1e6;
    result->startupCpuMs = double(report[1]) / 1e6;
    result->peakRssMb = double(usage.ru_maxrss) / 1024.0;  // kilobytes
    return true;
}

// This program's own path: the child starts it again after changing into the run folder.
std::string selfPath() {
    char path[PATH_MAX];
    ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
    if (n <= 0) return {};
    path[n] = 0;
    return path;
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 3 && std::strcmp(argv[1], "--child") == 0) runChild(std::atoi(argv[2]));
    int runs = 9;
    int next = 1;
    if (argc == 4 && std::strcmp(argv[1], "--runs") == 0) {
        runs = std::atoi(argv[2]);
        next = 3;
    }
    if (argc != next + 1 || runs < 1 || runs > 1000) {
        std::fputs(usage, stderr);
        return 2;
    }
    std::string self = selfPath();
    const char* runDir = argv[next];
    std::vector<double> startups, cpuTimes;
    double peakRssMb = 0;
    for (int i = 0; i < runs; ++i) {
        RunResult result;
        if (self.empty() || !runOnce(self.c_str(), runDir, &result)) {
            std::fprintf(stderr, "deluge_startup_bench: run %d in %s did not present a frame\n", i + 1, runDir);
            return 1;
        }
        startups.push_back(result.startupMs);
        cpuTimes.push_back(result.startupCpuMs);
        peakRssMb = std::max(peakRssMb, result.peakRssMb);
    }
    std::printf("startup runs (ms):");
    for (double ms : startups) std::printf(" %.1f", ms);
    std::printf("\nstartup_ms: %.1f\nstartup_cpu_ms: %.1f\npeak_rss_headless_mb: %.1f\n", median(startups),
                median(cpuTimes), peakRssMb);
}
