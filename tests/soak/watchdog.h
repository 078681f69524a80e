#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <pthread.h>
#include <string>
#include <thread>
#include <vector>

namespace soak {

// Every action of a run, one line each on stderr as it happens; the latest ones are also kept
// here, so that a hang or a fatal signal can name them again.
class ActionLog {
public:
    explicit ActionLog(std::size_t keep = 30) : keep_(keep) {}

    // Writes "soak: <line>" to stderr and keeps it.
    void add(const std::string& line);
    // Writes "soak: <line>" to stderr without keeping it.
    static void say(const std::string& line);
    std::vector<std::string> latest() const;

private:
    const std::size_t keep_;
    mutable std::mutex mutex_;
    std::deque<std::string> lines_;
};

// Fails the run when the user-interface thread stops turning its event loop: beat() is called
// by a timer of that thread, and when no beat has come for `limit`, the watchdog names the last
// actions, sends SIGABRT to that thread (so that a sanitizer or the fatal-signal handler shows
// where it is stuck) and, should that not end the process, aborts it itself.
class Watchdog {
public:
    Watchdog(ActionLog& log, std::chrono::milliseconds limit);
    ~Watchdog();
    Watchdog(const Watchdog&) = delete;
    Watchdog& operator=(const Watchdog&) = delete;

    void beat();

private:
    void watch();
    static std::int64_t now();
    static void dumpThreads();

    ActionLog& log_;
    const std::chrono::milliseconds limit_;
    const pthread_t uiThread_;
    std::atomic<std::int64_t> lastBeat_;
    std::mutex mutex_;
    std::condition_variable wake_;
    bool stop_ = false;
    std::thread thread_;
};

// In a build without AddressSanitizer: a fatal signal (SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT)
// prints the stack of the thread it hit before the process dies of it. A sanitizer build keeps
// the sanitizer's own report.
void printStackOnFatalSignals();

} // namespace soak
