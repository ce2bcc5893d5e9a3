#pragma once

#include <QtGlobal>

namespace tc4dl::live {

// What the live page's server allows any one client, and all of them together. A client that
// asks for more is answered with a status and cut off; nobody can make the server hold more
// than these allow.
struct ServerLimits {
    int maxConnections = 64; // beyond: 503 at once
    int maxStreams = 32; // event streams among them; beyond: 503
    qint64 maxRequestBytes = 8192; // request line and headers (a body counts too); beyond: 431
    // A request must be complete this long after the connection came or the previous answer
    // went; an event stream must take what it is sent within it.
    int idleMs = 10000;
    int heartbeatMs = 15000; // a comment on every event stream, so that proxies keep it
    int retryMs = 3000; // the reconnection delay a browser is told
    qint64 maxStreamBacklog = 256 * 1024; // bytes an event stream may leave unread
    int lingerMs = 2000; // a refused client's last chance to read its answer
};

} // namespace tc4dl::live
