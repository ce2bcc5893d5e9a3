#include "StopSignals.h"

#include <csignal>
#include <cstdlib>

namespace tc4dl::cli::stop {

namespace {

std::atomic<bool> g_requested { false };
std::atomic<int> g_signal { 0 };
std::atomic<int> g_cleanupScopes { 0 };

static_assert(std::atomic<int>::is_always_lock_free && std::atomic<bool>::is_always_lock_free,
    "the signal handler may only touch lock-free atomics");

int codeFor(int signal)
{
    return signal == SIGTERM ? 143 : 130;
}

extern "C" void onStopSignal(int signal)
{
    int expected = 0;
    g_signal.compare_exchange_strong(expected, signal);
    g_requested = true;
    // Nothing to finish: end here, even in the middle of a blocking read or open. std::_Exit
    // may be called in a signal handler and writes nothing that is buffered.
    if (g_cleanupScopes.load() == 0)
        std::_Exit(codeFor(g_signal.load()));
}

} // namespace

void install()
{
    std::signal(SIGINT, onStopSignal);
    std::signal(SIGTERM, onStopSignal);
}

const std::atomic<bool>& requested()
{
    return g_requested;
}

int exitCode()
{
    const int signal = g_signal.load();
    return signal == 0 ? 0 : codeFor(signal);
}

const char* sentence()
{
    return g_signal.load() == SIGTERM ? "Terminated: nothing was written.\n"
                                      : "Interrupted: nothing was written.\n";
}

CleanupScope::CleanupScope()
{
    ++g_cleanupScopes;
}

CleanupScope::~CleanupScope()
{
    --g_cleanupScopes;
}

} // namespace tc4dl::cli::stop
