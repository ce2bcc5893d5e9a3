#include "TfrmSetupScale.h"

#include "MessageTable.h"
#include "SmallDialog.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

namespace tc4dl {

TfrmSetupScale::TfrmSetupScale(QWidget* parent)
    : QDialog(parent, kFixedDialogFlags)
{
    setObjectName(QStringLiteral("frmSetupScale"));
    auto* outer = new QGroupBox(this);
    outer->setObjectName(QStringLiteral("GroupBox1"));
    auto* channels = new QGridLayout(outer);
    channels->setHorizontalSpacing(10);
    for (int c = 0; c < 4; ++c) {
        auto* group = new QGroupBox(QStringLiteral("T%1").arg(c + 1), outer);
        group->setObjectName(QStringLiteral("grpT%1").arg(c + 1));
        auto* row = new QHBoxLayout(group);
        auto makeBox = [group](const QString& name) {
            auto* box = new QLineEdit(group);
            box->setObjectName(name);
            box->setAlignment(Qt::AlignRight);
            box->setFixedWidth(64);
            return box;
        };
        m_min[c] = makeBox(QStringLiteral("edtT%1Min").arg(c + 1));
        m_max[c] = makeBox(QStringLiteral("edtT%1Max").arg(c + 1));
        row->addWidget(new QLabel(QStringLiteral("MIN"), group));
        row->addWidget(m_min[c]);
        row->addSpacing(8);
        row->addWidget(new QLabel(QStringLiteral("MAX"), group));
        row->addWidget(m_max[c]);
        channels->addWidget(group, c / 2, c % 2);
    }
    m_save = new QCheckBox(this);
    m_save->setObjectName(QStringLiteral("chkSave"));

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(12, 12, 12, 10);
    layout->addWidget(outer);
    layout->addWidget(m_save);
    layout->addWidget(okCancelButtons(this));
    layout->setSizeConstraint(QLayout::SetFixedSize);

    MessageTable::forWindow(QStringLiteral("TfrmSetupScale")).applyTo(this);
    outer->setTitle(windowTitle());
}

void TfrmSetupScale::setRanges(const Ranges& ranges)
{
    for (int c = 0; c < 4; ++c) {
        m_min[c]->setText(QString::number(ranges[c].min));
        m_max[c]->setText(QString::number(ranges[c].max));
    }
}

std::optional<TfrmSetupScale::Ranges> TfrmSetupScale::readRanges(QString* badText) const
{
    Ranges ranges;
    bool allOk = true;
    auto read = [&](const QLineEdit* box, int& into) {
        bool ok = false;
        const int v = box->text().trimmed().toInt(&ok);
        if (ok) {
            into = v;
        } else {
            allOk = false;
            if (badText)
                *badText = box->text();
        }
    };
    for (int c = 3; c >= 0; --c) {
        read(m_max[c], ranges[c].max);
        read(m_min[c], ranges[c].min);
    }
    if (!allOk)
        return std::nullopt;
    return ranges;
}

bool TfrmSetupScale::saveSetting() const
{
    return m_save->isChecked();
}

void TfrmSetupScale::centreOnScreen()
{
    tc4dl::centreOnScreen(this);
}

} // namespace tc4dl
