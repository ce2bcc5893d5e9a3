#include "ReportCommands.h"

#include "ArchiveCommands.h"
#include "ArchiveErrorText.h"
#include "ArchiveKeeper.h"
#include "ArchiveRun.h"
#include "ChannelConfig.h"
#include "ClientArea.h"
#include "DataLoggerWindow.h"
#include "DateTimeSerial.h"
#include "GraphServices.h"
#include "GraphStateFile.h"
#include "LoggerCrossings.h"
#include "MainWindowDeps.h"
#include "MessageTable.h"
#include "ProgramWindows.h"
#include "Recording.h"
#include "SaveGraph.h"
#include "TfrmArchive.h"
#include "TfrmGraph.h"
#include "Workspace.h"

#include <QFileInfo>
#include <QMdiSubWindow>
#include <QPointer>

#include <numeric>

namespace tc4dl {

namespace {

QString text(const char* id)
{
    return MessageTable::forWindow(QStringLiteral("TfrmReport"))
        .getTextOrDefault(QLatin1String(id));
}

QString modelText(int model)
{
    return model > 0 ? QString::number(model) : QString();
}

} // namespace

ReportCommands::ReportCommands(Parts parts, const MainWindowDeps& deps, QObject* parent)
    : QObject(parent),
      m_parts(std::move(parts)),
      m_deps(deps)
{
}

void ReportCommands::report()
{
    const QMdiSubWindow* sub = m_parts.area->currentSubWindow();
    QString why;
    const std::optional<report::ReportRequest> request
        = requestFor(sub ? sub->widget() : nullptr, &why);
    if (!request) {
        m_deps.prompter->ask(why, Prompter::Buttons::Ok, Prompter::Icon::Information);
        return;
    }
    report::ReportPlace place;
    place.prompter = m_deps.prompter;
    place.settings = m_deps.settings;
    place.dialogParent = m_parts.dialogParent;
    place.locale = m_deps.locale;
    place.now = m_deps.clock->now();
    place.program = QStringLiteral("TC4DL " TC4DL_VERSION);
    place.startFolder = m_parts.saveDialog->startFolder(m_deps.documentsFolder);
    place.chosen = [this](const QString& path) { m_parts.saveDialog->chosen(path); };
    place.openUrl = m_deps.openDocument;
    (void)report::makeReport(*request, place);
}

std::optional<report::ReportRequest> ReportCommands::requestFor(QWidget* window, QString* why)
{
    if (auto* list = qobject_cast<archive::TfrmArchive*>(window))
        return fromArchive(list->selectedIds(), why);
    auto* graph = qobject_cast<TfrmGraph*>(window);
    ProgramWindows& windows = *m_parts.windows;
    for (const auto& [keeper, piece] :
        { std::pair { &windows.dataLogger(), OpenData::Piece::Logger },
            std::pair { &windows.archiveGraph(), OpenData::Piece::Archive } }) {
        if (graph && graph == keeper->window() && !keeper->shownSets().empty())
            return fromSets(*keeper, piece);
    }
    if (graph && graph == windows.realTimeGraph()) {
        if (m_parts.workspace->recording().active()) {
            *why = text("IDS_7");
            return std::nullopt;
        }
        return fromGraph(*graph, true);
    }
    // A graph of its own: opened from a file or made from a table.
    if (graph && !graph->role())
        return fromGraph(*graph, false);
    *why = text("IDS_6");
    return std::nullopt;
}

report::ReportRequest ReportCommands::fromSets(DataLoggerWindow& window, OpenData::Piece piece)
{
    report::ReportRequest request;
    request.offerTimeline = window.store().setCount() > 1;
    request.run
        = [this, keeper = &window, piece](const report::ReportChoices& chosen, QString* why) {
              OpenData& data = m_parts.workspace->openData();
              const DataSetStore& sets = data.store(piece);
              std::vector<int> shown = keeper->shownSets();
              if (chosen.timeline) {
                  shown.resize(static_cast<std::size_t>(sets.setCount()));
                  std::iota(shown.begin(), shown.end(), 0);
              }
              const DataOrigin& origin = data.origin(piece);
              const bool archived = origin.kind == DataOrigin::Kind::Archive;
              std::optional<report::ReportRun> run = report::runOfSets(sets,
                  data.collectionImage(piece), shown,
                  archived ? report::RunPart::Origin::ArchiveSet : report::RunPart::Origin::FileSet,
                  origin.archiveIds);
              if (!run) {
                  *why = text("IDS_8");
                  return run;
              }
              using Kind = report::RunSource::Kind;
              switch (origin.kind) {
              case DataOrigin::Kind::Download:
                  run->source = { Kind::Download, origin.device };
                  break;
              case DataOrigin::Kind::CollectionFile:
                  run->source = { Kind::File, QFileInfo(origin.file).fileName() };
                  break;
              case DataOrigin::Kind::Archive:
                  run->source = { Kind::Archive, m_parts.workspace->archive().path() };
                  break;
              case DataOrigin::Kind::LiveRun:
              case DataOrigin::Kind::None:
                  break;
              }
              run->meterModel = modelText(origin.meterModel);
              return run;
          };
    fillChannels(request);
    return request;
}

report::ReportRequest ReportCommands::fromGraph(TfrmGraph& graph, bool realTime)
{
    report::ReportRequest request;
    const std::optional<bool> unit = graph.dataCelsius();
    request.askUnit = !unit;
    request.unitGuess
        = unit ? unit : std::optional<bool>(m_parts.workspace->unit() == Unit::Celsius);
    const QString name = graph.windowTitle();
    Workspace& ws = *m_parts.workspace;
    const int model = realTime && ws.meterConnected() ? ws.session().link().meterModel() : 0;
    request.run = [window = QPointer<TfrmGraph>(&graph), realTime, name, model](
                      const report::ReportChoices& chosen,
                      QString* why) -> std::optional<report::ReportRun> {
        if (!window) {
            *why = text("IDS_13");
            return std::nullopt;
        }
        const std::optional<bool> celsius
            = window->dataCelsius() ? window->dataCelsius() : chosen.celsius;
        report::ReportRun run = report::runOfGraph(window->model(), celsius);
        if (run.points() == 0) {
            *why = text("IDS_13");
            return std::nullopt;
        }
        // What a graph file of it holds: the file's own bytes while it is unchanged.
        run.parts.front().sha256 = chart::graphFileSha256(window->model());
        run.source = realTime
            ? report::RunSource { report::RunSource::Kind::RealTime, {} }
            : report::RunSource { report::RunSource::Kind::GraphFile, QFileInfo(name).fileName() };
        run.meterModel = modelText(model);
        return run;
    };
    fillChannels(request);
    return request;
}

std::optional<report::ReportRequest> ReportCommands::fromArchive(
    const std::vector<qint64>& ids, QString* why)
{
    ArchiveKeeper& keeper = m_parts.workspace->archive();
    archive::Archive* archive = keeper.archive();
    if (ids.empty() || !archive) {
        *why = archive ? text("IDS_9")
                       : text("IDS_11").arg(archive::archiveErrorText(keeper.openError()));
        return std::nullopt;
    }
    const report::ArchiveRun made = report::runOfArchivedSets(*archive, ids, m_deps.clock->now());
    switch (made.problem) {
    case report::ArchiveRun::Problem::None:
        break;
    case report::ArchiveRun::Problem::Overlap:
        *why = text("IDS_10").arg(made.first).arg(made.second);
        return std::nullopt;
    case report::ArchiveRun::Problem::MixedUnits:
        *why = text("IDS_8");
        return std::nullopt;
    case report::ArchiveRun::Problem::NoSuchSet:
    case report::ArchiveRun::Problem::Unreadable:
        *why = text("IDS_11").arg(
            made.error.failed() ? archive::archiveErrorText(made.error) : made.why);
        return std::nullopt;
    }
    report::ReportRequest request;
    request.run = [run = *made.run](const report::ReportChoices&, QString*) {
        return std::optional<report::ReportRun>(run);
    };
    fillChannels(request);
    return request;
}

void ReportCommands::fillChannels(report::ReportRequest& request) const
{
    request.proposedName = text("IDS_14") + u' '
        + m_deps.clock->now().toString(QStringLiteral("yyyy-MM-dd")) + QStringLiteral(".pdf");
    const alarm::ChannelConfig* config = m_parts.services->channelConfig();
    if (!config)
        return;
    for (int c = 0; c < report::kChannels; ++c)
        request.names[static_cast<std::size_t>(c)] = config->channels()[std::size_t(c)].name;
    const std::optional<bool> inUse = m_parts.services->celsiusInUse();
    request.limits = [config, inUse](std::optional<bool> celsius) {
        // The limits are kept in the unit in use; a run in the other unit gets them carried
        // over, as the logger window's crossings do.
        const alarm::ChannelSet channels = celsius
            ? LoggerCrossings::settingsFor(config->channels(), inUse, *celsius)
            : config->channels();
        report::ReportLimits limits;
        limits.rules = alarm::rulesOf(channels);
        for (int c = 0; c < report::kChannels; ++c)
            limits.hysteresis[std::size_t(c)] = channels[std::size_t(c)].hysteresis;
        return limits;
    };
}

} // namespace tc4dl
