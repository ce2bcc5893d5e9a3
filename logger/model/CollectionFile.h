#pragma once

#include "MemoryImage.h"

#include <QString>

namespace tc4dl {

// The transfer file and collection files (.ch4) hold the same thing: the leading part of the
// meter's logger memory, byte for byte, as far as the header's LastAddress reaches. There is
// no signature, version or checksum; the decoder's checks are the only checks.

// Largest collection file the program reads: the largest memory many times over. A memory
// image is never larger than 128 KiB; anything far beyond is not one, and reading it whole
// would only cost memory.
inline constexpr qint64 kMaxCollectionFileBytes = 1024 * 1024;

// The name of the transfer file inside its folder.
inline constexpr const char* kTransferFileName = "DataSetsTemp.tmp";
// The whole memory image of a load whose error was fixed, beside the transfer file (with the
// time of the fix in its name).
inline constexpr const char* kReceivedImageName = "DataSetsReceived.ch4";

// The transfer file's path: "temp/DataSetsTemp.tmp" in `programFolder` when that folder is
// writable (or its temp folder exists and is), else the same inside `userDataFolder`.
[[nodiscard]] QString transferFilePath(const QString& programFolder, const QString& userDataFolder);

// Writes the first LastAddress + 257 bytes of the image (as far as the image reaches) to
// `path`, creating its folder when missing. Either the whole file is replaced or the old one
// stays as it was: a crash or a full disk never leaves half a file. False with a reason in
// *error (the folder path when the folder cannot be created) on any failure.
[[nodiscard]] bool writeTransferFile(const MemoryImage& image, const QString& path, QString* error);
// The same with the bytes collectionBytes() gave for the image.
[[nodiscard]] bool writeTransferFile(const QByteArray& bytes, const QString& path, QString* error);

// What a collection save of `image` writes: its first LastAddress + 257 bytes, as far as the
// image reaches; empty when the image is too short to hold a header.
[[nodiscard]] QByteArray collectionBytes(const MemoryImage& image);

// Writes every byte of `image` as received, also those past a bad data set, to `path`: kept for
// recovering the later sets by other means. It still holds the bad set, so this program does not
// open it as a collection.
[[nodiscard]] bool writeReceivedImage(
    const MemoryImage& image, const QString& path, QString* error);

struct CollectionRead {
    enum class Status { Read, CannotOpen, Empty, TooLarge };
    Status status = Status::CannotOpen;
    QString error; // why, for the command line and the log
};

// Reads the whole file, of any length up to kMaxCollectionFileBytes, into `image` and sets
// MemoryEnd to the header's LastAddress (-1 when the file is too short to hold one). On any
// status but Read the image is left empty. Devices and pipes are read only up to the limit.
[[nodiscard]] CollectionRead readCollectionFile(const QString& path, MemoryImage& image);

} // namespace tc4dl
