#include "DeviceLease.h"

#include "LiveSession.h"

namespace tc4dl {

DeviceLease::DeviceLease(LiveSession& session, SerialPort& port, const LeaseOptions& options)
    : m_session(&session),
      m_port(&port),
      m_options(options)
{
}

DeviceLease::~DeviceLease()
{
    if (m_session)
        m_session->giveBack(m_options);
}

bool DeviceLease::reopen(int settleMs)
{
    return m_session && m_session->reopenLent(settleMs);
}

} // namespace tc4dl
