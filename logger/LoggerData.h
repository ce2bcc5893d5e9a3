#pragma once

#include "DataSetStore.h"
#include "DecodeMemoryImage.h"
#include "DeviceLease.h"
#include "ExchangeDriver.h"
#include "LoadResult.h"
#include "MemoryDownload.h"
#include "MemoryImage.h"

#include <QByteArray>
#include <QDateTime>
#include <QLockFile>
#include <QObject>
#include <QPointer>
#include <QString>

#include <memory>
#include <optional>

namespace tc4dl {

class Clock;
class LiveSession;

// How one load, open or fix ended.
struct LoadReport {
    // What stopped it before or besides a LoadResult.
    enum class Failure {
        None,
        NotConnected, // no meter on the live link; no port touched
        MeterRecording, // the meter records; no port touched
        Refused, // the device could not be borrowed (see refusal)
        PortError, // the port failed during the transfer (silent abort)
        Stopped, // stopped by the user; nothing kept
        FileUnreadable, // a collection file could not be read (see error)
        TransferFile, // loaded, but the transfer file could not be written (see error)
    };
    LoadResult result = LoadResult::Success;
    Failure failure = Failure::None;
    LeaseRefusal refusal = LeaseRefusal::None;
    DecodeOutcome decode; // with DataError: the bad set
    // The memory image as the meter sent it, whenever the transfer itself completed (also when
    // decoding failed), so that nothing the meter sent need be lost.
    QByteArray received;
    QString error; // a file's path and reason
    // The store now holds sets that came from the meter itself (a download or a fix), not
    // from a file: nothing else keeps them until they are saved.
    bool fromDownload = false;
    // After a fix: where the whole image as received was kept (empty when it was not), or why
    // it could not be kept (a path and reason).
    QString receivedImage;
    QString receivedImageError;
    qint64 total = 0; // bytes the transfer expected
    MemoryDownload::Counters counters;

    // The store now holds what was loaded (a transfer file failure aside).
    [[nodiscard]] bool loaded() const
    {
        return result == LoadResult::Success
            && (failure == Failure::None || failure == Failure::TransferFile);
    }
};

// The logger's data that outlives a command: the data set store and the transfer file that
// keeps the memory of the last good load. The
// load borrows the meter's device from the live session for one download; opening a
// collection file and "Fixed the error " work on files and the last failed image.
//
// A failed load, open or fix leaves the store and the transfer file exactly as they were.
class LoggerData final : public QObject {
    Q_OBJECT
public:
    // The transfer file goes to "temp/DataSetsTemp.tmp" in `programFolder`, or in
    // `userDataFolder` when the program's folder is not writable. An empty `programFolder`:
    // no transfer file is kept (a one-shot command-line download). Each running program has
    // its own: the first holds a lock on "DataSetsTemp.tmp"; one started while that lock is
    // held writes "DataSetsTemp-<process id>.tmp" instead and removes it when it ends.
    LoggerData(Clock& clock, LiveSession& session, const QString& programFolder,
        const QString& userDataFolder, QObject* parent = nullptr);
    ~LoggerData() override;

    // The download's waits and the device's return, as the program has always used them.
    [[nodiscard]] static LeaseOptions downloadLeaseOptions();

    // Starts a load: checks, borrows the device, downloads, decodes, writes the transfer file.
    // loadProgress() follows the transfer; loadFinished() reports the end (also when it
    // could not start, in which case this returns false).
    bool startLoad();
    // Stops a running load: TransferStop, the device goes back, nothing is kept.
    void stopLoad();
    [[nodiscard]] bool loading() const { return m_driver != nullptr; }

    // Reads a collection file and decodes it like a download, without a signal.
    LoadReport openCollectionFile(const QString& path);
    // Decodes an image that is kept elsewhere (the archive) like an opened collection file.
    LoadReport openImage(MemoryImage image);

    // After a load that ended in a data error: keep the sets before the first bad one. The
    // store, the transfer file and a later collection save then agree. NoData when no good set
    // came before it. The whole image as received is kept beside the transfer file first
    // (receivedImagePath(), reported in receivedImage, or why not in receivedImageError), so
    // later sets are not lost for good.
    [[nodiscard]] bool canFixError() const { return m_failed.has_value(); }
    LoadReport fixError();

    [[nodiscard]] const DataSetStore& store() const { return m_store; }
    [[nodiscard]] const QString& transferFile() const { return m_transferFile; }
    // Where a fix at `at` keeps the whole image as received, beside the transfer file:
    // "DataSetsReceived-<yyyyMMdd-HHmmss>.ch4" (after this program's process id when its
    // transfer file has one, and with "-2", "-3" … when that file exists), so that no fix
    // overwrites what an earlier one kept. Empty when no transfer file is kept.
    [[nodiscard]] QString receivedImagePath(const QDateTime& at) const;
    // What a collection save writes: the memory of the sets in the store, exactly as the
    // transfer file got it; empty while the store holds no set.
    [[nodiscard]] const QByteArray& collectionImage() const { return m_collection; }

Q_SIGNALS:
    void loadProgress(qint64 received, qint64 total);
    void loadFinished(const tc4dl::LoadReport& report);

private:
    struct Failed {
        MemoryImage image;
        DecodeOutcome outcome;
    };
    void onTransferEnded(ExchangeDriver::Ending ending);
    void decodeInto(MemoryImage image, LoadReport& report, bool fromDownload);
    void finishLoad(const LoadReport& report);

    Clock& m_clock;
    LiveSession& m_session;
    QString m_transferFile;
    std::unique_ptr<QLockFile> m_transferLock;
    QString m_receivedImage; // a fix's kept image, before its time stamp
    bool m_ownTransferFile = false; // a per-process file, removed at the end
    QByteArray m_collection;
    DataSetStore m_store;
    std::unique_ptr<MemoryDownload> m_download;
    QPointer<ExchangeDriver> m_driver;
    std::optional<Failed> m_failed;
};

} // namespace tc4dl
