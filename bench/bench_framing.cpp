// Framing and decoding throughput of the live link.
//
// Builds a 1 MB byte stream of MeterFrames with 10 % junk between them, then cuts and decodes
// it the way the receive handler does (at most 256 bytes per receive event) and compares the
// time with a plain memcpy of the same stream.

#include "FrameReader.h"
#include "LiveDecoder.h"
#include "PanelDisplay.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QRandomGenerator>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

namespace {

class NoTimers final : public tc4dl::BlinkTimers {
public:
    void setRecTimerEnabled(bool) override { }
    void setMaxMinTimerEnabled(bool) override { }
};

class NoPanel final : public tc4dl::PanelView {
public:
    void setMarkVisible(tc4dl::Mark, bool) override { }
    void setValueText(int, const QString& text) override { sink += text.size(); }
    void setNoConnectionVisible(bool) override { }
    qsizetype sink = 0;
};

QByteArray makeStream(qsizetype size, double junkShare)
{
    QRandomGenerator rng(42);
    QByteArray stream;
    stream.reserve(size + 64);
    while (stream.size() < size) {
        tc4dl::MeterFrame f {};
        f[0] = 0x02;
        f[1] = 0x80;
        for (int i = 7; i < 39; i += 2) {
            const int v = rng.bounded(-400, 3000);
            f[i] = static_cast<quint8>((v >> 8) & 0xFF);
            f[i + 1] = static_cast<quint8>(v & 0xFF);
        }
        f[44] = 0x03;
        stream.append(reinterpret_cast<const char*>(f.data()), 45);
        // Junk after every frame: 5 of every 50 bytes. Any byte value, start bytes included,
        // so the reader has to resynchronise for real.
        const int junk = qRound(45 * junkShare / (1 - junkShare));
        for (int i = 0; i < junk; ++i)
            stream.append(static_cast<char>(rng.bounded(256)));
    }
    stream.truncate(size);
    return stream;
}

} // namespace

int main()
{
    const QByteArray stream = makeStream(1 << 20, 0.10);
    constexpr int rounds = 20;

    NoTimers timers;
    NoPanel panel;
    quint64 frames = 0;
    QElapsedTimer timer;
    timer.start();
    for (int r = 0; r < rounds; ++r) {
        tc4dl::FrameReader reader;
        tc4dl::LiveDecoder decoder;
        tc4dl::PanelDisplay display(timers);
        display.setPanel(&panel);
        for (qsizetype at = 0; at < stream.size(); at += 256) {
            const qsizetype n = std::min<qsizetype>(256, stream.size() - at);
            reader.feed(stream.constData() + at, n, [&](const tc4dl::MeterFrame& f) {
                decoder.decodeFrame(f);
                display.show(decoder.state().last);
            });
        }
        frames += reader.counters().frames;
    }
    const double frameNs = double(timer.nsecsElapsed()) / rounds;

    // The framing alone, without decoding and panel texts.
    quint64 framedOnly = 0;
    timer.restart();
    for (int r = 0; r < rounds; ++r) {
        tc4dl::FrameReader reader;
        for (qsizetype at = 0; at < stream.size(); at += 256) {
            const qsizetype n = std::min<qsizetype>(256, stream.size() - at);
            reader.feed(stream.constData() + at, n, [](const tc4dl::MeterFrame&) {});
        }
        framedOnly += reader.counters().frames;
    }
    const double framingNs = double(timer.nsecsElapsed()) / rounds;

    std::vector<char> copy(static_cast<size_t>(stream.size()));
    timer.restart();
    for (int r = 0; r < rounds * 10; ++r) {
        std::memcpy(copy.data(), stream.constData(), copy.size());
        copy[static_cast<size_t>(r) % copy.size()] ^= 1; // keep the copy from being elided
    }
    const double copyNs = double(timer.nsecsElapsed()) / (rounds * 10);

    const double mb = double(stream.size()) / (1 << 20);
    std::printf("stream: %.1f MiB, 10%% junk, %llu frames per pass\n", mb,
        static_cast<unsigned long long>(frames / rounds));
    std::printf("framing + decoding (panel texts included): %.1f MiB/s (%.2f ms per MiB)\n",
        mb / (frameNs / 1e9), frameNs / 1e6 / mb);
    std::printf("framing alone:                             %.1f MiB/s (%llu frames)\n",
        mb / (framingNs / 1e9), static_cast<unsigned long long>(framedOnly / rounds));
    std::printf("memcpy of the same stream:                 %.1f MiB/s\n", mb / (copyNs / 1e9));
    std::printf("ratio framing+decoding / memcpy time:     %.0fx\n", frameNs / copyNs);
    std::printf("ratio framing alone / memcpy time:        %.0fx\n", framingNs / copyNs);
    std::printf("the meter sends 960 bytes/s: framing keeps up %.0f times over\n",
        (double(stream.size()) / (frameNs / 1e9)) / 960.0);
    return panel.sink > 0 ? 0 : 1;
}
