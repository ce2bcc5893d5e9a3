#pragma once

#include "Archive.h"

#include <QAbstractTableModel>

namespace tc4dl::archive {

// The archive window's table: one row per set, in the order given (the archive lists by
// start). Columns: start (the meter's clock, long date and time), rate (seconds), samples,
// unit ("°C"/"°F"), added (local time), note, and the meter a live run was recorded from. Only
// the note is editable; an edit goes to the archive at once and a failed write keeps the old
// note and reports it through writeFailed; a listing that cannot be read lists nothing and
// reports it through readFailed.
class ArchiveListModel final : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column { Start, Rate, Samples, Unit, Added, Note, Meter, ColumnCount };
    // `archive` may be null (nothing listed); it must outlive the model.
    explicit ArchiveListModel(Archive* archive, QObject* parent = nullptr);

    // The column titles, from the window's message table (so the model needs no texts).
    void setHeaderTexts(const QStringList& titles);
    // Lists again from the archive.
    void reload(const ArchiveFilter& filter = {});
    // Lists from another archive (null: nothing) from now on; the caller reloads.
    void setArchive(Archive* archive) { m_archive = archive; }
    void setSets(std::vector<ArchivedSet> sets);
    [[nodiscard]] const ArchivedSet& setAt(int row) const;
    // A set's start as the list shows it: the meter's clock has no zone, so as it was recorded.
    [[nodiscard]] static QString startText(double serial);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation o, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;

Q_SIGNALS:
    void writeFailed(const tc4dl::archive::ArchiveError& reason);
    void readFailed(const tc4dl::archive::ArchiveError& reason);

private:
    Archive* m_archive;
    std::vector<ArchivedSet> m_sets;
    QStringList m_titles;
};

} // namespace tc4dl::archive
