// TC4DL: the desktop companion of the four-channel thermocouple thermometer.

#include "Archive.h"
#include "Artwork.h"
#include "Clock.h"
#include "GraphConfig.h"
#include "JournalFormat.h"
#include "MeterPortFactory.h"
#include "ProgramFolders.h"
#include "QtGermanTexts.h"
#include "QtPrompter.h"
#include "Settings.h"
#include "TfrmAbout.h"
#include "TfrmMain.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QMessageBox>
#include <QScreen>
#include <QStandardPaths>
#include <QTimer>

#include <exception>

namespace {

struct Options {
    bool demo = false;
    QString screenshot;
    int screenshotDelayMs = 4000;
};

// Where the program's files are, for a person setting it up or a packaging test.
void printPaths()
{
    const QString program = QCoreApplication::applicationDirPath();
    const QString data = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    const auto shown = [](const QString& path) {
        return path.isEmpty() ? QStringLiteral("(not found)") : QDir::toNativeSeparators(path);
    };
    // The archive the program uses: the one its settings dialog chose, else the default file.
    tc4dl::SystemClock clock;
    tc4dl::NativeSettingsStore settings(clock);
    QString archive = tc4dl::Settings::read(settings).archivePath;
    if (archive.isEmpty() && !data.isEmpty())
        archive = tc4dl::archive::defaultArchivePath(data);
    QTextStream out(stdout);
    out << "Program folder: " << shown(program) << '\n'
        << "Help page: "
        << shown(tc4dl::findShippedFile(
               tc4dl::shippedFileFolders(program), QStringLiteral("TC4DLHELP.htm")))
        << '\n'
        << "Graph template: "
        << shown(tc4dl::graphTemplateReadPath(tc4dl::GraphFolders { program, data })) << '\n'
        << "Data folder: " << shown(data) << '\n'
        << "Real-time journal: "
        << shown(data.isEmpty() ? data
                                : QDir(data).filePath(QLatin1String(tc4dl::journal::kFileName)))
        << '\n'
        << "Archive: " << shown(archive) << '\n'
        << "Settings: " << shown(settings.location()) << '\n';
}

// Parses the command line; returns false when the program should end with `exitCode`.
bool parseOptions(QCoreApplication& app, Options& options, int& exitCode)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Companion program of the TC4DL four-channel thermocouple thermometer."));
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption demo(QStringLiteral("demo"),
        QStringLiteral("Also list the built-in simulated meter, so "
                       "that it is found when no real meter answers."));
    const QCommandLineOption screenshot(QStringLiteral("screenshot"),
        QStringLiteral("Save a picture of the main window to FILE after a few seconds, then end."),
        QStringLiteral("FILE"));
    const QCommandLineOption delay(QStringLiteral("screenshot-delay"),
        QStringLiteral("Seconds before the screenshot (default 4)."), QStringLiteral("SECONDS"));
    const QCommandLineOption writeTemplate(QStringLiteral("write-template"),
        QStringLiteral("Write the built-in graph template to FILE and end."),
        QStringLiteral("FILE"));
    const QCommandLineOption paths(QStringLiteral("paths"),
        QStringLiteral("Print where the program finds its help page and graph template and "
                       "where it keeps its data and settings, then end."));
    parser.addOptions({ demo, screenshot, delay, writeTemplate, paths });
    // Qt's own handling: a wrong option, --help, --help-all (with the generic Qt options such as
    // -platform) and --version are answered there and the program ends.
    parser.process(app);
    if (parser.isSet(writeTemplate)) {
        QString error;
        const bool ok = tc4dl::writeDefaultTemplate(parser.value(writeTemplate), &error);
        if (!ok)
            QTextStream(stderr) << error << '\n';
        exitCode = ok ? 0 : 1;
        return false;
    }
    if (parser.isSet(paths)) {
        printPaths();
        exitCode = 0;
        return false;
    }
    options.demo = parser.isSet(demo);
    options.screenshot = parser.value(screenshot);
    if (parser.isSet(delay))
        options.screenshotDelayMs = qMax(0, parser.value(delay).toInt()) * 1000;
    return true;
}

void nameProgram()
{
    QCoreApplication::setApplicationName(QStringLiteral("TC4DL"));
    QCoreApplication::setOrganizationName(QStringLiteral("TC4DL"));
    QCoreApplication::setApplicationVersion(QStringLiteral(TC4DL_VERSION));
}

// The options that only print or write something need no window, so they are answered without
// a display: a headless machine or a packaging script can ask where the files are.
bool mayNeedNoDisplay(int argc, char* argv[])
{
    for (int i = 1; i < argc; ++i) {
        const QByteArray arg(argv[i]);
        if (arg == "--paths" || arg == "--write-template" || arg.startsWith("--write-template=")
            || arg == "--help" || arg == "-h" || arg == "-?" || arg == "--version" || arg == "-v")
            return true;
    }
    return false;
}

} // namespace

int main(int argc, char* argv[])
{
    Options options;
    int exitCode = 0;
    if (mayNeedNoDisplay(argc, argv)) {
        QCoreApplication app(argc, argv);
        nameProgram();
        if (!parseOptions(app, options, exitCode))
            return exitCode;
        // Such an option was only the value of another (--screenshot --paths): the window
        // after all.
    }
    QApplication app(argc, argv);
    nameProgram();
    tc4dl::registerArtwork();
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/icons/tc4dl.svg")));
    if (!parseOptions(app, options, exitCode))
        return exitCode;
    if (!tc4dl::installQtGermanTexts(app))
        qWarning("Qt's German texts were not found; its dialogs and buttons stay English.");

    try {
        // The About window stands in as splash screen until the main window is up.
        auto* splash = new tc4dl::TfrmAbout(tc4dl::TfrmAbout::Mode::Splash);
        splash->setAttribute(Qt::WA_DeleteOnClose);
        splash->centreOnScreen();
        splash->show();
        splash->repaint();
        QApplication::processEvents();

        tc4dl::SystemClock clock;
        tc4dl::NativeSettingsStore settings(clock);
        tc4dl::QtPrompter prompter;
        tc4dl::MainWindowDeps deps;
        deps.clock = &clock;
        deps.settings = &settings;
        deps.prompter = &prompter;
        // One simulated meter behind the live port and the port that borrows the device, as
        // one meter sits behind one cable.
        tc4dl::MeterPortFactory meterPorts(clock);
        deps.portFactory = [&meterPorts](const QString& name) { return meterPorts.makePort(name); };
        deps.listPorts = [demo = options.demo] { return tc4dl::ports::listPorts(demo); };
        deps.closeSplash = [splash = QPointer<QWidget>(splash)] {
            if (splash)
                splash->close();
        };

        tc4dl::TfrmMain window(std::move(deps));
        prompter.setParent(&window);
        QObject::connect(
            &window, &tc4dl::TfrmMain::exitRequested, &app, [] { QCoreApplication::exit(0); });
        // Without a window manager (a virtual display) maximizing does nothing: fill the
        // screen by hand first.
        if (const QScreen* screen = QGuiApplication::primaryScreen())
            window.setGeometry(screen->availableGeometry());
        window.showMaximized();
        QTimer::singleShot(0, &window, [&window] { window.FormShow(); });

        if (!options.screenshot.isEmpty()) {
            QTimer::singleShot(options.screenshotDelayMs, &window, [&window, &options] {
                const bool saved = window.grab().save(options.screenshot);
                QTextStream(saved ? stdout : stderr)
                    << (saved ? "Saved " : "Could not save ") << options.screenshot << '\n';
                QCoreApplication::exit(saved ? 0 : 1);
            });
        }
        return app.exec();
    } catch (const std::exception& e) {
        QMessageBox::critical(nullptr, QStringLiteral("TC4DL"), QString::fromLocal8Bit(e.what()));
        return 1;
    }
}
