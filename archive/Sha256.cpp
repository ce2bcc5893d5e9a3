#include "Sha256.h"

#include <QCryptographicHash>

#if defined(TC4DL_HAVE_LIBCRYPTO)
#include <openssl/evp.h>
#endif

namespace tc4dl::archive {

#if defined(TC4DL_HAVE_LIBCRYPTO)

struct Sha256::Impl {
    // Fetching the algorithm and making a context cost more than hashing one short set, so
    // both are kept for the hasher's life.
    EVP_MD* md = EVP_MD_fetch(nullptr, "SHA256", nullptr);
    EVP_MD_CTX* ctx = EVP_MD_CTX_new();
    ~Impl()
    {
        EVP_MD_CTX_free(ctx);
        EVP_MD_free(md);
    }
};

QByteArray Sha256::hash(QByteArrayView bytes)
{
    QByteArray digest(32, Qt::Uninitialized);
    unsigned int size = 0;
    if (m_impl->md && m_impl->ctx && EVP_DigestInit_ex2(m_impl->ctx, m_impl->md, nullptr) == 1
        && EVP_DigestUpdate(m_impl->ctx, bytes.data(), std::size_t(bytes.size())) == 1
        && EVP_DigestFinal_ex(m_impl->ctx, reinterpret_cast<unsigned char*>(digest.data()), &size)
            == 1
        && size == 32)
        return digest;
    // A libcrypto without SHA-256 (a restricted provider configuration): the same digest the
    // slower way.
    return QCryptographicHash::hash(bytes, QCryptographicHash::Sha256);
}

#else

struct Sha256::Impl { };

QByteArray Sha256::hash(QByteArrayView bytes)
{
    return QCryptographicHash::hash(bytes, QCryptographicHash::Sha256);
}

#endif

Sha256::Sha256()
    : m_impl(std::make_unique<Impl>())
{
}

Sha256::~Sha256() = default;

} // namespace tc4dl::archive
