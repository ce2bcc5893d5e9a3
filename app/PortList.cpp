#include "PortList.h"

namespace tc4dl {

namespace {

constexpr auto kExactly = Qt::MatchFixedString | Qt::MatchCaseSensitive;

} // namespace

PortList::PortList(QWidget* parent)
    : QComboBox(parent)
{
    setObjectName(QStringLiteral("ComboBoxDeviceName"));
    setEditable(true);
    setInsertPolicy(QComboBox::NoInsert);
    setMinimumWidth(105);
    setSizeAdjustPolicy(QComboBox::AdjustToContents);
    setEditText(QStringLiteral("ComPort"));
    connect(this, &QComboBox::currentTextChanged, this, [this] {
        if (!m_programSelects)
            Q_EMIT changedByPerson();
    });
    // A pick that changed the text has been told as a change already.
    connect(this, &QComboBox::activated, this, [this] {
        if (currentText() == m_portText)
            Q_EMIT pickedAgain();
    });
}

void PortList::setEntries(const QStringList& entries)
{
    m_programSelects = true;
    clear();
    addItems(entries);
    if (!entries.isEmpty())
        setCurrentIndex(0);
    m_programSelects = false;
    acceptCurrent();
}

void PortList::selectEntry(int index)
{
    m_programSelects = true;
    setCurrentIndex(index);
    m_programSelects = false;
    acceptCurrent();
}

int PortList::currentEntry() const
{
    return findText(currentText(), kExactly);
}

void PortList::revert()
{
    m_programSelects = true;
    const int kept = findText(m_portText, kExactly);
    if (kept >= 0)
        setCurrentIndex(kept);
    setEditText(m_portText);
    m_programSelects = false;
}

} // namespace tc4dl
