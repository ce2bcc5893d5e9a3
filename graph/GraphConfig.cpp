#include "GraphConfig.h"

#include "ChartView.h"
#include "Clock.h"
#include "DateTimeSerial.h"
#include "GraphShared.h"
#include "GraphStateFile.h"
#include "MessageIds.h"
#include "MessageTable.h"
#include "MessageText.h"
#include "ProgramFolders.h"
#include "Prompter.h"
#include "TfrmGraph.h"

#include <QDir>
#include <QFileInfo>
#include <QMdiArea>
#include <QMdiSubWindow>

namespace tc4dl {

namespace {

bool canWriteIn(const QString& folder)
{
    const QFileInfo templateFolder(QDir(folder).filePath(QStringLiteral("template")));
    if (templateFolder.exists())
        return templateFolder.isDir() && templateFolder.isWritable();
    const QFileInfo programFolder(folder);
    return programFolder.isDir() && programFolder.isWritable();
}

// The built-in look of a graph without template.
void applyDefaultLook(chart::ChartModel& model, const GraphExtent& extent)
{
    chart::ChartLook& look = model.look;
    look.showVertLineAnnotations = true;
    look.allowVertLineAnnotHotSpots = true;
    look.lineAnnotationTextSize = 80;
    chart::VertLineAnnotation line = model.vertLine(0);
    line.color = 0xFF0000; // blue
    model.setVertLine(0, line);
    line = model.vertLine(1);
    line.color = 0x0000FF; // red
    model.setVertLine(1, line);
    look.lineAnnotationTextSize = 100;

    look.showGraphAnnotations = true;
    look.graphAnnotationTextSize = 100;
    look.gridStyle = chart::GridStyle::Dot;
    look.mainTitle = QString();
    look.subTitle = QStringLiteral(" ");
    // Four labels whatever the number of channels, as every graph of the program has four.
    look.subsetLabels = { QStringLiteral("T1"), QStringLiteral("T2"), QStringLiteral("T3"),
        QStringLiteral("T4") };
    look.dateTimeMode = true;
    look.usingXDataII = true;
    look.xAxisLabel = QStringLiteral("Time");
    look.allowZooming = chart::Zooming::HorzPlusVert;
    look.scrollingHorzZoom = true;
    look.scrollingVertZoom = true;

    look.graphForeColor = 0x008000;
    look.graphBackColor = 0x000000;
    look.deskColor = 0xC0C0C0;
    look.textColor = 0x000000;
    look.subsetColors = { 0xFF0000, 0xFFFF00, 0x00FF00, 0xFF00FF };

    look.allowAxisPage = false;
    look.arrowCursor = 1;
    look.multiAxesThinSeparators = true;

    // The split view: four stacked axes of a quarter height, one channel each.
    for (int k = 0; k < 4; ++k) {
        model.setMultiAxesSubsets(k, 1);
        model.setMultiAxesProportions(k, 0.25);
    }
    for (int axis = 0; axis < extent.subsets; ++axis) {
        model.setWorkingAxis(axis);
        model.setYAxisLabel(QString());
        model.setYScale(
            chart::Scale { chart::ScaleControl::ManualMinAndMax, extent.minY, extent.maxY });
    }
}

} // namespace

QString graphTemplateRelativePath()
{
    return QStringLiteral("template/graph.ghf");
}

QString graphTemplatePath(const GraphFolders& folders)
{
    return QDir(folders.program).filePath(graphTemplateRelativePath());
}

QString graphTemplateReadPath(const GraphFolders& folders)
{
    // A template the user saved (beside the program or in the data folder) wins over the one
    // shipped in an installed tree.
    const QStringList shipped = shippedFileFolders(folders.program);
    QStringList order { folders.program };
    if (!folders.appData.isEmpty())
        order << folders.appData;
    order << shipped.mid(1);
    return findShippedFile(order, graphTemplateRelativePath());
}

QString graphTemplateWritePath(const GraphFolders& folders)
{
    if (!folders.appData.isEmpty() && !canWriteIn(folders.program))
        return QDir(folders.appData).filePath(graphTemplateRelativePath());
    return graphTemplatePath(folders);
}

bool writeDefaultTemplate(const QString& path, QString* error)
{
    chart::ChartModel model;
    model.setSubsets(4);
    // One range for both graphs that take the shipped look: the logger's, which shows a
    // freezer and an oven alike; the real-time graph's narrower one would hide a logger
    // recording above 50 degrees.
    GraphExtent extent;
    extent.minY = -20.0;
    extent.maxY = 100.0;
    applyDefaultLook(model, extent);
    model.setWorkingAxis(0);
    if (!QDir().mkpath(QFileInfo(path).absolutePath())) {
        if (error)
            *error = QStringLiteral("Cannot create the folder of \"%1\".").arg(path);
        return false;
    }
    return chart::saveGraphState(model, path, error);
}

bool ConfigureGraph(
    chart::ChartView& graph, GraphServices& services, const GraphExtent& extent, QString* error)
{
    chart::ChartModel& model = graph.model();

    // 1. The template's look, when there is one that can be read. A damaged one is treated
    // as a missing one below, so that the graph still gets a working look (the real-time
    // graph's four channels and their points) instead of whatever it had.
    const QString templatePath = graphTemplateReadPath(services.graphFolders());
    QString damage;
    const bool haveTemplate
        = !templatePath.isEmpty() && chart::loadGraphState(model, templatePath, &damage);

    // 2.-5. What every graph needs, template or not.
    chart::ChartLook& look = model.look;
    look.prepareImages = true;
    model.setNullY(kNullValue);
    look.subsetByPoint = false;
    model.setSubsets(extent.subsets);
    model.setPoints(extent.points);
    look.noHelp = true;
    look.allowPopup = false;
    for (int s = 0; s < model.subsets(); ++s) {
        model.setX(s, -1, 0.0);
        model.setY(s, -1, static_cast<double>(kNullValue));
    }
    if (extent.minX != 0.0)
        look.xScale
            = chart::Scale { chart::ScaleControl::ManualMinAndMax, extent.minX, extent.maxX };
    look.allowDataLabels = chart::DataLabels::None;

    // 6. Without a usable template: say so, naming the file, then the built-in look. The
    // message's own words ("it will use default setting") fit a damaged file as well.
    if (!haveTemplate) {
        const QString named
            = damage.isEmpty() ? graphTemplatePath(services.graphFolders()) : templatePath;
        const MessageTable& messages = services.mainMessages();
        services.prompter().tell(joinedText(
            joinedText(messages.getTextOrDefault(QLatin1String(mainmsg::kTemplateNotFound)),
                QDir::toNativeSeparators(named)),
            messages.getTextOrDefault(QLatin1String(mainmsg::kTemplateDefaultLook))));
        applyDefaultLook(model, extent);
    }

    // 7.
    model.setWorkingAxis(0);
    look.allowGraphAnnotHotSpots = true;
    graph.reinitAndReset();
    graph.invalidateImage();
    if (error)
        *error = damage;
    return damage.isEmpty();
}

TfrmGraph* CreateRealTimeGraph(
    GraphServices& services, QMdiArea& area, GraphRole& role, int samplingRate, QString* error)
{
    auto* window = new TfrmGraph(services);
    window->setWindowTitle(TfrmGraph::realTimeCaption());
    QMdiSubWindow* sub = area.addSubWindow(window);
    sub->setAttribute(Qt::WA_DeleteOnClose);
    sub->setWindowIcon(window->windowIcon());
    window->setRole(&role);
    sub->move(sub->x(), 0);

    window->setClearVisible(true);

    const double now = toDateTimeSerial(services.clock().now());
    const GraphExtent extent { 4, 100, now, now + 110.0 / kSecondsPerDay, -10.0, 50.0 };
    // A damaged template has been said and replaced by the built-in look: go on all the same.
    (void)ConfigureGraph(*window->graph(), services, extent, error);
    chart::ChartModel& model = window->model();
    const QList<double>& proportions = model.look.multiAxesProportions;
    // Crosses and texts sit on one shared axis: not offered while the view is split.
    const double first = proportions.isEmpty() ? 1.0 : proportions.first();
    window->setAnnotationToolsEnabled(first == 1.0);

    model.look.noRandomPointsToExport = true;
    model.look.focalRect = false;
    model.look.allowBar = false;
    model.look.lineGapThreshold = 1e20;
    window->redraw();

    window->setSamplingRateEnabled(true);
    window->setSamplingRate(samplingRate);
    sub->show();
    return window;
}

} // namespace tc4dl
