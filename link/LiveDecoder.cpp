#include "LiveDecoder.h"

namespace tc4dl {

float readingDegrees(quint8 high, quint8 low)
{
    return static_cast<float>(static_cast<long double>(decodeReading(high, low)) * 0.1L);
}

LiveReading decodeLiveReading(const MeterFrame& f)
{
    LiveReading r;
    r.statusA = f[1];
    r.statusB = f[2];
    // The mask leaves one of the four values.
    r.meterMode = static_cast<MeterMode>(f[1] & 0x06);
    for (int n = 0; n < 4; ++n) {
        const int o = 2 * n;
        r.current[n] = readingDegrees(f[7 + o], f[8 + o]);
        const float reference = readingDegrees(f[15 + o], f[16 + o]);
        r.relative[n] = static_cast<float>(static_cast<long double>(r.current[n]) - reference);
        r.minValues[n] = readingDegrees(f[23 + o], f[24 + o]);
        r.maxValues[n] = readingDegrees(f[31 + o], f[32 + o]);
    }
    r.noValueMarks = { f[39], f[40], f[41], f[42] };
    r.wholeDegreeMarks = f[43];
    return r;
}

void LiveDecoder::decodeFrame(const MeterFrame& frame)
{
    const LiveReading r = decodeLiveReading(frame);
    m_state.last = r;
    m_state.meterRecording = r.recording();
    m_state.meterMode = r.meterMode;
    m_state.currentValues = r.current;
}

} // namespace tc4dl
