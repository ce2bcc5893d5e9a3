// tc4dl-cli archive: the archive of every data set downloaded or opened.

#include "Archive.h"
#include "ArchiveAccess.h"
#include "Clock.h"
#include "CollectionFile.h"
#include "DataSetCsv.h"
#include "DataSetText.h"
#include "DateTimeSerial.h"
#include "DecodeMemoryImage.h"
#include "ExitCode.h"
#include "LoggerCommands.h"
#include "Output.h"
#include "ReportCommand.h"
#include "StopSignals.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace tc4dl::cli {

namespace {

using archive::AddOutcome;
using archive::Archive;
using archive::ArchivedSet;
using archive::ArchiveError;
using archive::ArchiveFilter;
using archive::CheckOutcome;
using archive::CheckProblem;

const char* const kArchiveUsage
    = "Usage: tc4dl-cli archive list [--csv] [--from DATE] [--to DATE] [--archive PATH|URI]\n"
      "       tc4dl-cli archive add FILE... [--archive PATH|URI]\n"
      "       tc4dl-cli archive export ID... [-o OUT.csv | -o OUT.ch4] [--archive PATH|URI]\n"
      "       tc4dl-cli archive remove ID... --yes [--archive PATH|URI]\n"
      "       tc4dl-cli archive check [--archive PATH|URI]\n"
      "       tc4dl-cli archive copy --to PATH|URI [--archive PATH|URI]\n"
      "       tc4dl-cli archive report ID... -o OUT.pdf [report options] [--archive PATH|URI]\n";

// A CSV field: quoted when it holds a comma, a quote or a line break.
QString csvField(const QString& text)
{
    if (!text.contains(u',') && !text.contains(u'"') && !text.contains(u'\n')
        && !text.contains(u'\r'))
        return text;
    QString quoted = text;
    quoted.replace(QStringLiteral("\""), QStringLiteral("\"\""));
    return u'"' + quoted + u'"';
}

QString startText(double serial)
{
    return isoTimeText(toTheSecond(serial));
}

// A bound of --from/--to: a date (the whole day) or a date and time, in the meter's clock.
std::optional<double> dateBound(const QString& text, bool upper)
{
    // Qt reads the date of "2026-11-30T08:00" as a date alone: the time must not be dropped.
    const QDate day = text.contains(u'T') ? QDate() : QDate::fromString(text, Qt::ISODate);
    if (day.isValid())
        return dateTimeSerial(day, upper ? QTime(23, 59, 59, 999) : QTime(0, 0));
    QDateTime t = QDateTime::fromString(text, Qt::ISODate);
    if (!t.isValid())
        return std::nullopt;
    return dateTimeSerial(t.date(), t.time());
}

std::optional<std::vector<qint64>> ids(const QStringList& texts, QTextStream& err)
{
    std::vector<qint64> result;
    for (const QString& text : texts) {
        bool ok = false;
        const qint64 id = text.toLongLong(&ok);
        if (!ok || id < 1) {
            err << "\"" << text << "\" is no archive id (a whole number from 1).\n";
            return std::nullopt;
        }
        result.push_back(id);
    }
    return result;
}

int list(Archive& db, const QCommandLineParser& parser, QTextStream& out, QTextStream& err)
{
    ArchiveFilter filter;
    for (const bool upper : { false, true }) {
        const QString name = upper ? QStringLiteral("to") : QStringLiteral("from");
        if (!parser.isSet(name))
            continue;
        const std::optional<double> bound = dateBound(parser.value(name), upper);
        if (!bound) {
            err << "--" << name << " needs a date as 2026-11-30 or 2026-11-30T08:00, not \""
                << parser.value(name) << "\".\n";
            return InvalidInput;
        }
        (upper ? filter.toSerial : filter.fromSerial) = bound;
    }
    ArchiveError why;
    const std::vector<ArchivedSet> sets = db.list(filter, &why);
    if (why.failed()) {
        err << "The archive cannot be listed: " << endSentence(archiveErrorSentence(why)) << '\n';
        return ArchiveFailed;
    }
    // Listed as their bytes say, which is what an export writes; the row is said to disagree.
    for (const ArchivedSet& s : sets)
        if (s.doubtful)
            err << "Set " << s.id << " disagrees with its stored bytes or they cannot be read; "
                << "it is listed as its bytes say. archive check names what differs.\n";
    if (parser.isSet(QStringLiteral("csv"))) {
        out << "id,start,interval_s,samples,unit,added,source,note,kind,meter\n";
        for (const ArchivedSet& s : sets)
            out << s.id << ',' << startText(s.start) << ',' << s.interval << ',' << s.samples << ','
                << (s.celsius ? 'C' : 'F') << ',' << isoTimeText(s.added.toLocalTime()) << ','
                << csvField(s.source) << ',' << csvField(s.note) << ',' << csvField(s.kind) << ','
                << csvField(s.meter) << '\n';
        return Ok;
    }
    out << QStringLiteral("%1  %2  %3  %4  %5  %6\n")
               .arg(QStringLiteral("Id"), 6)
               .arg(QStringLiteral("Start"), -19)
               .arg(QStringLiteral("Rate"), 5)
               .arg(QStringLiteral("Samples"), 7)
               .arg(QStringLiteral("Unit"))
               .arg(QStringLiteral("Note"));
    for (const ArchivedSet& s : sets)
        out << QStringLiteral("%1  %2  %3  %4  %5  %6\n")
                   .arg(s.id, 6)
                   .arg(startText(s.start).replace(u'T', u' '), -19)
                   .arg(s.interval, 5)
                   .arg(s.samples, 7)
                   .arg(s.celsius ? QStringLiteral("C") : QStringLiteral("F"), -4)
                   .arg(s.note);
    return Ok;
}

int add(Archive& db, Clock& clock, const QStringList& files, QTextStream& out, QTextStream& err)
{
    int code = Ok;
    for (const QString& file : files) {
        if (stop::requested())
            return stop::exitCode();
        MemoryImage image;
        DataSetStore store;
        const CollectionRead read = readCollectionFile(file, image);
        if (read.status != CollectionRead::Status::Read) {
            err << "Cannot read " << file
                << (read.error.isEmpty() ? QStringLiteral(".") : ": " + endSentence(read.error))
                << " Nothing of it was added.\n";
            code = code == Ok ? CannotRead : code;
            continue;
        }
        const DecodeOutcome decoded = decodeMemoryImage(image, clock.now(), store);
        if (decoded.result != LoadResult::Success) {
            err << file << ": " << failureSentence(decoded.result, decoded)
                << " Nothing of it was added.\n";
            code = code == Ok ? exitCodeFor(decoded.result) : code;
            continue;
        }
        const AddOutcome added = db.add(store, image, QFileInfo(file).fileName());
        if (!added.ok) {
            err << "The archive could not take the sets of " << file << ": "
                << endSentence(archiveErrorSentence(added.error)) << '\n';
            return ArchiveFailed;
        }
        out << file << ": " << added.newSets << " new, " << added.knownSets
            << " already in the archive.\n";
    }
    return code;
}

int exportSets(Archive& db, Clock& clock, const std::vector<qint64>& chosen, const QString& output,
    QTextStream& out, QTextStream& err)
{
    for (const qint64 id : chosen)
        if (!db.set(id)) {
            err << "There is no set " << id << " in the archive.\n";
            return InvalidInput;
        }
    // No folder is made for an export, whichever its kind.
    if (!output.isEmpty() && output != QLatin1String("-")
        && !QFileInfo(output).absoluteDir().exists()) {
        err << "Cannot write " << output << ": the folder "
            << QDir::toNativeSeparators(QFileInfo(output).absolutePath()) << " does not exist.\n";
        return CannotWrite;
    }
    const auto unreadable = [&err](const ArchiveError& why) {
        err << "The chosen sets cannot be read from the archive: "
            << endSentence(why.failed() ? archiveErrorSentence(why)
                                        : QStringLiteral("a stored set is damaged"))
            << '\n';
        return ArchiveFailed;
    };
    ArchiveError why;
    if (QFileInfo(output).suffix().compare(QLatin1String("ch4"), Qt::CaseInsensitive) == 0) {
        // One file per meter memory, each one the tool and the program read again.
        QString failed;
        const bool done = db.forEachMemory(
            chosen,
            [&](const MemoryImage& image, int index, int count) {
                const QString file = archive::memoryFileNames(output, count).at(index);
                if (index == 0 && count > 1)
                    err << "The chosen sets are more than one meter memory holds; they are "
                           "written as "
                        << count << " collection files.\n";
                QString reason;
                if (!writeTransferFile(image, file, &reason)) {
                    err << "Cannot write " << file << ": " << endSentence(reason) << '\n';
                    failed = file;
                    return false;
                }
                err << "Wrote " << file << ".\n";
                return true;
            },
            &why);
        if (!failed.isEmpty())
            return CannotWrite;
        return done ? Ok : unreadable(why);
    }
    const std::optional<MemoryImage> image = db.image(chosen, &why);
    DataSetStore store;
    if (!image || decodeMemoryImage(*image, clock.now(), store).result != LoadResult::Success)
        return unreadable(why);
    return writeOutput(
        output,
        [&](QTextStream& s) {
            s << dataSetCsvHeader() << '\n';
            for (int k = 0; k < store.setCount() && !stop::requested(); ++k)
                writeDataSetCsvLines(store, k, s, QString::number(chosen[std::size_t(k)]));
        },
        out, err);
}

int remove(Archive& db, const std::vector<qint64>& chosen, QTextStream& out, QTextStream& err)
{
    for (const qint64 id : chosen)
        if (!db.set(id)) {
            err << "There is no set " << id << " in the archive; nothing was removed.\n";
            return InvalidInput;
        }
    ArchiveError why;
    if (!db.remove(chosen, &why)) {
        err << "Nothing was removed: " << endSentence(archiveErrorSentence(why)) << '\n';
        return ArchiveFailed;
    }
    out << "Removed " << chosen.size() << (chosen.size() == 1 ? " set.\n" : " sets.\n");
    return Ok;
}

// One finding of check, as a sentence.
QString problemSentence(const CheckProblem& p)
{
    using Kind = CheckProblem::Kind;
    switch (p.kind) {
    case Kind::Integrity:
        return p.detail;
    case Kind::Unreadable:
        return p.id > 0
            ? QStringLiteral("Set %1 cannot be read: %2").arg(p.id).arg(endSentence(p.detail))
            : QStringLiteral("The sets cannot be read: %1").arg(endSentence(p.detail));
    case Kind::Foreign:
        return QStringLiteral("The archive holds what this program did not make: %1")
            .arg(endSentence(p.detail));
    case Kind::TooLong:
        return QStringLiteral("Set %1 is %2 bytes long, longer than any data set can be; it was "
                              "not read.")
            .arg(p.id)
            .arg(p.detail);
    case Kind::CountMismatch:
        return QStringLiteral("Set %1 does not hold as many samples as it counts.").arg(p.id);
    case Kind::NoDataSet:
        return QStringLiteral("Set %1 is no data set: its marks are wrong.").arg(p.id);
    case Kind::Hash:
        return QStringLiteral("Set %1 does not match its hash.").arg(p.id);
    case Kind::Readings:
        return QStringLiteral("Set %1's readings differ from its bytes from sample %2 on.")
            .arg(p.id)
            .arg(p.detail);
    case Kind::Field:
        return p.derived.isEmpty()
            ? QStringLiteral("Set %1 lists %2 %3, which no data set can have.")
                  .arg(p.id)
                  .arg(p.field, p.stored)
            : QStringLiteral("Set %1 lists %2 %3 where its bytes say %4.")
                  .arg(p.id)
                  .arg(p.field, p.stored, p.derived);
    }
    return {};
}

int copy(const Archive& db, const QString& target, Clock& clock, QTextStream& out, QTextStream& err)
{
    const Archive::Opened opened = openArchive(target, clock, Archive::Access::ReadWrite, err);
    if (!opened.archive)
        return ArchiveFailed;
    const archive::CopyOutcome copied = db.copySetsTo(*opened.archive);
    if (!copied.ok) {
        err << "Nothing was copied: " << endSentence(archiveErrorSentence(copied.error)) << '\n';
        return ArchiveFailed;
    }
    out << "Copied " << copied.copied << (copied.copied == 1 ? " set, " : " sets, ")
        << copied.present << " already there.\n";
    return Ok;
}

int check(Archive& db, QTextStream& out)
{
    const CheckOutcome outcome = db.check();
    for (const CheckProblem& problem : outcome.problems)
        out << problemSentence(problem) << '\n';
    if (!outcome.ok)
        return ArchiveFailed;
    out << "The archive is sound: " << db.list().size() << " sets.\n";
    return Ok;
}

} // namespace

int runArchive(const QStringList& arguments, QTextStream& out, QTextStream& err)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral(
            "The archive keeps every data set downloaded or added once, sorted by start.\n"
            "list: the sets, CSV id,start,interval_s,samples,unit,added,source,note,kind,meter "
            "with --csv\n"
            "  (start in the meter's clock; --from and --to take 2026-11-30 or "
            "2026-11-30T08:00).\n"
            "add: the sets of collection or memory files; says how many were new.\n"
            "export: the sets as CSV set,time,T1,T2,T3,T4,unit (set = archive id), or as a\n"
            "  collection file when OUT ends in .ch4 (OUT-1.ch4, OUT-2.ch4, ... when the sets\n"
            "  are more than one meter memory holds, each named on stderr).\n"
            "remove: takes the sets out (needs --yes).\n"
            "check: SQLite's integrity check, the schema, and every set's bytes: their hash, the\n"
            "  start, interval, unit and sample count listed for them, and their readings.\n"
            "report: the sets as one timeline in a PDF record (tc4dl-cli report --help).\n"
            "copy: every set into the archive --to names (a file or a server, made when new),\n"
            "  with its notes, times and sources; sets already there are left, so a second\n"
            "  copy copies nothing.\n"
            "--archive takes a file or a PostgreSQL URI, postgresql://USER@HOST:PORT/DB or\n"
            "  postgresql://USER@/DB?host=/run/postgresql; the password is libpq's (~/.pgpass,\n"
            "  PGPASSFILE), never in the URI.\n"
            "The archive is open to SQL: the view sets and the table readings (set_id, sample,\n"
            "  time, t1..t4 in the set's unit or NULL, t1_ol..t4_ol).\n"
            "A file this program did not make (or whose schema holds anything else) is refused\n"
            "and left as it is; one that is busy, locked or on a full disk is said (exit 15).\n")
        + exitCodeHelp());
    parser.addHelpOption();
    parser.addPositionalArgument(QStringLiteral("archive"), QStringLiteral("The command."));
    parser.addPositionalArgument(QStringLiteral("ACTION"),
        QStringLiteral("list, add, export, remove, check, report or copy."));
    const QCommandLineOption archiveOption = archivePathOption();
    const QCommandLineOption csv(QStringLiteral("csv"), QStringLiteral("list: CSV."));
    const QCommandLineOption from(QStringLiteral("from"),
        QStringLiteral("list: sets that start on or after DATE."), QStringLiteral("DATE"));
    const QCommandLineOption to(QStringLiteral("to"),
        QStringLiteral("list: sets that start on or before DATE. copy: the archive to copy into "
                       "(PATH or URI)."),
        QStringLiteral("DATE|TARGET"));
    const QCommandLineOption output(QStringLiteral("o"),
        QStringLiteral("export: write to this file (.csv or .ch4) instead of the standard "
                       "output."),
        QStringLiteral("OUT"));
    const QCommandLineOption yes(QStringLiteral("yes"), QStringLiteral("remove: really remove."));
    parser.addOptions({ archiveOption, csv, from, to, output, yes });
    parser.addOptions(reportOptions());
    if (const std::optional<int> code = parseOrEnd(parser, arguments, kArchiveUsage, out, err))
        return *code;
    const QStringList positional = parser.positionalArguments();
    const QString action = positional.value(1);
    const QStringList rest = positional.mid(2);
    static const QStringList kActions { QStringLiteral("list"), QStringLiteral("add"),
        QStringLiteral("export"), QStringLiteral("remove"), QStringLiteral("check"),
        QStringLiteral("report"), QStringLiteral("copy") };
    if (!kActions.contains(action)) {
        err << (action.isEmpty() ? QStringLiteral("No archive command given.")
                                 : QStringLiteral("Unknown archive command \"%1\".").arg(action))
            << '\n'
            << kArchiveUsage;
        return Usage;
    }
    const bool needsItems = action == QLatin1String("add") || action == QLatin1String("export")
        || action == QLatin1String("remove") || action == QLatin1String("report");
    if (needsItems == rest.isEmpty()) {
        err << (needsItems ? QStringLiteral("archive %1 needs at least one %2.")
                                 .arg(action,
                                     action == QLatin1String("add") ? QStringLiteral("file")
                                                                    : QStringLiteral("id"))
                           : QStringLiteral("archive %1 takes no further arguments.").arg(action))
            << '\n'
            << kArchiveUsage;
        return Usage;
    }
    if (action == QLatin1String("copy") && parser.value(to).isEmpty()) {
        err << "archive copy needs --to, the archive to copy into.\n" << kArchiveUsage;
        return Usage;
    }
    if (action == QLatin1String("remove") && !parser.isSet(yes)) {
        err << "archive remove takes sets out for good: give --yes.\n";
        return Usage;
    }
    std::optional<std::vector<qint64>> chosen;
    if (action == QLatin1String("export") || action == QLatin1String("remove")
        || action == QLatin1String("report")) {
        chosen = ids(rest, err);
        if (!chosen)
            return InvalidInput;
    }

    SystemClock clock;
    QString refused;
    const QString path = archivePath(parser, archiveOption, clock, &refused);
    if (!refused.isEmpty()) {
        err << "The archive cannot be opened: " << endSentence(refused) << '\n';
        return ArchiveFailed;
    }
    // Nothing archived yet: an empty list, not a failure, and nothing to say.
    if (action == QLatin1String("list") && !archive::isServerName(path) && !QFileInfo::exists(path)
        && !QFileInfo(path).isSymLink()) {
        if (parser.isSet(csv))
            out << "id,start,interval_s,samples,unit,added,source,note,kind,meter\n";
        return Ok;
    }
    const bool onlyReads = action == QLatin1String("list") || action == QLatin1String("export")
        || action == QLatin1String("report") || action == QLatin1String("copy");
    const Archive::Opened opened = openArchive(
        path, clock, onlyReads ? Archive::Access::ReadOnly : Archive::Access::ReadWrite, err);
    if (!opened.archive)
        return ArchiveFailed;
    Archive& db = *opened.archive;
    if (action == QLatin1String("list"))
        return list(db, parser, out, err);
    if (action == QLatin1String("add"))
        return add(db, clock, rest, out, err);
    if (action == QLatin1String("export"))
        return exportSets(db, clock, *chosen, parser.value(output), out, err);
    if (action == QLatin1String("remove"))
        return remove(db, *chosen, out, err);
    if (action == QLatin1String("report"))
        return reportArchivedSets(db, clock, path, *chosen, parser, out, err);
    if (action == QLatin1String("copy")) {
        const QString target = parser.value(to);
        return copy(db,
            archive::isServerName(target) ? target : QFileInfo(target).absoluteFilePath(), clock,
            out, err);
    }
    const int code = check(db, out);
    return opened.movedAside.isEmpty() && opened.journalSetAside.isEmpty() ? code : ArchiveFailed;
}

} // namespace tc4dl::cli
