// The graph-state block reader fed hostile blocks. Rules:
// - a rejected block leaves the model exactly as it was and says why;
// - an accepted block is stored back byte for byte (the round trip is exact), so the model
//   never holds more than the block brought;
// - what it accepted is a model whose counts agree with its cells, and whose axis groups put
//   every subset on an axis that exists.

#include "ChartModel.h"
#include "FuzzRule.h"

using namespace tc4dl::chart;

namespace {

// A model that is not the default one, so that "unchanged" means something.
ChartModel modelBefore()
{
    ChartModel m;
    m.setSubsets(3);
    m.setPoints(5);
    m.setY(1, 2, 42.5);
    m.setX(2, 4, 46000.25);
    m.look.mainTitle = QStringLiteral("before");
    m.setAnnotation(1, GraphAnnotation { kAnnotationCross, 1.0, 2.0, QStringLiteral("x"), 0xFF });
    return m;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const unsigned char* data, std::size_t size)
{
    const QByteArrayView block(data, static_cast<qsizetype>(size));
    static const QByteArray stateBefore = modelBefore().storeState();

    ChartModel m = modelBefore();
    const quint64 revision = m.revision();
    QString error;
    if (!m.loadState(block, &error)) {
        FUZZ_RULE(!error.isEmpty());
        FUZZ_RULE(m.revision() == revision);
        FUZZ_RULE(m.storeState() == stateBefore);
        return 0;
    }
    FUZZ_RULE(m.storeState() == block);
    FUZZ_RULE(m.subsets() >= 1 && m.subsets() <= ChartModel::kMaxSubsets && m.points() >= 0);
    const auto cells = static_cast<std::size_t>(m.subsets()) * static_cast<std::size_t>(m.points());
    FUZZ_RULE(m.xValues().size() == cells && m.yValues().size() == cells);
    FUZZ_RULE(m.workingAxis() >= 0);

    // Every subset lands on one of the axes, in order: what the chart view lays out from.
    const int axes = m.axisCount();
    FUZZ_RULE(axes >= 1 && axes <= ChartModel::kMaxSubsets);
    int previous = 0;
    for (int s = 0; s < m.subsets(); ++s) {
        const int axis = m.axisOfSubset(s);
        FUZZ_RULE(axis >= previous && axis < axes);
        previous = axis;
    }

    // A second load of the same block into a fresh model gives the same state.
    ChartModel again;
    FUZZ_RULE(again.loadState(block));
    FUZZ_RULE(again.storeState() == block);
    return 0;
}
