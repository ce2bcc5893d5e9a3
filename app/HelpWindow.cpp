#include "HelpWindow.h"

#include <QFileInfo>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

namespace tc4dl {

HelpWindow::HelpWindow(QWidget* owner)
    : QWidget(owner, Qt::Window),
      m_browser(new QTextBrowser(this))
{
    setObjectName(QStringLiteral("HelpWindow"));
    setAttribute(Qt::WA_DeleteOnClose);
    // Links within the page move in the viewer; a link out of it (a web address) goes to the
    // desktop, where there is one.
    m_browser->setOpenLinks(true);
    m_browser->setOpenExternalLinks(true);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_browser);
    resize(820, 640);
}

bool HelpWindow::load(const QString& path, const QString& section)
{
    if (!QFileInfo(path).isReadable())
        return false;
    m_browser->setSource(QUrl::fromLocalFile(path));
    if (m_browser->document()->isEmpty())
        return false;
    setWindowTitle(m_browser->documentTitle());
    m_browser->scrollToAnchor(section);
    return true;
}

bool HelpWindow::showFor(QWidget& owner, const QString& path, const QString& section)
{
    auto* window = owner.findChild<HelpWindow*>(QString(), Qt::FindDirectChildrenOnly);
    const bool made = window == nullptr;
    if (made)
        window = new HelpWindow(&owner);
    if (!window->load(path, section)) {
        if (made)
            delete window;
        return false;
    }
    window->show();
    window->raise();
    window->activateWindow();
    return true;
}

} // namespace tc4dl
