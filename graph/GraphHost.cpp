#include "GraphHost.h"

#include "ChartSupport.h"

#include <QColorDialog>
#include <QDialog>

namespace tc4dl {

int GraphHost::execDialog(QDialog& dialog)
{
    return dialog.exec();
}

std::optional<chart::Color> GraphHost::chooseColor(chart::Color initial)
{
    const QColor chosen = QColorDialog::getColor(chart::toQColor(initial));
    if (!chosen.isValid())
        return std::nullopt;
    return chart::fromQColor(chosen);
}

} // namespace tc4dl
