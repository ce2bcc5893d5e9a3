#pragma once

#include <atomic>

namespace tc4dl::cli {

// SIGINT and SIGTERM (Ctrl-C and a plain kill). A command ends on either with exit code 130 or
// 143 and leaves nothing half-written. While nothing needs cleaning up (reading a file, a
// blocked read from a pipe, a scan of the ports) the signal ends the process at once; a command
// that has something to finish (a transfer to stop, a file not to replace) switches that off with
// CleanupScope and asks requested() instead.
namespace stop {

void install();

// Turns true on the first SIGINT or SIGTERM.
[[nodiscard]] const std::atomic<bool>& requested();

// 130 after SIGINT, 143 after SIGTERM, 0 without a signal.
[[nodiscard]] int exitCode();

// The sentence for stderr when a command ends on a signal.
[[nodiscard]] const char* sentence();

// While one lives, a signal only sets requested(); the command finishes what it must and main()
// ends with exitCode().
class CleanupScope {
public:
    CleanupScope();
    ~CleanupScope();
    CleanupScope(const CleanupScope&) = delete;
    CleanupScope& operator=(const CleanupScope&) = delete;
};

} // namespace stop

} // namespace tc4dl::cli
