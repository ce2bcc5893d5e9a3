#pragma once

#include "ArchiveListModel.h"
#include "MessageTable.h"

#include <QWidget>

#include <functional>
#include <optional>
#include <vector>

class QCheckBox;
class QComboBox;
class QDateEdit;
class QPushButton;
class QTableView;

namespace tc4dl {

class ArchiveKeeper;
class Clock;
class MemoryImage;
class Prompter;

namespace archive {

// The "Archive" window: every archived data set, sorted by start, filtered by a date range and
// a unit; the note is edited in place. Its commands graph one set, graph every listed set as one
// timeline (both in a graph of the archive's own, never in the logger's window), export the
// selection to a collection file (numbered files, NAME-1.ch4 …, when it is more than one meter
// memory holds, each one the program reads again, all of them named in a message) or CSV, and
// remove the selection after a question whose default is No. Every failure is said; a read-only
// archive lists and graphs, and its edits say why they cannot be made. When the keeper switches
// to another archive file, the window lists that one.
class TfrmArchive final : public QWidget {
    Q_OBJECT
public:
    // Shows the sets `ids`, read from the archive as `image`, as one timeline when `timeline`;
    // the reason when it could not (empty when shown).
    using ShowImage = std::function<QString(
        const std::vector<qint64>& ids, const MemoryImage& image, bool timeline)>;

    TfrmArchive(ArchiveKeeper& keeper, Prompter& prompter, Clock& clock, ShowImage show,
        QString startFolder, QWidget* parent = nullptr);

    [[nodiscard]] ArchiveListModel& listModel() { return m_model; }
    [[nodiscard]] QTableView* table() const { return m_table; }
    [[nodiscard]] QCheckBox* fromCheck() const { return m_fromOn; }
    [[nodiscard]] QCheckBox* toCheck() const { return m_toOn; }
    [[nodiscard]] QDateEdit* fromDate() const { return m_from; }
    [[nodiscard]] QDateEdit* toDate() const { return m_to; }
    [[nodiscard]] QComboBox* unitChoice() const { return m_unit; }

    // The filter the controls give, and listing again after a change.
    [[nodiscard]] ArchiveFilter filter() const;
    void reload();
    // The archive ids of the selected rows, in the list's order.
    [[nodiscard]] std::vector<qint64> selectedIds() const;

    void graphSelected();
    void graphTimeline();
    void exportSelected(bool csv);
    void removeSelected();

Q_SIGNALS:
    // The "Settings…" button: the archive's file and whether sets are added to it.
    void settingsRequested();

private:
    [[nodiscard]] QString text(int id) const;
    void tell(const QString& message);
    // The archive, or null after saying why not.
    [[nodiscard]] Archive* usable();
    // False after saying that the archive cannot be changed.
    [[nodiscard]] bool writable();
    // The chosen sets as a memory image, or nothing after saying why not.
    [[nodiscard]] std::optional<MemoryImage> imageOf(
        Archive& archive, const std::vector<qint64>& ids);

    ArchiveKeeper& m_keeper;
    Prompter& m_prompter;
    Clock& m_clock;
    ShowImage m_show;
    QString m_startFolder;
    MessageTable m_messages;
    ArchiveListModel m_model;
    QTableView* m_table;
    QCheckBox* m_fromOn;
    QCheckBox* m_toOn;
    QDateEdit* m_from;
    QDateEdit* m_to;
    QComboBox* m_unit;
};

} // namespace archive
} // namespace tc4dl
