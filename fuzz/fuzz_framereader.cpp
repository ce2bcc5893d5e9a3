// The live frame reader fed hostile bytes in arbitrary pieces. Rules:
// - it keeps at most 44 bytes between feeds, and what it keeps is the input's tail;
// - it hands out exactly the frames of the plain rule "a start byte whose byte 44 places later
//   is the end byte is a frame; otherwise skip one byte", whatever the pieces;
// - its counters add up: frames × 45 + dropped + kept = bytes fed.

#include "FrameReader.h"
#include "FuzzRule.h"

#include <vector>

using namespace tc4dl;

namespace {

std::vector<MeterFrame> referenceFrames(const unsigned char* data, std::size_t size)
{
    std::vector<MeterFrame> frames;
    std::size_t i = 0;
    while (i + kFrameLength <= size) {
        if (data[i] == kFrameStart && data[i + kFrameLength - 1] == kFrameEnd) {
            MeterFrame f;
            std::copy(data + i, data + i + kFrameLength, f.begin());
            frames.push_back(f);
            i += kFrameLength;
        } else {
            ++i;
        }
    }
    return frames;
}

// Feeds the input in pieces whose sizes come from a small generator seeded by the input, so
// that every input is also tried split at places no test thought of.
std::vector<MeterFrame> readInPieces(
    const unsigned char* data, std::size_t size, quint32 seed, FrameReader& reader)
{
    std::vector<MeterFrame> frames;
    std::size_t at = 0;
    quint32 state = seed | 1;
    while (at < size) {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        const std::size_t piece = std::min<std::size_t>(size - at, 1 + state % 97);
        reader.feed(reinterpret_cast<const char*>(data + at), static_cast<qsizetype>(piece),
            [&frames](const MeterFrame& f) { frames.push_back(f); });
        at += piece;
        const QByteArray kept = reader.pending();
        FUZZ_RULE(kept.size() <= kFrameLength - 1);
        FUZZ_RULE(kept.size() <= static_cast<qsizetype>(at));
        FUZZ_RULE(QByteArrayView(reinterpret_cast<const char*>(data), static_cast<qsizetype>(at))
                      .endsWith(kept));
    }
    return frames;
}

void checkCounters(const FrameReader& reader, std::size_t size, std::size_t frames)
{
    const FrameCounters& c = reader.counters();
    FUZZ_RULE(c.bytesIn == size);
    FUZZ_RULE(c.frames == frames);
    FUZZ_RULE(
        c.frames * kFrameLength + c.bytesDropped + quint64(reader.pending().size()) == c.bytesIn);
    FUZZ_RULE(c.resyncs <= c.bytesDropped);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const unsigned char* data, std::size_t size)
{
    const std::vector<MeterFrame> expected = referenceFrames(data, size);
    for (const MeterFrame& f : expected)
        FUZZ_RULE(f.front() == kFrameStart && f.back() == kFrameEnd);

    FrameReader whole;
    std::vector<MeterFrame> frames;
    whole.feed(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size),
        [&frames](const MeterFrame& f) { frames.push_back(f); });
    FUZZ_RULE(frames == expected);
    FUZZ_RULE(whole.pending().size() < kFrameLength);
    FUZZ_RULE(QByteArrayView(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size))
                  .endsWith(whole.pending()));
    checkCounters(whole, size, frames.size());

    quint32 seed = static_cast<quint32>(size);
    for (std::size_t i = 0; i < size && i < 4; ++i)
        seed = seed * 31 + data[i];
    FrameReader pieces;
    FUZZ_RULE(readInPieces(data, size, seed, pieces) == expected);
    checkCounters(pieces, size, expected.size());
    return 0;
}
