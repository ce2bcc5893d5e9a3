#include "RealTimeRecorder.h"

#include "Clock.h"
#include "DateTimeSerial.h"
#include "GraphServices.h"
#include "GraphStatistics.h"
#include "JournalReader.h"
#include "JournalWriter.h"
#include "MessageIds.h"
#include "MessageTable.h"
#include "MessageText.h"
#include "Prompter.h"
#include "RealTimeGraphAdapter.h"
#include "RecordingPeriod.h"
#include "TfrmGraph.h"
#include "TfrmSetupRealTime.h"
#include "Workspace.h"

namespace tc4dl {

namespace {

QString graphText(const char* id)
{
    return MessageTable::forWindow(QStringLiteral("TfrmGraph")).getTextOrDefault(QLatin1String(id));
}

} // namespace

RealTimeRecorder::RealTimeRecorder(Workspace& workspace, GraphServices& services,
    std::function<void()> makeWindow, QWidget* dialogParent, QObject* parent)
    : QObject(parent),
      m_workspace(workspace),
      m_recording(workspace.recording()),
      m_services(services),
      m_makeWindow(std::move(makeWindow)),
      m_dialogParent(dialogParent)
{
    connect(&m_recording, &Recording::sampleTaken, this,
        [this](const Recording::Sample& sample) { onSampleTaken(sample); });
    connect(&m_recording, &Recording::stopped, this, &RealTimeRecorder::onStopped);
    // Clear is open exactly while no run records: the workspace decides, the window shows it.
    connect(&m_workspace, &Workspace::controlsChanged, this, &RealTimeRecorder::showClear);
}

RealTimeRecorder::~RealTimeRecorder() = default;

void RealTimeRecorder::showClear()
{
    if (m_window)
        m_window->setClearEnabled(m_workspace.controls().clear);
}

void RealTimeRecorder::offerJournal()
{
    if (!m_recording.journal() || !m_window)
        return;
    const journal::JournalContents contents = journal::readJournalFile(m_recording.journalPath());
    if (!contents.usable()) {
        m_recording.discardJournal();
        return;
    }
    const QString question = MessageTable::mainWindowText(mainmsg::kUnsavedRecordingFound)
                                 .arg(static_cast<int>(contents.samples.size()))
                                 .arg(chart::dateTimeText(contents.header.startSerial));
    if (m_services.prompter().ask(question, Prompter::Buttons::YesNo, Prompter::Icon::Question)
        == Prompter::Answer::Yes)
        restoreJournal(contents);
    else
        m_recording.discardJournal();
}

void RealTimeRecorder::restoreJournal(const journal::JournalContents& contents)
{
    if (!m_window || !contents.usable())
        return;
    // The run comes back as Stop would have left it: its points, its X range from the start
    // to the last sample, MAX and MIN as they grew, the averages, and the rate it was
    // recorded at (also the rate in use from now on, so that the lists tell the truth).
    const int rate = static_cast<int>(contents.header.samplingRate);
    if (rate > 0) {
        useRate(rate);
        m_window->showSamplingRate(rate);
    }
    m_sampler = std::make_unique<RealTimeSampler>(m_window->model(), *m_window);
    m_sampler->setXExtendStep(m_xExtendStep);
    const int asked = static_cast<int>(
        qMax<quint32>(contents.header.samplesAsked, quint32(contents.samples.size())));
    m_sampler->start(asked, contents.header.startSerial);
    for (const journal::JournalSample& s : contents.samples)
        m_sampler->addSample(s.values, s.t);
    m_sampler->stop(contents.samples.back().t);
    // The alarm notes at their moments, joined as they were when they were written.
    m_lastNote = {};
    for (const journal::JournalNote& note : contents.notes)
        placeNote(note);
    m_recording.restore(contents);
    showClear();
    m_window->redraw();
}

void RealTimeRecorder::attachWindow(std::unique_ptr<RealTimeWindow> window)
{
    // A new window starts without a recording.
    m_sampler.reset();
    m_window = std::move(window);
    m_lastNote = {};
    showClear();
}

bool RealTimeRecorder::addAlarmNote(double serial, double y, const QString& text, quint32 color)
{
    // Only a run's graph takes notes: the note is saved with the graph it belongs to.
    if (!m_recording.active() || !m_window)
        return false;
    const journal::JournalNote note { serial, y, color, text };
    placeNote(note);
    m_recording.keepNote(note);
    m_window->redraw();
    return true;
}

void RealTimeRecorder::placeNote(const journal::JournalNote& n)
{
    chart::ChartModel& model = m_window->model();
    // Alarms raised by one reading share its time: as notes of their own they would be
    // written over each other, so each is a line of one note (unless the person removed or
    // moved that note meanwhile).
    if (m_lastNote.index >= 0 && m_lastNote.serial == n.t) {
        chart::GraphAnnotation note = model.annotation(m_lastNote.index);
        if (note.type == chart::kAnnotationText && note.x == n.t && !note.text.isEmpty()) {
            note.text += QChar(13) + n.text;
            model.setAnnotation(m_lastNote.index, note);
            return;
        }
    }
    chart::GraphAnnotation note;
    note.type = chart::kAnnotationText;
    note.x = n.t;
    note.y = n.y;
    note.text = n.text;
    note.color = n.color;
    const int index = m_window->nextAnnotationIndex();
    model.setAnnotation(index, note);
    m_lastNote = { index, n.t };
}

void RealTimeRecorder::attach(TfrmGraph& window)
{
    attachWindow(std::make_unique<RealTimeGraphAdapter>(window, m_services));
    // However the window goes (also without closing, with the main window), nothing records
    // into its graph afterwards.
    // The window is already half destroyed when this runs: only its plain-object address is
    // compared, never a TfrmGraph pointer made from it.
    const QObject* gone = &window;
    connect(&window, &QObject::destroyed, this, [this, gone] {
        const auto* adapter = dynamic_cast<RealTimeGraphAdapter*>(m_window.get());
        if (adapter && adapter->standsFor(gone)) {
            m_sampler.reset();
            m_window.reset();
            // Gone without its close, with the program: the journal is for the next start.
            m_recording.end(true);
        }
    });
}

void RealTimeRecorder::run()
{
    if (!m_workspace.meterConnected())
        return;
    if (m_window) {
        m_window->restore();
        if (!askToSaveFirst())
            return;
    } else if (m_makeWindow) {
        m_makeWindow();
    }
    if (!m_window)
        return;
    const int samples = askForSamples();
    if (samples > 0)
        startRun(samples);
}

bool RealTimeRecorder::askToSaveFirst()
{
    if (!m_recording.active() && m_recording.sampleCount() <= 0)
        return true;
    const Prompter::Answer answer = m_services.prompter().ask(
        withLineBreaks(MessageTable::mainWindowText(mainmsg::kRealTimeGraphReset)
            + MessageTable::mainWindowText(mainmsg::kSaveRealTimeQuestion)),
        Prompter::Buttons::YesNoCancel, Prompter::Icon::Question);
    if (answer == Prompter::Answer::Cancel)
        return false;
    // A Yes whose save did not happen stops the Run: the recording is not overwritten.
    return answer != Prompter::Answer::Yes || saveGraph();
}

int RealTimeRecorder::askForSamples()
{
    TfrmSetupRealTime dialog(m_dialogParent);
    dialog.setRate(m_window->minutesIndex(), m_window->secondsIndex());
    dialog.setPeriodText(periodTextUnpadded(qint64(m_recording.rate()) * 2000));
    dialog.centreOnScreen();
    if (m_services.prompter().runDialog(dialog) != QDialog::Accepted || !m_window)
        return 0;
    const QString typed = dialog.samplesText();
    m_window->setRateIndexes(dialog.minutes(), dialog.seconds());
    bool ok = false;
    const int samples = typed.trimmed().toInt(&ok);
    // No samples at all would give a graph without a single point to record into.
    if (!ok || samples <= 0) {
        m_services.prompter().tell(
            withLineBreaks(joinedText(typed, MessageTable::mainWindowText(mainmsg::kIsNotValid))));
        return 0;
    }
    m_recording.setRate(qMax(0, dialog.minutes()) * 60 + qMax(0, dialog.seconds()));
    return samples;
}

void RealTimeRecorder::startRun(int samples)
{
    m_recording.begin(samples, m_workspace.unit(), m_workspace.session().comm1().deviceName());
    m_lastNote = {};
    m_sampler = std::make_unique<RealTimeSampler>(m_window->model(), *m_window);
    m_sampler->setXExtendStep(m_xExtendStep);
    m_sampler->start(samples, m_recording.startSerial());
    m_window->redraw();
}

void RealTimeRecorder::onSampleTaken(const Recording::Sample& sample)
{
    if (!m_window || !m_sampler)
        return;
    (void)m_sampler->addSample(sample.values, sample.t);
    m_window->redraw();
}

void RealTimeRecorder::stop()
{
    m_workspace.stopRecording();
}

void RealTimeRecorder::onStopped(double endSerial)
{
    if (!m_window)
        return;
    m_window->restore();
    showClear();
    if (m_sampler)
        m_sampler->stop(endSerial);
    m_window->redraw();
}

bool RealTimeRecorder::closeQuery()
{
    if (!m_recording.unsaved())
        return true;
    switch (m_services.prompter().ask(graphText(graphmsg::kSaveRealTimeQuestion),
        Prompter::Buttons::YesNoCancel, Prompter::Icon::Question)) {
    case Prompter::Answer::Yes:
        // A Yes whose save did not happen keeps the window open and the samples unsaved.
        if (!saveGraph())
            return false;
        m_recording.setUnsaved(false);
        return true;
    case Prompter::Answer::No:
        // The journal goes with the window (closed()) or with the program's normal end: a
        // later Cancel of the program's close keeps both.
        m_recording.setUnsaved(false);
        return true;
    default:
        return false;
    }
}

void RealTimeRecorder::closed()
{
    // Closing the real-time graph ends a recording without the stop processing.
    m_sampler.reset();
    m_window.reset();
    m_recording.end();
}

void RealTimeRecorder::cleared()
{
    m_recording.cleared();
}

void RealTimeRecorder::save()
{
    (void)saveGraph();
}

bool RealTimeRecorder::saveGraph()
{
    if (!m_window || !m_window->save())
        return false;
    // A save during a run holds only the samples so far: the journal keeps the rest coming.
    if (!m_recording.active())
        m_recording.discardJournal();
    return true;
}

void RealTimeRecorder::useRate(int seconds)
{
    m_recording.setRate(seconds);
    m_xExtendStep = seconds * 100 * kSecondDays;
    if (m_sampler)
        m_sampler->setXExtendStep(m_xExtendStep);
}

void RealTimeRecorder::samplingRateChanged(int seconds)
{
    if (!m_window)
        return;
    const int previous = m_recording.rate();
    // 00:00 is no rate: the lists show 2 s, and 2 s is what is compared with the rate in use.
    const int rate = seconds == 0 ? 2 : seconds;
    if (seconds == 0)
        m_window->showSamplingRate(rate);
    if (rate == previous)
        return;
    if (m_recording.active() || m_recording.sampleCount() > 0) {
        const Prompter::Answer answer = m_services.prompter().ask(
            withLineBreaks(graphText(graphmsg::kRateChangedWhileRecording)
                + graphText(graphmsg::kNewRateNeedsReset)
                + graphText(graphmsg::kSaveRealTimeFirstQuestion)),
            Prompter::Buttons::YesNoCancel, Prompter::Icon::Question);
        // Cancel, or a Yes whose save did not happen, keeps the rate the graph was recorded
        // at, in the lists too; the samples stay and a running recording goes on at it.
        if (answer == Prompter::Answer::Cancel
            || (answer == Prompter::Answer::Yes && !saveGraph())) {
            m_window->showSamplingRate(previous);
            return;
        }
    }
    // The run ends without the stop processing: the graph starts again at the new rate.
    m_recording.interrupt();
    showClear();
    m_window->clear();
    m_window->model().look.lineGapThreshold = 1e20;
    m_window->model().touchLook();
    useRate(rate);
    m_window->focusPlot();
}

std::optional<bool> RealTimeRecorder::dataCelsius() const
{
    // The samples keep the unit they were taken in, whatever the meter shows since.
    return isCelsius(m_recording.sampleCount() > 0 ? m_recording.unit() : m_workspace.unit());
}

} // namespace tc4dl
