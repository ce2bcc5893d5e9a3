#include "TfrmArchive.h"

#include "ArchiveCsv.h"
#include "ArchiveErrorText.h"
#include "ArchiveKeeper.h"
#include "ArchiveTimeline.h"
#include "Clock.h"
#include "CollectionFile.h"
#include "DataSetStore.h"
#include "DateTimeSerial.h"
#include "DecodeMemoryImage.h"
#include "MemoryImage.h"
#include "Prompter.h"
#include "StartFolder.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

#include <algorithm>

namespace tc4dl::archive {

namespace {

QPushButton* button(QWidget* parent, QLayout* row, const char* name)
{
    auto* b = new QPushButton(parent);
    b->setObjectName(QLatin1String(name));
    row->addWidget(b);
    return b;
}

} // namespace

TfrmArchive::TfrmArchive(ArchiveKeeper& keeper, Prompter& prompter, Clock& clock, ShowImage show,
    QString startFolder, QWidget* parent)
    : QWidget(parent),
      m_keeper(keeper),
      m_prompter(prompter),
      m_clock(clock),
      m_show(std::move(show)),
      m_startFolder(std::move(startFolder)),
      m_messages(MessageTable::forWindow(QStringLiteral("TfrmArchive"))),
      m_model(keeper.archive(), this)
{
    setObjectName(QStringLiteral("TfrmArchive"));
    auto* layout = new QVBoxLayout(this);
    auto* filters = new QHBoxLayout;
    m_fromOn = new QCheckBox(this);
    m_fromOn->setObjectName(QStringLiteral("chkFrom"));
    m_from = new QDateEdit(this);
    m_toOn = new QCheckBox(this);
    m_toOn->setObjectName(QStringLiteral("chkTo"));
    m_to = new QDateEdit(this);
    for (QDateEdit* edit : { m_from, m_to }) {
        edit->setCalendarPopup(true);
        edit->setDate(clock.now().date());
    }
    auto* unitLabel = new QLabel(this);
    unitLabel->setObjectName(QStringLiteral("lblUnit"));
    m_unit = new QComboBox(this);
    m_unit->addItems({ text(7), QStringLiteral("°C"), QStringLiteral("°F") });
    for (QWidget* w :
        std::initializer_list<QWidget*> { m_fromOn, m_from, m_toOn, m_to, unitLabel, m_unit })
        filters->addWidget(w);
    filters->addStretch();
    layout->addLayout(filters);

    m_table = new QTableView(this);
    m_table->setModel(&m_model);
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed
        | QAbstractItemView::SelectedClicked);
    m_table->horizontalHeader()->setStretchLastSection(true);
    m_table->verticalHeader()->hide();
    layout->addWidget(m_table);

    auto* commands = new QHBoxLayout;
    connect(button(this, commands, "btnGraph"), &QPushButton::clicked, this,
        &TfrmArchive::graphSelected);
    connect(button(this, commands, "btnTimeline"), &QPushButton::clicked, this,
        &TfrmArchive::graphTimeline);
    connect(button(this, commands, "btnExportCh4"), &QPushButton::clicked, this,
        [this] { exportSelected(false); });
    connect(button(this, commands, "btnExportCsv"), &QPushButton::clicked, this,
        [this] { exportSelected(true); });
    connect(button(this, commands, "btnRemove"), &QPushButton::clicked, this,
        &TfrmArchive::removeSelected);
    commands->addStretch();
    connect(button(this, commands, "btnSettings"), &QPushButton::clicked, this,
        &TfrmArchive::settingsRequested);
    layout->addLayout(commands);

    m_messages.applyTo(this);
    m_model.setHeaderTexts({ text(1), text(2), text(3), text(4), text(5), text(6), text(52) });
    connect(&m_model, &ArchiveListModel::writeFailed, this,
        [this](const ArchiveError& reason) { tell(text(12).arg(archiveErrorText(reason))); });
    connect(&m_model, &ArchiveListModel::readFailed, this,
        [this](const ArchiveError& reason) { tell(text(13).arg(archiveErrorText(reason))); });
    connect(m_table, &QTableView::doubleClicked, this, [this](const QModelIndex& index) {
        if (index.column() != ArchiveListModel::Note)
            graphSelected();
    });

    for (QCheckBox* check : { m_fromOn, m_toOn })
        connect(check, &QCheckBox::toggled, this, &TfrmArchive::reload);
    for (QDateEdit* edit : { m_from, m_to })
        connect(edit, &QDateEdit::dateChanged, this, &TfrmArchive::reload);
    connect(m_unit, &QComboBox::currentIndexChanged, this, &TfrmArchive::reload);
    // Before the archive listed so far is closed: the model must not keep it.
    connect(&m_keeper, &ArchiveKeeper::switched, this, [this] {
        m_model.setArchive(m_keeper.archive());
        reload();
    });
    reload();
    m_table->resizeColumnsToContents();
}

QString TfrmArchive::text(int id) const
{
    return m_messages.getTextOrDefault(QStringLiteral("IDS_%1").arg(id));
}

void TfrmArchive::tell(const QString& message)
{
    m_prompter.tell(message);
}

ArchiveFilter TfrmArchive::filter() const
{
    ArchiveFilter f;
    if (m_fromOn->isChecked())
        f.fromSerial = dateTimeSerial(m_from->date(), QTime(0, 0));
    if (m_toOn->isChecked()) // the whole last day
        f.toSerial = dateTimeSerial(m_to->date(), QTime(23, 59, 59, 999));
    if (m_unit->currentIndex() > 0)
        f.celsius = m_unit->currentIndex() == 1;
    return f;
}

void TfrmArchive::reload()
{
    m_model.reload(filter());
}

std::vector<qint64> TfrmArchive::selectedIds() const
{
    std::vector<int> rows;
    for (const QModelIndex& index : m_table->selectionModel()->selectedRows())
        rows.push_back(index.row());
    std::sort(rows.begin(), rows.end());
    std::vector<qint64> ids;
    for (const int row : rows)
        ids.push_back(m_model.setAt(row).id);
    return ids;
}

Archive* TfrmArchive::usable()
{
    Archive* archive = m_keeper.archive();
    if (!archive)
        tell(text(8).arg(archiveErrorText(m_keeper.openError())));
    return archive;
}

bool TfrmArchive::writable()
{
    Archive* archive = usable();
    if (archive && archive->readOnly()) {
        tell(text(9).arg(QDir::toNativeSeparators(archive->path())));
        return false;
    }
    return archive != nullptr;
}

void TfrmArchive::graphSelected()
{
    const std::vector<qint64> ids = selectedIds();
    Archive* archive = usable();
    if (!archive)
        return;
    if (ids.empty()) {
        tell(text(15));
        return;
    }
    // One set as if it had just been downloaded: the first chosen.
    const std::optional<MemoryImage> image = imageOf(*archive, { ids.front() });
    if (!image)
        return;
    if (const QString failed = m_show ? m_show({ ids.front() }, *image, false) : QString();
        !failed.isEmpty())
        tell(text(20).arg(failed));
}

void TfrmArchive::graphTimeline()
{
    Archive* archive = usable();
    if (!archive)
        return;
    std::vector<ArchivedSet> listed;
    bool celsius = false;
    bool fahrenheit = false;
    for (int row = 0; row < m_model.rowCount(); ++row) {
        listed.push_back(m_model.setAt(row));
        (listed.back().celsius ? celsius : fahrenheit) = true;
    }
    if (listed.empty()) {
        tell(text(16));
        return;
    }
    // The values stay as the meter counted them: two units on one axis would mislead.
    if (celsius && fahrenheit) {
        tell(text(14));
        return;
    }
    const TimelineChoice choice = chooseTimelineSets(listed);
    if (choice.overlapFirst) {
        const ArchivedSet& first = *choice.overlapFirst;
        const ArchivedSet& second = *choice.overlapSecond;
        // Two meters side by side is no clock set back: it is said as what it is.
        if (first.meter != second.meter)
            tell(text(53).arg(first.meter, ArchiveListModel::startText(first.start), second.meter,
                ArchiveListModel::startText(second.start)));
        else
            tell(text(21).arg(ArchiveListModel::startText(first.start),
                ArchiveListModel::startText(second.start)));
        return;
    }
    const std::optional<MemoryImage> image = imageOf(*archive, choice.ids);
    if (!image)
        return;
    if (const QString failed = m_show ? m_show(choice.ids, *image, true) : QString();
        !failed.isEmpty())
        tell(text(20).arg(failed));
}

std::optional<MemoryImage> TfrmArchive::imageOf(Archive& archive, const std::vector<qint64>& ids)
{
    ArchiveError error;
    std::optional<MemoryImage> image = archive.image(ids, &error);
    if (!image)
        tell(text(13).arg(archiveErrorText(error)));
    return image;
}

void TfrmArchive::exportSelected(bool csv)
{
    Archive* archive = usable();
    if (!archive)
        return;
    const std::vector<qint64> ids = selectedIds();
    if (ids.empty()) {
        tell(text(15));
        return;
    }
    // A CSV file takes the sets of one image; a collection file no more than a meter's memory.
    std::optional<MemoryImage> image;
    if (csv && !(image = imageOf(*archive, ids)))
        return;
    Prompter::FileRequest request;
    request.start = existingStartFolder(m_startFolder);
    request.filters = QStringList { csv ? QStringLiteral("CSV (*.csv *.CSV)")
                                        : QStringLiteral("Data Sets Collection (*.CH4 *.ch4)") };
    request.defaultSuffix = csv ? QStringLiteral("csv") : QStringLiteral("ch4");
    const QString path = m_prompter.saveFileName(request);
    if (path.isEmpty())
        return;
    m_startFolder = QFileInfo(path).absolutePath();
    QString error;
    if (csv) {
        DataSetStore store;
        const DecodeOutcome decoded = decodeMemoryImage(*image, m_clock.now(), store);
        if (decoded.result != LoadResult::Success) {
            tell(text(13).arg(
                decoded.badSet >= 0 ? QString::number(decoded.badSet + 1) : QString()));
            return;
        }
        if (!writeArchiveCsv(path, store, ids, &error))
            tell(text(17).arg(QDir::toNativeSeparators(path), error));
        return;
    }
    // The collection files the program opens again: memory images of these sets, numbered
    // when they are more than one memory.
    QStringList written;
    QString failed;
    ArchiveError why;
    const bool done = archive->forEachMemory(
        ids,
        [&](const MemoryImage& memory, int index, int count) {
            const QString file = memoryFileNames(path, count).at(index);
            if (!writeTransferFile(memory, file, &error)) {
                failed = file;
                return false;
            }
            written << QDir::toNativeSeparators(file);
            return true;
        },
        &why);
    if (!failed.isEmpty())
        tell(text(17).arg(QDir::toNativeSeparators(failed), error));
    else if (!done)
        tell(text(13).arg(archiveErrorText(why)));
    else if (written.size() > 1)
        tell(text(23).arg(written.size()).arg(written.join(QStringLiteral(", "))));
}

void TfrmArchive::removeSelected()
{
    const std::vector<qint64> ids = selectedIds();
    if (ids.empty()) {
        tell(text(15));
        return;
    }
    if (!writable())
        return;
    if (m_prompter.ask(
            text(10).arg(ids.size()), Prompter::Buttons::YesNoDefaultNo, Prompter::Icon::Question)
        != Prompter::Answer::Yes)
        return;
    ArchiveError error;
    if (!m_keeper.archive()->remove(ids, &error))
        tell(text(11).arg(archiveErrorText(error)));
    reload();
}

} // namespace tc4dl::archive
