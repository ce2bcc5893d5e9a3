#pragma once

#include "DataOrigin.h"
#include "DataSetStore.h"

#include <QByteArray>
#include <QObject>

#include <vector>

namespace tc4dl {

class Clock;
class LoggerData;
class MemoryImage;
struct LoadReport;

// The sets of data sets the program shows, each once, each knowing where it came from and
// whether anything but the program's memory keeps it:
// - the logger's: a download, a fix of one, or an opened collection file; its store and
//   transfer file are the logger's (LoggerData), the origin and the unsaved flag are here;
// - the archive's on view: sets read from the archive, decoded into a store of their own. They
//   are kept by the archive, so never unsaved, and they never reach the logger's store or its
//   transfer file.
class OpenData final : public QObject {
    Q_OBJECT
public:
    enum class Piece { Logger, Archive };
    Q_ENUM(Piece)

    OpenData(Clock& clock, LoggerData& logger, QObject* parent = nullptr);

    [[nodiscard]] const DataSetStore& store(Piece piece) const;
    // What a collection save of the piece writes: the memory of its sets; empty while it
    // holds none.
    [[nodiscard]] const QByteArray& collectionImage(Piece piece) const;
    [[nodiscard]] const DataOrigin& origin(Piece piece) const;
    // Held nowhere a person chose: downloaded sets until saved or let go.
    [[nodiscard]] bool unsaved(Piece piece) const;
    void setUnsaved(Piece piece, bool unsaved);

    // The logger's store holds what `report` loaded (a loaded report), from `origin`; sets
    // from the meter itself are unsaved.
    void loggerLoaded(const LoadReport& report, DataOrigin origin);
    // The archive's sets `ids`, read from it as `image`, are on view from now on; the logger's
    // data stays as it is. Empty, or the reason the sets could not be decoded.
    [[nodiscard]] QString showArchive(const MemoryImage& image, std::vector<qint64> ids);

Q_SIGNALS:
    // The piece holds other sets now.
    void changed(tc4dl::OpenData::Piece piece);
    void unsavedChanged(tc4dl::OpenData::Piece piece, bool unsaved);

private:
    Clock& m_clock;
    LoggerData& m_logger;
    DataOrigin m_loggerOrigin;
    bool m_loggerUnsaved = false;
    DataSetStore m_archiveStore;
    QByteArray m_archiveImage;
    DataOrigin m_archiveOrigin;
};

} // namespace tc4dl
