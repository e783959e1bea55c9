// Closing the window while its readers run, on the program's own start-up and exit path in a child
// process: many runs, each closed at a random moment of a recognition, each must end by itself within
// a second of the close, with status 0 and without a sanitizer report.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace fs = std::filesystem;

namespace {

std::string windowProgram;  // the window test program, whose child modes close a window like the program

long long MonotonicMicroseconds() {
    timespec now{};
    ::clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<long long>(now.tv_sec) * 1000000 + now.tv_nsec / 1000;
}

std::string ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

struct ChildRun {
    bool exited = false;    // ended by itself, not by a signal or by our kill after the time limit
    int status = -1;        // exit status when exited
    int signal = 0;         // the signal that ended it, if one did
    bool killed = false;    // still running at the time limit (a hang)
    long long endedAt = 0;  // MonotonicMicroseconds when the parent saw it end
    std::string out, err;
};

// Runs the window program with args, its stdout and stderr caught in files; kills it after limit.
ChildRun RunChild(const std::vector<std::string>& args, std::chrono::seconds limit) {
    static int counter = 0;
    const std::string stem =
        "marksheet-closing-" + std::to_string(::getpid()) + "-" + std::to_string(counter++);
    const fs::path outPath = fs::temp_directory_path() / (stem + ".out");
    const fs::path errPath = fs::temp_directory_path() / (stem + ".err");
    ChildRun run;
    const pid_t pid = ::fork();
    if (pid == 0) {
        const int in = ::open("/dev/null", O_RDONLY);
        const int out = ::open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        const int err = ::open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        if (in < 0 || out < 0 || err < 0) ::_exit(126);
        ::dup2(in, 0);
        ::dup2(out, 1);
        ::dup2(err, 2);
        std::vector<char*> argv{const_cast<char*>(windowProgram.c_str())};
        for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        ::execv(windowProgram.c_str(), argv.data());
        ::_exit(127);
    }
    if (pid < 0) return run;
    // Poll rather than block, so that a hang is cut off and the end is timed to about a millisecond.
    const long long deadline = MonotonicMicroseconds() + std::chrono::microseconds(limit).count();
    int status = 0;
    for (;;) {
        const pid_t done = ::waitpid(pid, &status, WNOHANG);
        if (done == pid) {
            run.endedAt = MonotonicMicroseconds();
            break;
        }
        if (MonotonicMicroseconds() > deadline) {
            run.killed = true;
            ::kill(pid, SIGKILL);
            ::waitpid(pid, &status, 0);
            break;
        }
        std::this_thread::sleep_for(std::chrono::microseconds(500));
    }
    if (!run.killed && WIFEXITED(status)) {
        run.exited = true;
        run.status = WEXITSTATUS(status);
    } else if (WIFSIGNALED(status)) {
        run.signal = WTERMSIG(status);
    }
    run.out = ReadFile(outPath);
    run.err = ReadFile(errPath);
    fs::remove(outPath);
    fs::remove(errPath);
    return run;
}

// The value after "key " on a line of the child's output; -1 when absent.
long long Field(const std::string& out, const std::string& key) {
    std::istringstream lines(out);
    for (std::string line; std::getline(lines, line);)
        if (line.starts_with(key + " ")) return std::stoll(line.substr(key.size() + 1));
    return -1;
}

// What the sanitizers print when they find something; none may appear in a child's stderr.
bool HasSanitizerReport(const std::string& err) {
    for (const char* mark :
         {"ERROR: AddressSanitizer", "ERROR: LeakSanitizer", "runtime error:", "WARNING: ThreadSanitizer",
          "SUMMARY: AddressSanitizer", "SUMMARY: UndefinedBehaviorSanitizer"})
        if (err.find(mark) != std::string::npos) return true;
    return false;
}

// Each child starts in well under a second, with the sanitizers too: sixty runs take about 10 s in the
// normal build and about 30 s in the AddressSanitizer one.
constexpr int CloseRuns = 60;

TEST(ClosingWhileReading, EveryRunEndsWithinASecondOfTheCloseWithStatusZero) {
    // How long one recognition takes here, in this build: the closing moments are spread over it.
    std::vector<long long> lengths;
    for (int i = 0; i < 3; ++i) {
        const ChildRun timing = RunChild({"--time-recognition"}, std::chrono::seconds(120));
        ASSERT_TRUE(timing.exited && timing.status == 0) << "timing run failed: " << timing.err;
        ASSERT_FALSE(HasSanitizerReport(timing.err)) << timing.err;
        lengths.push_back(Field(timing.out, "recognition"));
        ASSERT_GT(lengths.back(), 0) << timing.out;
    }
    std::sort(lengths.begin(), lengths.end());
    const long long recognition = lengths[1];

    // A fixed seed, so a failing moment can be run again; MARKSHEET_CLOSE_SEED tries others.
    unsigned seed = 20261211;
    if (const char* given = std::getenv("MARKSHEET_CLOSE_SEED"))
        seed = static_cast<unsigned>(std::stoul(given));
    std::mt19937 random(seed);
    // A little past the end too: closing just after the readers finished must be as quick.
    std::uniform_int_distribution<long long> moment(0, recognition + recognition / 10);

    std::vector<long long> latencies;
    for (int run = 0; run < CloseRuns; ++run) {
        const long long delay = moment(random);
        const bool busy = run % 2 == 0;
        const ChildRun child =
            RunChild({"--close-while-reading", std::to_string(delay), busy ? "busy" : "live"},
                     std::chrono::seconds(60));
        const std::string what = "run " + std::to_string(run) + " (seed " + std::to_string(seed) +
                                 ", closed " + std::to_string(delay) + " us into a recognition of " +
                                 std::to_string(recognition) + " us, main thread " +
                                 (busy ? "busy" : "running events") + ")";
        ASSERT_FALSE(child.killed) << what << ": still running after 60 s\n" << child.err;
        ASSERT_TRUE(child.exited) << what << ": ended by signal " << child.signal << "\n" << child.err;
        EXPECT_EQ(child.status, 0) << what << "\n" << child.err;
        EXPECT_FALSE(HasSanitizerReport(child.err)) << what << "\n" << child.err;
        const long long closedAt = Field(child.out, "close");
        ASSERT_GT(closedAt, 0) << what << ": the child never closed its window\n" << child.out << child.err;
        const long long latency = child.endedAt - closedAt;
        EXPECT_LT(latency, 1000000) << what << ": ended " << latency << " us after the close";
        latencies.push_back(latency);
    }
    std::sort(latencies.begin(), latencies.end());
    std::printf(
        "%d closes over a recognition of %lld us (seed %u): exit after the close median %lld us, "
        "slowest %lld us\n",
        CloseRuns, recognition, seed, latencies[latencies.size() / 2], latencies.back());
}

}  // namespace

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg.starts_with("--window-tests=")) windowProgram = arg.substr(15);
    }
    if (windowProgram.empty()) {
        std::fprintf(stderr, "usage: closing_tests --window-tests=PATH\n");
        return 2;
    }
    return RUN_ALL_TESTS();
}
