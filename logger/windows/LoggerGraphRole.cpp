#include "LoggerGraphRole.h"

#include "GraphServices.h"
#include "MessageIds.h"
#include "MessageTable.h"
#include "Prompter.h"
#include "TfrmGraph.h"

namespace tc4dl {

LoggerGraphRole::LoggerGraphRole(GraphServices& services, OpenData& data, OpenData::Piece piece,
    std::function<bool()> saveCommand)
    : m_services(services),
      m_data(data),
      m_piece(piece),
      m_saveCommand(std::move(saveCommand))
{
}

void LoggerGraphRole::attach(TfrmGraph& window)
{
    m_window = &window;
}

void LoggerGraphRole::save()
{
    if (m_saveCommand)
        (void)m_saveCommand();
}

bool LoggerGraphRole::closeQuery()
{
    if (!m_data.unsaved(m_piece))
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
        m_data.setUnsaved(m_piece, false);
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
    // The question was answered: the data is let go, and no later close asks for it again.
    m_data.setUnsaved(m_piece, false);
}

} // namespace tc4dl
