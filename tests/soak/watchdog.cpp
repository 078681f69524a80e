#include "soak/watchdog.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <execinfo.h>
#include <unistd.h>

#if defined(__SANITIZE_ADDRESS__)
#define SOAK_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define SOAK_ASAN 1
#endif
#endif

namespace soak {

void ActionLog::add(const std::string& line) {
    say(line);
    const std::lock_guard<std::mutex> lock(mutex_);
    lines_.push_back(line);
    while (lines_.size() > keep_)
        lines_.pop_front();
}

void ActionLog::say(const std::string& line) {
    // One write per line, so that the lines of the sanitizers and of Qt never split one.
    const std::string text = "soak: " + line + "\n";
    std::fwrite(text.data(), 1, text.size(), stderr);
    std::fflush(stderr);
}

std::vector<std::string> ActionLog::latest() const {
    const std::lock_guard<std::mutex> lock(mutex_);
    return {lines_.begin(), lines_.end()};
}

Watchdog::Watchdog(ActionLog& log, std::chrono::milliseconds limit)
    : log_(log), limit_(limit), uiThread_(pthread_self()), lastBeat_(now()),
      thread_([this] { watch(); }) {}

Watchdog::~Watchdog() {
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        stop_ = true;
    }
    wake_.notify_all();
    thread_.join();
}

void Watchdog::beat() {
    lastBeat_.store(now(), std::memory_order_relaxed);
}

std::int64_t Watchdog::now() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

void Watchdog::watch() {
    std::unique_lock<std::mutex> lock(mutex_);
    while (!wake_.wait_for(lock, std::chrono::milliseconds(250), [this] { return stop_; })) {
        if (now() - lastBeat_.load(std::memory_order_relaxed) < limit_.count())
            continue;
        ActionLog::say("no event-loop turn for " + std::to_string(limit_.count() / 1000) + " s");
        ActionLog::say("the last actions were:");
        for (const std::string& line : log_.latest())
            ActionLog::say("  " + line);
        dumpThreads();
        // On the stuck thread, the signal shows where it is stuck.
        pthread_kill(uiThread_, SIGABRT);
        if (wake_.wait_for(lock, std::chrono::seconds(10), [this] { return stop_; }))
            return;
        std::abort();
    }
}

void Watchdog::dumpThreads() {
    // Every thread's stack, from a debugger where there is one: a thread waiting in the kernel
    // (a lock, a socket) shows no stack of its own to a signal.
    if (std::system("command -v gdb >/dev/null 2>&1") != 0)
        return;
    ActionLog::say("the threads' stacks:");
    const std::string command = "gdb -p " + std::to_string(getpid()) +
                                " -batch -nx -ex 'set pagination off' -ex 'thread apply all bt 40'"
                                " 1>&2 2>/dev/null </dev/null";
    (void)!std::system(command.c_str());
}

namespace {

#ifndef SOAK_ASAN
void onFatalSignal(int signal) {
    char text[64];
    const int length = std::snprintf(text, sizeof text, "soak: fatal signal %d; stack:\n", signal);
    if (length > 0)
        (void)!write(STDERR_FILENO, text, static_cast<std::size_t>(length));
    void* frames[64];
    const int count = backtrace(frames, 64);
    backtrace_symbols_fd(frames, count, STDERR_FILENO);
    std::signal(signal, SIG_DFL);
    std::raise(signal);
}
#endif

} // namespace

void printStackOnFatalSignals() {
#ifndef SOAK_ASAN
    // backtrace() loads what it needs on its first call, which a signal handler must not do.
    void* frames[4];
    (void)backtrace(frames, 4);
    for (const int signal : {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT}) {
        struct sigaction action {};
        action.sa_handler = &onFatalSignal;
        sigemptyset(&action.sa_mask);
        action.sa_flags = SA_RESETHAND | SA_NODEFER;
        sigaction(signal, &action, nullptr);
    }
#endif
}

} // namespace soak
