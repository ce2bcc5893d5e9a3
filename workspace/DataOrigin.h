#pragma once

#include <QDateTime>
#include <QString>

#include <vector>

namespace tc4dl {

// Where one set of data came from, as a report, a question or the archive names it.
struct DataOrigin {
    enum class Kind {
        None, // nothing yet
        Download, // the meter's logger memory, copied over `device`
        CollectionFile, // a collection file, `file`
        Archive, // sets of the archive, `archiveIds` in the order shown
        LiveRun, // a real-time run of the readings on `device`
    };
    Kind kind = Kind::None;
    QString device;
    QString file;
    std::vector<qint64> archiveIds;
    // When it came: downloaded, opened, shown or begun, by the computer's clock.
    QDateTime at;

    // The source the archive keeps for sets of this origin: "download /dev/ttyUSB0", or the
    // file's name.
    [[nodiscard]] QString archiveSource() const;
};

} // namespace tc4dl
