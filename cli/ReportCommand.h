#pragma once

#include <QCommandLineOption>
#include <QList>
#include <QTextStream>

#include <vector>

class QCommandLineParser;

namespace tc4dl {
class Clock;
}
namespace tc4dl::archive {
class Archive;
}

namespace tc4dl::cli {

// The options `report` and `archive report` share: the texts on the report, ΔH, the language,
// the paper and the limits (as `alarms` takes them). -o is each command's own.
[[nodiscard]] QList<QCommandLineOption> reportOptions();

// The report of archived sets `ids` as one timeline, to the file of -o.
[[nodiscard]] int reportArchivedSets(const archive::Archive& archive, Clock& clock,
    const QString& archivePath, const std::vector<qint64>& ids, const QCommandLineParser& parser,
    QTextStream& out, QTextStream& err);

} // namespace tc4dl::cli
