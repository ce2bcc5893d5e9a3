#include "ArchiveCommands.h"

#include "ArchiveErrorText.h"
#include "DataLoggerWindow.h"
#include "DocumentArea.h"
#include "MessageTable.h"
#include "Prompter.h"
#include "TfrmArchive.h"
#include "TfrmArchiveSettings.h"
#include "Workspace.h"

#include <QAction>
#include <QDir>
#include <QMdiArea>
#include <QMdiSubWindow>

#include <numeric>

namespace tc4dl {

ArchiveCommands::ArchiveCommands(Parts parts, QObject* parent)
    : QObject(parent),
      m_parts(std::move(parts))
{
    Q_ASSERT(m_parts.workspace && m_parts.prompter && m_parts.area && m_parts.graph);
    connect(&m_parts.workspace->archive(), &ArchiveKeeper::addFailed, this,
        [this](const archive::ArchiveError& reason) {
            const MessageTable table = MessageTable::forWindow(QStringLiteral("TfrmArchive"));
            m_parts.prompter->tell(table.getTextOrDefault(QStringLiteral("IDS_18"))
                                       .arg(archive::archiveErrorText(reason)));
        });
    if (m_parts.menuItem)
        connect(m_parts.menuItem, &QAction::triggered, this, [this] { openWindow(); });
    if (m_parts.settingsItem)
        connect(m_parts.settingsItem, &QAction::triggered, this, &ArchiveCommands::openSettings);
}

ArchiveCommands::~ArchiveCommands() = default;

QString ArchiveCommands::show(
    const std::vector<qint64>& ids, const MemoryImage& image, bool timeline)
{
    Workspace& ws = *m_parts.workspace;
    if (const QString failed = ws.showArchiveSets(ids, image); !failed.isEmpty())
        return failed;
    // A window of the archive's own: the logger's window and its data stay as they were.
    DataLoggerWindow& graph = *m_parts.graph;
    graph.showNewStore(ws.clock().now());
    if (timeline) {
        std::vector<int> all(static_cast<std::size_t>(graph.store().setCount()));
        std::iota(all.begin(), all.end(), 0);
        (void)graph.GraphTimeline(all);
    }
    return {};
}

archive::TfrmArchive* ArchiveCommands::openWindow()
{
    QMdiArea& area = *m_parts.area;
    if (m_window) {
        m_window->parentWidget()->showNormal();
        if (auto* sub = qobject_cast<QMdiSubWindow*>(m_window->parentWidget()))
            area.setActiveSubWindow(sub);
        m_window->reload();
        return m_window;
    }
    ArchiveKeeper& keeper = m_parts.workspace->archive();
    auto* window = new archive::TfrmArchive(
        keeper, *m_parts.prompter, m_parts.workspace->clock(),
        [this](const std::vector<qint64>& ids, const MemoryImage& image, bool timeline) {
            return show(ids, image, timeline);
        },
        m_parts.startFolder);
    const QString moved = keeper.takeMovedAside();
    const auto [journal, journalAside] = keeper.takeJournalSetAside();
    QMdiSubWindow* sub = area.addSubWindow(window);
    sub->setAttribute(Qt::WA_DeleteOnClose);
    sub->setGeometry(documentarea::placedInView(area, QRect(20, 20, 760, 420)));
    sub->showNormal();
    m_window = window;
    connect(window, &archive::TfrmArchive::settingsRequested, this, &ArchiveCommands::openSettings);
    const MessageTable table = MessageTable::forWindow(QStringLiteral("TfrmArchive"));
    if (!moved.isEmpty())
        m_parts.prompter->tell(
            table.getTextOrDefault(QStringLiteral("IDS_19")).arg(QDir::toNativeSeparators(moved)));
    if (!journalAside.isEmpty())
        m_parts.prompter->tell(
            table.getTextOrDefault(QStringLiteral("IDS_22"))
                .arg(QDir::toNativeSeparators(journal), QDir::toNativeSeparators(journalAside)));
    // An empty list must not pass for an empty archive.
    if (!keeper.archive())
        m_parts.prompter->tell(table.getTextOrDefault(QStringLiteral("IDS_8"))
                                   .arg(archive::archiveErrorText(keeper.openError())));
    return window;
}

void ArchiveCommands::openSettings()
{
    archive::TfrmArchiveSettings dialog(m_parts.workspace->archive(), m_parts.defaultPath,
        *m_parts.prompter, m_parts.area->window());
    if (m_parts.prompter->runDialog(dialog) != QDialog::Accepted)
        return;
    // A file given for this run only is not kept unless the user chose it here.
    const std::optional<QString> path
        = dialog.pathChosen() ? std::optional(dialog.pathSetting()) : std::nullopt;
    if (!m_parts.workspace->keepArchiveSettings(dialog.addsOn(), path))
        m_parts.prompter->tell(MessageTable::forWindow(QStringLiteral("TfrmArchiveSettings"))
                                   .getTextOrDefault(QStringLiteral("IDS_11")));
}

} // namespace tc4dl
