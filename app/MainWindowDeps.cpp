#include "MainWindowDeps.h"

#include "JournalFormat.h"
#include "SerialPort.h"

#include <QApplication>
#include <QDir>
#include <QStandardPaths>

namespace tc4dl {

void fillDefaults(MainWindowDeps& deps)
{
    if (!deps.beep)
        deps.beep = [] { QApplication::beep(); };
    if (!deps.listPorts)
        deps.listPorts = [] { return ports::listPorts(false); };
    if (deps.programFolder.isEmpty())
        deps.programFolder = QCoreApplication::applicationDirPath();
    if (deps.dataFolder.isEmpty())
        deps.dataFolder = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    if (deps.documentsFolder.isEmpty())
        deps.documentsFolder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (deps.documentsFolder.isEmpty())
        deps.documentsFolder = QDir::homePath();
    if (deps.journalFile.isEmpty())
        deps.journalFile = QDir(deps.dataFolder).filePath(QLatin1String(journal::kFileName));
}

WorkspaceDeps workspaceDeps(const MainWindowDeps& deps, LinkTexts texts)
{
    WorkspaceDeps w;
    w.clock = deps.clock;
    w.settings = deps.settings;
    w.portFactory = deps.portFactory;
    w.texts = std::move(texts);
    w.liveTimers = deps.liveTimers;
    w.programFolder = deps.programFolder;
    w.dataFolder = deps.dataFolder;
    w.journalFile = deps.journalFile;
    w.archiveFile = deps.archiveFile;
    w.archiveAdds = deps.archiveAdds;
    return w;
}

} // namespace tc4dl
