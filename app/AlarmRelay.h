#pragma once

#include "Alarm.h"

#include <QObject>
#include <QString>

#include <memory>

namespace tc4dl {

class Workspace;

namespace recorder {
class AlarmActions;
}

// The name the desktop program's one meter goes by beyond its window: in an alarm command's
// TC4DL_METER, in a webhook's JSON and on the live page, as `tc4dl-cli serve` names its first.
inline const QString kDesktopMeterName = QStringLiteral("meter");

// An alarm raised or cleared on the desktop, told beyond the window exactly as the recorder
// tells its own: the channel settings' command started without a shell with the TC4DL_*
// environment, their web address POSTed the event's JSON (recorder::AlarmActions). Nothing
// here ever waits; the first failure since the command and address were set is told once.
class AlarmRelay final : public QObject {
    Q_OBJECT
public:
    explicit AlarmRelay(Workspace& workspace, QObject* parent = nullptr);
    ~AlarmRelay() override;

    // The actions in use; none while neither a command nor a web address is set.
    [[nodiscard]] recorder::AlarmActions* actions() const { return m_actions.get(); }

Q_SIGNALS:
    // The first failure of the command or the web address since they were set, in the
    // actions' own words; after the event that caused it has been handled.
    void failed(const QString& sentence);

private:
    void rebuild();
    void onEvent(const alarm::AlarmEvent& event);

    Workspace& m_workspace;
    std::unique_ptr<recorder::AlarmActions> m_actions;
    bool m_said = false;
};

} // namespace tc4dl
