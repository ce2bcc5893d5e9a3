#pragma once

#include "RequestRules.h"

#include <QByteArray>

namespace tc4dl::live {

// The one page, built once from the program's resources: the HTML with its style and script
// inline (nothing is fetched from anywhere else), in English or German, and the
// Content-Security-Policy that lets exactly that style and script run and the page talk to its
// own origin only.
class LivePage {
public:
    LivePage();

    [[nodiscard]] const QByteArray& html(PageLanguage language) const
    {
        return language == PageLanguage::German ? m_german : m_english;
    }
    [[nodiscard]] const QByteArray& contentSecurityPolicy() const { return m_policy; }

private:
    QByteArray m_english;
    QByteArray m_german;
    QByteArray m_policy;
};

} // namespace tc4dl::live
