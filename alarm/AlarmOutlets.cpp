#include "AlarmOutlets.h"

#include <QUrl>

namespace tc4dl::alarm {

WebhookProblem webhookProblem(const QString& text)
{
    const QString trimmed = text.trimmed();
    if (trimmed.isEmpty())
        return WebhookProblem::None;
    if (trimmed.size() > AlarmOutlets::kMaxLength)
        return WebhookProblem::TooLong;
    const QUrl url(trimmed, QUrl::StrictMode);
    const QString scheme = url.scheme().toLower();
    if (!url.isValid() || url.host().isEmpty()
        || (scheme != QLatin1String("http") && scheme != QLatin1String("https")))
        return WebhookProblem::NotWeb;
    // A password is refused even when empty ("user:@"): whoever wrote the colon meant one.
    if (!url.password().isEmpty() || url.userInfo().contains(u':'))
        return WebhookProblem::Password;
    return WebhookProblem::None;
}

} // namespace tc4dl::alarm
