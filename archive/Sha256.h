#pragma once

#include <QByteArray>
#include <QByteArrayView>

#include <memory>

namespace tc4dl::archive {

// SHA-256, the hash the archive identifies a set by. An add hashes up to a few thousand short
// sets, so one hasher is made once and used for all of them. Where the build found libcrypto it
// does the work (it uses the processor's SHA instructions, several times faster than Qt's own
// code); elsewhere Qt's QCryptographicHash does. Both give the same digest.
class Sha256 {
public:
    Sha256();
    ~Sha256();
    Sha256(const Sha256&) = delete;
    Sha256& operator=(const Sha256&) = delete;

    // The 32-byte digest of `bytes`.
    [[nodiscard]] QByteArray hash(QByteArrayView bytes);

private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
};

} // namespace tc4dl::archive
