#include "LivePage.h"

#include <QCryptographicHash>
#include <QFile>

// Q_INIT_RESOURCE must be used outside any namespace.
static void initPageResources()
{
    Q_INIT_RESOURCE(page);
}

namespace {

QByteArray resource(const char* name)
{
    QFile file(QStringLiteral(":/livepage/") + QLatin1String(name));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QByteArray hashSource(const QByteArray& content)
{
    return "'sha256-" + QCryptographicHash::hash(content, QCryptographicHash::Sha256).toBase64()
        + "'";
}

} // namespace

namespace tc4dl::live {

LivePage::LivePage()
{
    initPageResources();
    const QByteArray style = resource("page.css");
    const QByteArray script = resource("page.js");
    QByteArray page = resource("page.html");
    page.replace("{{style}}", style);
    page.replace("{{script}}", script);
    m_english = QByteArray(page).replace("{{lang}}", "en");
    m_german = QByteArray(page).replace("{{lang}}", "de");
    m_policy = "default-src 'none'; script-src " + hashSource(script) + "; style-src "
        + hashSource(style)
        + "; connect-src 'self'; img-src 'self'; base-uri 'none'; form-action 'none'; "
          "frame-ancestors 'none'";
}

} // namespace tc4dl::live
