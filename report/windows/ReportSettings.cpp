#include "ReportSettings.h"

#include "Mkt.h"
#include "ReportWriter.h"
#include "SettingsStore.h"

#include <algorithm>
#include <cmath>

namespace tc4dl::report {

namespace {
const QString kTitle = QStringLiteral("ReportTitle");
const QString kSite = QStringLiteral("ReportSite");
const QString kOperator = QStringLiteral("ReportOperator");
const QString kEnergy = QStringLiteral("ReportActivationEnergy");
const QString kPaper = QStringLiteral("ReportPaper");
const QString kOpen = QStringLiteral("ReportOpen");
// Long enough for any title a person types, short enough that a damaged value cannot flood
// the report's first page.
constexpr qsizetype kMostText = 200;
} // namespace

ReportChoices ReportSettings::read(SettingsStore& store, const QLocale& locale)
{
    ReportChoices c;
    c.title = store.readText(kTitle).value_or(QString()).left(kMostText);
    c.site = store.readText(kSite).value_or(QString()).left(kMostText);
    c.operatorName = store.readText(kOperator).value_or(QString()).left(kMostText);
    if (const std::optional<qint32> joules = store.readInt(kEnergy))
        c.activationEnergy
            = std::clamp(*joules / 1000.0, kLeastActivationEnergy, kMostActivationEnergy);
    const std::optional<qint32> paper = store.readInt(kPaper);
    c.paper = paper ? (*paper == 1 ? QPageSize::Letter : QPageSize::A4) : paperForLocale(locale);
    c.openAfter = store.readInt(kOpen).value_or(1) != 0;
    return c;
}

bool ReportSettings::write(SettingsStore& store, const ReportChoices& c)
{
    bool ok = store.writeText(kTitle, c.title.left(kMostText));
    ok = store.writeText(kSite, c.site.left(kMostText)) && ok;
    ok = store.writeText(kOperator, c.operatorName.left(kMostText)) && ok;
    ok = store.writeInt(kEnergy, static_cast<qint32>(std::lround(c.activationEnergy * 1000.0)))
        && ok;
    ok = store.writeInt(kPaper, c.paper == QPageSize::Letter ? 1 : 0) && ok;
    ok = store.writeInt(kOpen, c.openAfter ? 1 : 0) && ok;
    store.flush();
    return ok;
}

} // namespace tc4dl::report
