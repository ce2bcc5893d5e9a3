#include "ArchiveCommands.h"

#include "Clock.h"
#include "DataLoggerWindow.h"
#include "DocumentArea.h"
#include "LiveSession.h"
#include "LoggerData.h"
#include "MessageTable.h"
#include "Prompter.h"
#include "TfrmArchive.h"
#include "TfrmArchiveSettings.h"

#include <QAction>
#include <QDir>
#include <QFileInfo>
#include <QMdiArea>
#include <QMdiSubWindow>

#include <numeric>

namespace tc4dl {

namespace {

QString archivePath(const MainWindowDeps& deps, const Settings& settings)
{
    if (!deps.archiveFile.isEmpty())
        return deps.archiveFile;
    if (!settings.archivePath.isEmpty())
        return settings.archivePath;
    return archive::defaultArchivePath(deps.dataFolder);
}

} // namespace

ArchiveCommands::ArchiveCommands(LoggerData& data, DataLoggerWindow& window, LiveSession& session,
    QMdiArea& area, const MainWindowDeps& deps, const Settings& settings, QAction* menuItem,
    QAction* settingsItem, QObject* parent)
    : QObject(parent),
      m_data(data),
      m_logger(window),
      m_session(session),
      m_area(area),
      m_prompter(*deps.prompter),
      m_clock(*deps.clock),
      m_store(*deps.settings),
      m_kept(settings),
      m_defaultPath(archive::defaultArchivePath(deps.dataFolder)),
      m_startFolder(deps.documentsFolder),
      m_keeper(archivePath(deps, settings), settings.archiveEnabled)
{
    if (!deps.archiveAdds)
        m_keeper.forbidAdds();
    m_keeper.setReporter([this](const QString& reason) {
        const MessageTable table = MessageTable::forWindow(QStringLiteral("TfrmArchive"));
        m_prompter.tell(table.getTextOrDefault(QStringLiteral("IDS_18")).arg(reason));
    });
    if (menuItem)
        connect(menuItem, &QAction::triggered, this, [this] { openWindow(); });
    if (settingsItem)
        connect(settingsItem, &QAction::triggered, this, &ArchiveCommands::openSettings);
    // After the load command, which shows the sets first: the archive comes second.
    connect(&m_data, &LoggerData::loadFinished, this, &ArchiveCommands::onLoadFinished);
}

ArchiveCommands::~ArchiveCommands() = default;

void ArchiveCommands::onLoadFinished(const LoadReport& report)
{
    if (report.loaded())
        addStore(QStringLiteral("download %1").arg(m_session.comm1().deviceName()));
}

void ArchiveCommands::collectionOpened(CollectionOpen opened, const QString& path)
{
    if (opened == CollectionOpen::Loaded)
        addStore(QFileInfo(path).fileName());
}

void ArchiveCommands::addStore(const QString& source)
{
    const QByteArray& bytes = m_data.collectionImage();
    (void)m_keeper.add(m_data.store(), MemoryImage(bytes, bytes.size() - 1), source);
}

QString ArchiveCommands::show(const MemoryImage& image, bool timeline)
{
    const LoadReport report
        = m_data.openImage(image, { StoreOrigin::Kind::Archive, m_keeper.path(), 0 });
    if (!report.loaded())
        return report.error;
    m_logger.showNewStore(m_clock.now());
    if (timeline) {
        std::vector<int> all(static_cast<std::size_t>(m_data.store().setCount()));
        std::iota(all.begin(), all.end(), 0);
        (void)m_logger.GraphTimeline(all);
    }
    return {};
}

archive::TfrmArchive* ArchiveCommands::openWindow()
{
    if (m_window) {
        m_window->parentWidget()->showNormal();
        if (auto* sub = qobject_cast<QMdiSubWindow*>(m_window->parentWidget()))
            m_area.setActiveSubWindow(sub);
        m_window->reload();
        return m_window;
    }
    auto* window = new archive::TfrmArchive(
        m_keeper, m_prompter, m_clock,
        [this](const MemoryImage& image, bool timeline) { return show(image, timeline); },
        m_startFolder);
    const QString moved = m_keeper.takeMovedAside();
    QMdiSubWindow* sub = m_area.addSubWindow(window);
    sub->setAttribute(Qt::WA_DeleteOnClose);
    sub->setGeometry(documentarea::placedInView(m_area, QRect(20, 20, 760, 420)));
    sub->showNormal();
    m_window = window;
    connect(window, &archive::TfrmArchive::settingsRequested, this, &ArchiveCommands::openSettings);
    const MessageTable table = MessageTable::forWindow(QStringLiteral("TfrmArchive"));
    if (!moved.isEmpty())
        m_prompter.tell(
            table.getTextOrDefault(QStringLiteral("IDS_19")).arg(QDir::toNativeSeparators(moved)));
    // An empty list must not pass for an empty archive.
    if (!m_keeper.archive())
        m_prompter.tell(table.getTextOrDefault(QStringLiteral("IDS_8")).arg(m_keeper.openError()));
    return window;
}

void ArchiveCommands::openSettings()
{
    archive::TfrmArchiveSettings dialog(m_keeper, m_defaultPath, m_prompter, m_area.window());
    if (m_prompter.runDialog(dialog) != QDialog::Accepted)
        return;
    m_kept.archiveEnabled = dialog.addsOn();
    // A file given for this run only is not kept unless the user chose it here.
    if (dialog.pathChosen())
        m_kept.archivePath = dialog.pathSetting();
    if (!m_kept.writeArchive(m_store))
        m_prompter.tell(MessageTable::forWindow(QStringLiteral("TfrmArchiveSettings"))
                            .getTextOrDefault(QStringLiteral("IDS_11")));
}

} // namespace tc4dl
