#include "ScopeProgress.h"

#include "DialogFrame.h"
#include "TfrmScope.h"

#include <QCoreApplication>

namespace tc4dl {

namespace {
// Often enough for the bar to move smoothly and Cancel to answer at once, seldom enough to
// cost nothing against the work itself.
constexpr qint64 kEventsEveryMs = 40;
} // namespace

ScopeProgress::ScopeProgress(Prompter::ProgressUse use, const QString& caption, QWidget* parent)
    : m_window(new TfrmScope(parent))
{
    switch (use) {
    case Prompter::ProgressUse::Save:
        m_window->useForSaveProgress();
        break;
    case Prompter::ProgressUse::Open:
        m_window->useForOpenProgress();
        break;
    case Prompter::ProgressUse::Graphing:
        m_window->useForGraphingProgress();
        break;
    case Prompter::ProgressUse::Download:
        m_window->useForDownloadProgress(0);
        m_runsInOneGo = false;
        break;
    }
    if (!caption.isEmpty())
        m_window->setWindowTitle(caption);
    if (m_runsInOneGo)
        m_window->setWindowModality(Qt::ApplicationModal);
    QObject::connect(m_window, &TfrmScope::cancelRequested, m_window, [this] {
        if (onCancel)
            onCancel();
    });
    m_window->clearResult();
    // The frame every dialog of the program has, hung on its owner's window.
    frameAsDialog(*m_window, parent);
    m_window->show();
    m_sinceEvents.start();
}

ScopeProgress::~ScopeProgress()
{
    delete m_window.data();
}

void ScopeProgress::setMaximum(qint64 maximum)
{
    if (m_window)
        m_window->setProgressMaximum(maximum);
}

void ScopeProgress::setValue(qint64 value)
{
    if (m_window)
        m_window->setProgressValue(value);
    letEventsRun();
}

void ScopeProgress::setStatus(const QString& text)
{
    if (m_window)
        m_window->setStatusText(text);
    letEventsRun();
}

void ScopeProgress::setBytes(qint64 received, qint64 total)
{
    if (m_window)
        m_window->setBytes(received, total);
    letEventsRun();
}

bool ScopeProgress::cancelled() const
{
    letEventsRun();
    // A window gone with its parent ends the operation too.
    return !m_window || m_window->cancelled();
}

void ScopeProgress::letEventsRun() const
{
    if (!m_runsInOneGo || m_sinceEvents.elapsed() < kEventsEveryMs)
        return;
    m_sinceEvents.restart();
    QCoreApplication::processEvents();
}

} // namespace tc4dl
