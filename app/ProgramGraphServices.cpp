#include "ProgramGraphServices.h"

#include "Workspace.h"

#include <QAction>

namespace tc4dl {

ProgramGraphServices::ProgramGraphServices(Parts parts)
    : m_parts(std::move(parts)),
      m_messages(MessageTable::forWindow(QStringLiteral("TfrmMain")))
{
    Q_ASSERT(m_parts.workspace && m_parts.prompter);
    m_shared.annoColor = static_cast<chart::Color>(m_parts.workspace->settings().annoColor);
}

bool ProgramGraphServices::saveGraph(TfrmGraph& graph)
{
    return m_parts.saveGraph && m_parts.saveGraph(graph);
}

void ProgramGraphServices::disableOutputToGraph()
{
    if (m_parts.outputToGraph)
        m_parts.outputToGraph->setEnabled(false);
}

Clock& ProgramGraphServices::clock()
{
    return m_parts.workspace->clock();
}

const alarm::ChannelConfig* ProgramGraphServices::channelConfig() const
{
    return &m_parts.workspace->channels();
}

std::optional<bool> ProgramGraphServices::celsiusInUse() const
{
    return isCelsius(m_parts.workspace->unit());
}

} // namespace tc4dl
