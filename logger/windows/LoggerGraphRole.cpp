#include "LoggerGraphRole.h"

#include "GraphServices.h"
#include "GraphShared.h"
#include "MessageIds.h"
#include "MessageTable.h"
#include "Prompter.h"
#include "TfrmGraph.h"

namespace tc4dl {

LoggerGraphRole::LoggerGraphRole(GraphServices& services, std::function<bool()> saveCommand)
    : m_services(services),
      m_saveCommand(std::move(saveCommand))
{
}

void LoggerGraphRole::attach(TfrmGraph& window)
{
    m_window = &window;
}

bool LoggerGraphRole::closeQuery()
{
    GraphShared& shared = m_services.graphShared();
    if (!shared.dataLoggerGraphUnsaved)
        return true;
    const MessageTable& table = MessageTable::forWindow(QStringLiteral("TfrmGraph"));
    switch (m_services.prompter().ask(
        table.getTextOrDefault(QLatin1String(graphmsg::kSaveLoggerDataQuestion)),
        Prompter::Buttons::YesNoCancel, Prompter::Icon::Question)) {
    case Prompter::Answer::Yes:
        // A Yes whose save did not happen (cancelled, not written) keeps the window and its
        // data: whatever asked (the close, the program's end) stops.
        if (!m_saveCommand || !m_saveCommand())
            return false;
        shared.dataLoggerGraphUnsaved = false;
        return true;
    case Prompter::Answer::No:
        return true;
    default:
        return false;
    }
}

void LoggerGraphRole::closed()
{
    m_window = nullptr;
}

} // namespace tc4dl
