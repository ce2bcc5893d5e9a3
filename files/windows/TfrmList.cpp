#include "TfrmList.h"

#include "FixedColumnDelegate.h"

#include <QDate>
#include <QEvent>
#include <QFont>
#include <QFontMetrics>
#include <QHeaderView>
#include <QLocale>
#include <QMdiSubWindow>
#include <QStyle>
#include <QTableView>
#include <QVBoxLayout>

#include <algorithm>
#include <utility>

namespace tc4dl {

TfrmList::TfrmList(ListHost& host, QWidget* parent)
    : QWidget(parent),
      m_host(host),
      m_messages(MessageTable::forWindow(QStringLiteral("TfrmList"))),
      m_table(new TextTableModel(this)),
      m_activation(*this, [this] { FormActivate(); })
{
    setObjectName(QStringLiteral("frmList"));
    QFont font(QStringLiteral("MS Sans Serif"));
    font.setPixelSize(11);
    font.setStyleHint(QFont::SansSerif);
    setFont(font);
    resize(389, 424);

    tableGrid = new QTableView(this);
    tableGrid->setObjectName(QStringLiteral("Grid1"));
    tableGrid->setModel(m_table);
    // The row number is the grid's own fixed column 0; no second one beside it.
    tableGrid->verticalHeader()->hide();
    tableGrid->verticalHeader()->setDefaultSectionSize(18);
    tableGrid->verticalHeader()->setMinimumSectionSize(18);
    tableGrid->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    tableGrid->horizontalHeader()->setDefaultSectionSize(64);
    // A full date or time is what a person reads first; where the font in use is wider than
    // the one the 64-pixel columns were measured for, those two columns grow to show it whole.
    const QFontMetrics metrics(font);
    const int margin = 2 * (tableGrid->style()->pixelMetric(QStyle::PM_FocusFrameHMargin) + 1) + 2;
    // The samples cover a day-month-year date and a 12-hour time as well as this computer's
    // own short date.
    const QLocale locale;
    const std::pair<int, QStringList> widest[]
        = { { 1,
                { QStringLiteral("00.00.0000"),
                    locale.toString(QDate(2026, 12, 31), QLocale::ShortFormat) } },
              { 2,
                  { QStringLiteral("00:00:00"), QStringLiteral("00:00:00 ") + locale.pmText(),
                      QStringLiteral("00:00:00 PM") } } };
    for (const auto& [column, samples] : widest) {
        int width = 64;
        for (const QString& sample : samples)
            width = std::max(width, metrics.horizontalAdvance(sample) + margin);
        tableGrid->horizontalHeader()->resizeSection(column, width);
    }
    tableGrid->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    tableGrid->horizontalHeader()->setStretchLastSection(false);
    tableGrid->horizontalHeader()->setHighlightSections(false);
    tableGrid->setShowGrid(true);
    tableGrid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    tableGrid->setSelectionMode(QAbstractItemView::ContiguousSelection);
    tableGrid->setSelectionBehavior(QAbstractItemView::SelectItems);
    tableGrid->setWordWrap(false);
    tableGrid->setItemDelegate(new FixedColumnDelegate(tableGrid));

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(tableGrid);
}

QWidget* TfrmList::frameWindow()
{
    if (auto* sub = qobject_cast<QMdiSubWindow*>(parentWidget()))
        return sub;
    return this;
}

void TfrmList::FormShow()
{
    QStringList headings;
    for (int k = 0; k < TextTableModel::kColumns; ++k)
        headings << m_messages.getTextOrDefault(QStringLiteral("IDS_%1").arg(k));
    m_table->setHeadings(headings);
}

void TfrmList::FormActivate()
{
    m_host.tableActivated();
}

void TfrmList::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    FormShow();
}

bool TfrmList::event(QEvent* event)
{
    m_activation.handle(*event);
    return QWidget::event(event);
}

} // namespace tc4dl
