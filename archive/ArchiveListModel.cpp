#include "ArchiveListModel.h"

#include "DataSetList.h"
#include "DateTimeSerial.h"

#include <QLocale>

namespace tc4dl::archive {

ArchiveListModel::ArchiveListModel(Archive* archive, QObject* parent)
    : QAbstractTableModel(parent),
      m_archive(archive)
{
}

void ArchiveListModel::setHeaderTexts(const QStringList& titles)
{
    m_titles = titles;
    Q_EMIT headerDataChanged(Qt::Horizontal, 0, ColumnCount - 1);
}

void ArchiveListModel::reload(const ArchiveFilter& filter)
{
    ArchiveError error;
    setSets(m_archive ? m_archive->list(filter, &error) : std::vector<ArchivedSet> {});
    if (error.failed())
        Q_EMIT readFailed(error);
}

void ArchiveListModel::setSets(std::vector<ArchivedSet> sets)
{
    beginResetModel();
    m_sets = std::move(sets);
    endResetModel();
}

const ArchivedSet& ArchiveListModel::setAt(int row) const
{
    return m_sets[static_cast<std::size_t>(row)];
}

QString ArchiveListModel::startText(double serial)
{
    const QDateTime t = fromDateTimeSerial(serial);
    return QLocale().toString(t.date(), QLocale::LongFormat) + QLatin1Char(' ')
        + t.time().toString(QStringLiteral("HH:mm:ss"));
}

int ArchiveListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_sets.size());
}

int ArchiveListModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant ArchiveListModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= rowCount())
        return {};
    const ArchivedSet& s = setAt(index.row());
    if (role == Qt::EditRole && index.column() == Note)
        return s.note;
    if (role == Qt::TextAlignmentRole && (index.column() == Rate || index.column() == Samples))
        return QVariant::fromValue(Qt::Alignment(Qt::AlignRight | Qt::AlignVCenter));
    if (role != Qt::DisplayRole)
        return {};
    const QLocale locale;
    switch (index.column()) {
    case Start:
        return startText(s.start);
    case Rate:
        return intervalText(s.interval);
    case Samples:
        return s.samples;
    case Unit:
        return s.celsius ? QStringLiteral("°C") : QStringLiteral("°F");
    case Added:
        return locale.toString(s.added.toLocalTime(), QLocale::ShortFormat);
    case Note:
        return s.note;
    case Meter:
        return s.meter;
    default:
        return {};
    }
}

QVariant ArchiveListModel::headerData(int section, Qt::Orientation o, int role) const
{
    if (o != Qt::Horizontal || role != Qt::DisplayRole || section < 0 || section >= m_titles.size())
        return QAbstractTableModel::headerData(section, o, role);
    return m_titles.at(section);
}

Qt::ItemFlags ArchiveListModel::flags(const QModelIndex& index) const
{
    Qt::ItemFlags f = QAbstractTableModel::flags(index);
    if (index.isValid() && index.column() == Note && m_archive && !m_archive->readOnly())
        f |= Qt::ItemIsEditable;
    return f;
}

bool ArchiveListModel::setData(const QModelIndex& index, const QVariant& value, int role)
{
    if (!index.isValid() || index.column() != Note || role != Qt::EditRole || !m_archive
        || index.row() >= rowCount())
        return false;
    ArchivedSet& s = m_sets[static_cast<std::size_t>(index.row())];
    const QString note = value.toString();
    if (note == s.note)
        return true;
    ArchiveError why;
    if (!m_archive->setNote(s.id, note, &why)) {
        Q_EMIT writeFailed(why);
        return false;
    }
    s.note = note;
    Q_EMIT dataChanged(index, index, { Qt::DisplayRole, Qt::EditRole });
    return true;
}

} // namespace tc4dl::archive
