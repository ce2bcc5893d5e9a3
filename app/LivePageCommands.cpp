#include "LivePageCommands.h"

#include "Prompter.h"
#include "TfrmLivePage.h"
#include "Workspace.h"

#include <QAction>

namespace tc4dl {

LivePageCommands::LivePageCommands(Parts parts, QObject* parent)
    : QObject(parent),
      m_parts(std::move(parts)),
      m_texts(MessageTable::forWindow(QStringLiteral("TfrmLivePage"))),
      m_keeper(*m_parts.workspace, m_parts.tokenFile),
      m_inUse(LivePageSettings::read(m_parts.workspace->settingsStore()))
{
    if (m_parts.menuItem)
        connect(m_parts.menuItem, &QAction::triggered, this, &LivePageCommands::openSettings);
}

LivePageCommands::~LivePageCommands() = default;

QString LivePageCommands::problemText(
    LivePageKeeper::Problem problem, const LivePageSettings& s, const QString& detail) const
{
    const auto text
        = [this](const char* id) { return m_texts.getTextOrDefault(QLatin1String(id)); };
    switch (problem) {
    case LivePageKeeper::Problem::None:
        break;
    case LivePageKeeper::Problem::NotAnAddress:
        return text("IDS_1").arg(s.address);
    case LivePageKeeper::Problem::NoToken:
        return text("IDS_2").arg(m_keeper.tokenFile(), detail);
    case LivePageKeeper::Problem::CannotListen:
        return text("IDS_3").arg(s.address).arg(s.port).arg(detail);
    }
    return {};
}

void LivePageCommands::startAtLaunch()
{
    if (!m_inUse.on)
        return;
    QString detail;
    const LivePageKeeper::Problem problem = m_keeper.apply(m_inUse, &detail);
    if (problem != LivePageKeeper::Problem::None)
        m_parts.prompter->ask(
            problemText(problem, m_inUse, detail), Prompter::Buttons::Ok, Prompter::Icon::Warning);
}

bool LivePageCommands::apply(const LivePageSettings& settings)
{
    QString detail;
    const LivePageKeeper::Problem problem = m_keeper.apply(settings, &detail);
    if (m_dialog)
        m_dialog->showAddresses(m_keeper.running() ? m_keeper.urls() : QStringList());
    if (problem != LivePageKeeper::Problem::None) {
        m_parts.prompter->ask(
            problemText(problem, settings, detail), Prompter::Buttons::Ok, Prompter::Icon::Warning);
        return false;
    }
    if (settings != m_inUse) {
        m_inUse = settings;
        if (!settings.write(m_parts.workspace->settingsStore()))
            m_parts.prompter->ask(m_texts.getTextOrDefault(QStringLiteral("IDS_5")),
                Prompter::Buttons::Ok, Prompter::Icon::Warning);
    }
    return true;
}

void LivePageCommands::openSettings()
{
    TfrmLivePage dialog(
        m_inUse, [this](const LivePageSettings& s) { return apply(s); }, m_parts.window);
    m_dialog = &dialog;
    dialog.showAddresses(m_keeper.running() ? m_keeper.urls() : QStringList());
    (void)m_parts.prompter->runDialog(dialog);
    m_dialog = nullptr;
}

} // namespace tc4dl
