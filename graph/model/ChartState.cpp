// The state block of a graph: every setting, the annotations and the data, little-endian.
//
//   "TC4G"  magic
//   u32     format version (1)
//   ...     the look, field by field, in the order of describeLook()
//   f32     null value, i32 working axis, 2 × (f64 X, u32 colour) vertical lines
//   u32     annotation count, each i32 type, f64 X, f64 Y, text, u32 colour
//   i32     subsets, i32 points, then subsets × points f64 X and as many f32 Y, point-major
//
// Text is a u32 count of UTF-16 units and the units; a list is a u32 count and its entries.
// Doubles and floats travel as their bit patterns, so a round trip is exact. The reader checks
// every count against the bytes that are left before it reserves anything, so a block can never
// make it allocate more than its own size.

#include "ChartModel.h"

#include <QtEndian>

#include <bit>
#include <cstring>

namespace tc4dl::chart {

namespace {

constexpr char kMagic[4] = { 'T', 'C', '4', 'G' };
constexpr quint32 kVersion = 1;
constexpr qsizetype kAnnotationMinBytes = 4 + 8 + 8 + 4 + 4;
constexpr qsizetype kCellBytes = 8 + 4;

class Writer {
public:
    QByteArray bytes;

    void u32(quint32 v)
    {
        char b[4];
        qToLittleEndian(v, b);
        bytes.append(b, 4);
    }
    void u64(quint64 v)
    {
        char b[8];
        qToLittleEndian(v, b);
        bytes.append(b, 8);
    }
    void i32(int v) { u32(static_cast<quint32>(v)); }
    void f64(double v) { u64(std::bit_cast<quint64>(v)); }
    void f32(float v) { u32(std::bit_cast<quint32>(v)); }
    void str(const QString& s)
    {
        u32(static_cast<quint32>(s.size()));
        for (QChar c : s) {
            char b[2];
            qToLittleEndian(c.unicode(), b);
            bytes.append(b, 2);
        }
    }

    // The visitor interface shared with Reader, so both walk the same fields in one order.
    void field(quint32& v) { u32(v); }
    void field(int& v) { i32(v); }
    void field(double& v) { f64(v); }
    void field(float& v) { f32(v); }
    void field(bool& v) { bytes.append(v ? '\1' : '\0'); }
    void field(QString& v) { str(v); }
    template <typename E> void enumeration(E& v, int /*max*/) { i32(static_cast<int>(v)); }
    template <typename T, typename F> void list(QList<T>& items, qsizetype /*minBytes*/, F&& each)
    {
        u32(static_cast<quint32>(items.size()));
        for (T& item : items)
            each(item);
    }
};

class Reader {
public:
    explicit Reader(QByteArrayView block)
        : m_data(block)
    {
    }

    [[nodiscard]] bool ok() const { return m_error.isEmpty(); }
    [[nodiscard]] const QString& error() const { return m_error; }
    [[nodiscard]] qsizetype remaining() const { return m_data.size() - m_pos; }

    void fail(const QString& why)
    {
        if (m_error.isEmpty())
            m_error = why;
    }

    bool take(void* out, qsizetype n)
    {
        if (!ok())
            return false;
        if (remaining() < n) {
            fail(QStringLiteral("The graph state block is truncated."));
            return false;
        }
        std::memcpy(out, m_data.data() + m_pos, static_cast<std::size_t>(n));
        m_pos += n;
        return true;
    }
    quint32 u32()
    {
        uchar b[4] = {};
        take(b, 4);
        return qFromLittleEndian<quint32>(b);
    }
    quint64 u64()
    {
        uchar b[8] = {};
        take(b, 8);
        return qFromLittleEndian<quint64>(b);
    }
    int i32() { return static_cast<int>(u32()); }
    double f64() { return std::bit_cast<double>(u64()); }
    float f32() { return std::bit_cast<float>(u32()); }

    // A count of entries of at least minBytes each, checked against the bytes left.
    qsizetype count(qsizetype minBytes)
    {
        const quint32 n = u32();
        if (!ok())
            return 0;
        if (static_cast<qint64>(n) > remaining() / minBytes) {
            fail(QStringLiteral("The graph state block claims %1 entries where only %2 bytes "
                                "are left.")
                     .arg(n)
                     .arg(remaining()));
            return 0;
        }
        return static_cast<qsizetype>(n);
    }

    void field(quint32& v) { v = u32(); }
    void field(int& v) { v = i32(); }
    void field(double& v) { v = f64(); }
    void field(float& v) { v = f32(); }
    void field(bool& v)
    {
        char b = 0;
        take(&b, 1);
        if (b != 0 && b != 1)
            fail(QStringLiteral("The graph state block holds a switch of value %1.")
                     .arg(static_cast<int>(static_cast<uchar>(b))));
        v = b == 1;
    }
    void field(QString& v)
    {
        const qsizetype n = count(2);
        QString s;
        s.reserve(n);
        for (qsizetype i = 0; i < n && ok(); ++i) {
            uchar b[2] = {};
            take(b, 2);
            s.append(QChar(qFromLittleEndian<quint16>(b)));
        }
        v = s;
    }
    template <typename E> void enumeration(E& v, int max)
    {
        const int raw = i32();
        if (ok() && (raw < 0 || raw > max))
            fail(QStringLiteral("The graph state block holds a setting of value %1 outside "
                                "0..%2.")
                     .arg(raw)
                     .arg(max));
        v = static_cast<E>(raw);
    }
    template <typename T, typename F> void list(QList<T>& items, qsizetype minBytes, F&& each)
    {
        const qsizetype n = count(minBytes);
        QList<T> read;
        read.reserve(n);
        for (qsizetype i = 0; i < n && ok(); ++i) {
            T item {};
            each(item);
            read.append(item);
        }
        items = read;
    }

private:
    QByteArrayView m_data;
    qsizetype m_pos = 0;
    QString m_error;
};

// Every field of the look, in block order. Adding a field means a new format version.
template <typename A> void describeLook(A& a, ChartLook& l)
{
    auto scale = [&a](Scale& s) {
        a.enumeration(s.control, 1);
        a.field(s.min);
        a.field(s.max);
    };
    auto text = [&a](QString& s) { a.field(s); };
    auto color = [&a](Color& c) { a.field(c); };
    auto integer = [&a](int& i) { a.field(i); };
    auto real = [&a](double& d) { a.field(d); };

    a.field(l.mainTitle);
    a.field(l.subTitle);
    a.field(l.xAxisLabel);
    a.list(l.subsetLabels, 4, text);
    a.list(l.subsetColors, 4, color);
    a.list(l.yAxisLabels, 4, text);
    a.enumeration(l.gridStyle, 3);
    a.field(l.graphForeColor);
    a.field(l.graphBackColor);
    a.field(l.deskColor);
    a.field(l.textColor);
    a.field(l.dateTimeMode);
    a.field(l.usingXDataII);

    scale(l.xScale);
    a.list(l.yScales, 4 + 8 + 8, scale);
    a.list(l.multiAxesSubsets, 4, integer);
    a.list(l.multiAxesProportions, 8, real);
    a.field(l.multiAxesThinSeparators);

    a.field(l.showGraphAnnotations);
    a.field(l.graphAnnotationTextSize);
    a.field(l.showVertLineAnnotations);
    a.field(l.allowVertLineAnnotHotSpots);
    a.field(l.lineAnnotationTextSize);
    a.field(l.allowGraphAnnotHotSpots);
    a.field(l.allowDataHotSpots);

    a.field(l.prepareImages);
    a.field(l.subsetByPoint);
    a.field(l.noHelp);
    a.field(l.allowPopup);
    a.enumeration(l.allowDataLabels, 1);
    a.enumeration(l.allowZooming, 3);
    a.field(l.scrollingHorzZoom);
    a.field(l.scrollingVertZoom);
    a.field(l.allowAxisPage);
    a.field(l.arrowCursor);
    a.field(l.noRandomPointsToExport);
    a.field(l.focalRect);
    a.field(l.allowBar);
    a.field(l.lineGapThreshold);
    a.field(l.allowFontPage);
    a.field(l.allowPage1);
    a.field(l.allowPage2);
    a.field(l.allowSubsetsPage);
}

template <typename A> void describeAnnotation(A& a, GraphAnnotation& g)
{
    a.field(g.type);
    a.field(g.x);
    a.field(g.y);
    a.field(g.text);
    a.field(g.color);
}

} // namespace

QByteArray ChartModel::storeState() const
{
    Writer w;
    const auto cells = m_x.size();
    w.bytes.reserve(static_cast<qsizetype>(512 + cells * kCellBytes));
    w.bytes.append(kMagic, 4);
    w.u32(kVersion);

    ChartLook l = look;
    describeLook(w, l);

    w.f32(m_nullY);
    w.i32(m_workingAxis);
    for (const VertLineAnnotation& v : m_vertLines) {
        w.f64(v.x);
        w.u32(v.color);
    }
    w.u32(static_cast<quint32>(m_annotations.size()));
    for (GraphAnnotation g : m_annotations)
        describeAnnotation(w, g);

    w.i32(m_subsets);
    w.i32(m_points);
    for (double x : m_x)
        w.f64(x);
    for (float y : m_y)
        w.f32(y);
    return w.bytes;
}

// The axis groups must be a split the graph can draw: each group holds at least one subset and
// no more than there are, there are no more groups than subsets can exist, and together they
// reach every subset. The program itself writes four groups of one, also for a graph of one
// subset, so groups may reach beyond the last subset; they may not leave one without an axis.
static QString axisGroupsProblem(const QList<int>& groups, int subsets)
{
    if (groups.isEmpty())
        return {};
    if (groups.size() > ChartModel::kMaxSubsets)
        return QStringLiteral("The graph state block holds %1 axis groups; at most %2 are "
                              "allowed.")
            .arg(groups.size())
            .arg(ChartModel::kMaxSubsets);
    qint64 sum = 0;
    for (const int g : groups) {
        if (g < 1 || g > subsets)
            return QStringLiteral("The graph state block holds an axis group of %1 subsets in a "
                                  "graph of %2.")
                .arg(g)
                .arg(subsets);
        sum += g;
    }
    if (sum < subsets)
        return QStringLiteral("The graph state block's axis groups hold %1 subsets of %2.")
            .arg(sum)
            .arg(subsets);
    return {};
}

namespace {

// The block's magic number and format version; an empty text when they are this program's.
QString headerProblem(Reader& r)
{
    char magic[4] = {};
    if (!r.take(magic, 4) || std::memcmp(magic, kMagic, 4) != 0)
        return QStringLiteral("The data is not a graph state block (wrong magic number).");
    const quint32 version = r.u32();
    if (!r.ok())
        return r.error();
    if (version != kVersion)
        return QStringLiteral("The graph state block has format version %1; this program "
                              "reads version %2.")
            .arg(version)
            .arg(kVersion);
    return {};
}

// The annotations, their count checked against the bytes left before anything is allocated.
std::vector<GraphAnnotation> readAnnotations(Reader& r)
{
    const qsizetype count = r.count(kAnnotationMinBytes);
    if (r.ok() && count > ChartModel::kMaxAnnotations)
        r.fail(QStringLiteral("The graph state block holds %1 annotations; at most %2 are "
                              "allowed.")
                   .arg(count)
                   .arg(ChartModel::kMaxAnnotations));
    std::vector<GraphAnnotation> annotations;
    if (r.ok())
        annotations.resize(static_cast<std::size_t>(count));
    for (GraphAnnotation& g : annotations) {
        if (!r.ok())
            break;
        describeAnnotation(r, g);
    }
    return annotations;
}

// The data's dimensions against the limits and against the bytes the block has left for them.
QString gridProblem(int subsets, int points, qint64 remaining)
{
    if (subsets < 1 || subsets > ChartModel::kMaxSubsets || points < 0)
        return QStringLiteral("The graph state block holds %1 subsets of %2 points.")
            .arg(subsets)
            .arg(points);
    const qint64 cells = static_cast<qint64>(subsets) * points;
    if (cells > ChartModel::kMaxCells)
        return QStringLiteral("The graph state block holds %1 × %2 cells; at most %3 are "
                              "allowed.")
            .arg(subsets)
            .arg(points)
            .arg(ChartModel::kMaxCells);
    if (cells * kCellBytes != remaining)
        return QStringLiteral("The graph state block needs %1 bytes for its data but holds %2.")
            .arg(cells * kCellBytes)
            .arg(remaining);
    return {};
}

} // namespace

bool ChartModel::loadState(QByteArrayView block, QString* error)
{
    auto reject = [error](const QString& why) {
        if (error)
            *error = why;
        return false;
    };

    Reader r(block);
    if (const QString why = headerProblem(r); !why.isEmpty())
        return reject(why);

    // Everything is read into locals first, so a bad block leaves the model as it was.
    ChartLook l;
    describeLook(r, l);

    const float nullY = r.f32();
    const int workingAxis = r.i32();
    if (r.ok() && (workingAxis < 0 || workingAxis >= kMaxSubsets))
        r.fail(QStringLiteral("The graph state block names working axis %1.").arg(workingAxis));
    VertLineAnnotation vertLines[2];
    for (VertLineAnnotation& v : vertLines) {
        v.x = r.f64();
        v.color = r.u32();
    }

    std::vector<GraphAnnotation> annotations = readAnnotations(r);

    const int subsets = r.i32();
    const int points = r.i32();
    if (!r.ok())
        return reject(r.error());
    if (const QString why = gridProblem(subsets, points, r.remaining()); !why.isEmpty())
        return reject(why);
    if (const QString why = axisGroupsProblem(l.multiAxesSubsets, subsets); !why.isEmpty())
        return reject(why);
    const qint64 cells = static_cast<qint64>(subsets) * points;

    std::vector<double> xs(static_cast<std::size_t>(cells));
    std::vector<float> ys(static_cast<std::size_t>(cells));
    for (double& x : xs)
        x = r.f64();
    for (float& y : ys)
        y = r.f32();
    if (!r.ok())
        return reject(r.error());

    look = std::move(l);
    m_nullY = nullY;
    m_workingAxis = workingAxis;
    m_vertLines[0] = vertLines[0];
    m_vertLines[1] = vertLines[1];
    m_annotations = std::move(annotations);
    m_subsets = subsets;
    m_points = points;
    // A state with fewer cells (a graph template has none) keeps the room of the graph before.
    if (xs.size() <= m_x.capacity()) {
        m_x.assign(xs.begin(), xs.end());
        m_y.assign(ys.begin(), ys.end());
    } else {
        m_x = std::move(xs);
        m_y = std::move(ys);
    }
    touch(0);
    return true;
}

} // namespace tc4dl::chart
