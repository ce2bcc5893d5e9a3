#pragma once

namespace tc4dl::cli {

// Exit codes of tc4dl-cli, one per cause, for scripts. Listed in --help and the README.
enum ExitCode {
    Ok = 0,
    Usage = 1, // wrong arguments, or erase without --yes
    NoMeter = 2, // no meter answered
    CannotOpen = 3, // the port cannot be opened (or borrowed)
    LinkLost = 4, // the link to the meter failed
    MeterRecording = 5, // the meter records; nothing was asked of it
    NoAnswer = 6, // no answer to the size query or a set-up command, or the size rejected
    TransferIncomplete = 7, // fewer bytes than the memory holds
    DataError = 8, // a data set failed its checks
    MemoryError = 9, // the memory header counts more than 4000 sets
    NoData = 10, // no data set in memory or file
    CannotWrite = 11, // an output file or the standard output cannot be written; nothing
                      // partial is left in a file
    InvalidInput = 12, // an interval out of range, a set number that does not exist
    CannotRead = 13, // a collection file cannot be read
    Alarm = 14, // monitor --exit-on-alarm: an alarm was raised
    ArchiveFailed = 15, // the archive cannot be opened, written or is damaged
    HttpFailed = 16, // the live page cannot be served: its address, token file or certificate
    Interrupted = 130, // Ctrl-C: the transfer was stopped, nothing written
    Terminated = 143, // SIGTERM, likewise
};

} // namespace tc4dl::cli
