// The recorder's settings file fed hostile bytes, as a person, an editor or an attacker may
// leave it. Rules:
// - a text is refused with a reason and no entry, or read;
// - a read text holds at most the entries and groups its bounds allow, every key made of the
//   characters a long option has, every entry in a group the text named;
// - the settings built from a read text are refused with a reason, or hold between 1 and 16
//   meters, each named as a meter may be named, every interval within its bounds;
// - reading the same bytes again gives the same result.

#include "ConfigText.h"
#include "FuzzRule.h"
#include "RecorderSetup.h"

#include <QRegularExpression>

using namespace tc4dl::recorder;

extern "C" int LLVMFuzzerTestOneInput(const unsigned char* data, std::size_t size)
{
    const QByteArrayView bytes(data, static_cast<qsizetype>(size));
    const ConfigText text = readConfigText(bytes);
    if (!text.ok()) {
        FUZZ_RULE(text.entries.empty() && text.groups.empty());
        return 0;
    }
    FUZZ_RULE(size <= std::size_t(ConfigText::kMaxBytes));
    FUZZ_RULE(text.entries.size() <= std::size_t(ConfigText::kMaxEntries));
    static const QRegularExpression key(QStringLiteral("^[a-z0-9-]+$"));
    for (const ConfigEntry& e : text.entries) {
        FUZZ_RULE(key.match(e.key).hasMatch());
        FUZZ_RULE(e.group.isEmpty()
            || std::find(text.groups.begin(), text.groups.end(), e.group) != text.groups.end());
        FUZZ_RULE(e.line >= 1);
    }
    SetupBuilder builder;
    if (builder.addConfig(text, QStringLiteral("fuzz.conf"))) {
        const std::optional<RecorderSetup> setup = builder.build();
        if (setup) {
            FUZZ_RULE(!setup->meters.empty());
            FUZZ_RULE(setup->meters.size() <= std::size_t(RecorderSetup::kMaxMeters));
            FUZZ_RULE(setup->every >= 1 && setup->every <= RecorderSetup::kMaxEvery);
            for (const MeterSetup& m : setup->meters) {
                FUZZ_RULE(validMeterName(m.name));
                FUZZ_RULE(!m.device.isEmpty());
                FUZZ_RULE(m.alarms.size() <= std::size_t(RecorderSetup::kMaxAlarmsPerMeter));
            }
        } else {
            FUZZ_RULE(!builder.error().isEmpty());
        }
    } else {
        FUZZ_RULE(!builder.error().isEmpty());
    }
    const ConfigText again = readConfigText(bytes);
    FUZZ_RULE(again.entries.size() == text.entries.size() && again.error == text.error);
    return 0;
}
