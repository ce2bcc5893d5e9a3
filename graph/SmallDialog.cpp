#include "SmallDialog.h"

namespace tc4dl {

void setBlankTitle(QWidget* dialog)
{
    dialog->setWindowTitle(QStringLiteral(" "));
}

} // namespace tc4dl
