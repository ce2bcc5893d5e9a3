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

    Grid1 = new QTableView(this);
    Grid1->setObjectName(QStringLiteral("Grid1"));
    Grid1->setModel(m_table);
    // The row number is the grid's own fixed column 0; no second one beside it.
    Grid1->verticalHeader()->hide();
    Grid1->verticalHeader()->setDefaultSectionSize(18);
    Grid1->verticalHeader()->setMinimumSectionSize(18);
    Grid1->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    Grid1->horizontalHeader()->setDefaultSectionSize(64);
    // A full date or time is what a person reads first; where the font in use is wider than
    // the one the 64-pixel columns were measured for, those two columns grow to show it whole.
    const QFontMetrics metrics(font);
    const int margin = 2 * (Grid1->style()->pixelMetric(QStyle::PM_FocusFrameHMargin) + 1) + 2;
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
        Grid1->horizontalHeader()->resizeSection(column, width);
    }
    Grid1->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    Grid1->horizontalHeader()->setStretchLastSection(false);
    Grid1->horizontalHeader()->setHighlightSections(false);
    Grid1->setShowGrid(true);
    Grid1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    Grid1->setSelectionMode(QAbstractItemView::ContiguousSelection);
    Grid1->setSelectionBehavior(QAbstractItemView::SelectItems);
    Grid1->setWordWrap(false);
    Grid1->setItemDelegate(new FixedColumnDelegate(Grid1));

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(Grid1);
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
