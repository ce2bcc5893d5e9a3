#pragma once

#include "Prompter.h"

#include <QElapsedTimer>
#include <QPointer>

class QWidget;

namespace tc4dl {

class TfrmScope;

// A progress use of the range and progress window, as the program's operations see it: the
// window is shown when this is made and destroyed with it. Cancel sets the result the
// operation polls and calls onCancel at once.
//
// Saves, opens and graphing run in one go on the window thread; for them the window keeps
// painting and its Cancel keeps working because every report lets waiting events run, at most
// every few hundredths of a second. While such a window is up the other windows take no input,
// so nothing can close or change what the operation works on. The download is driven by the
// port's events and needs none of that.
class ScopeProgress final : public Prompter::Progress {
public:
    ScopeProgress(Prompter::ProgressUse use, const QString& caption, QWidget* parent);
    ~ScopeProgress() override;
    ScopeProgress(const ScopeProgress&) = delete;
    ScopeProgress& operator=(const ScopeProgress&) = delete;

    void setMaximum(qint64 maximum) override;
    void setValue(qint64 value) override;
    void setStatus(const QString& text) override;
    void setBytes(qint64 received, qint64 total) override;
    [[nodiscard]] bool cancelled() const override;

    [[nodiscard]] TfrmScope* window() const { return m_window; }

private:
    void letEventsRun() const;

    QPointer<TfrmScope> m_window;
    bool m_runsInOneGo = true;
    mutable QElapsedTimer m_sinceEvents;
};

} // namespace tc4dl
