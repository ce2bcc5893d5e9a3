#include "LoadCommand.h"

#include "Clock.h"
#include "DataLoggerWindow.h"
#include "MessageIds.h"
#include "MessageText.h"
#include "TfrmErr.h"
#include "Workspace.h"

#include <QDir>

namespace tc4dl {

LoadCommand::LoadCommand(Deps deps, QObject* parent)
    : QObject(parent),
      m_deps(deps),
      m_messages(MessageTable::forWindow(QStringLiteral("TfrmMain")))
{
    Q_ASSERT(m_deps.workspace && m_deps.window && m_deps.prompter);
    LoggerData* data = &m_deps.workspace->logger();
    connect(data, &LoggerData::loadProgress, this, &LoadCommand::onProgress);
    connect(data, &LoggerData::loadFinished, this, &LoadCommand::onFinished);
}

LoadCommand::~LoadCommand()
{
    m_waitCursor.set(false);
    m_progress.reset();
    delete m_errorDialog.data();
}

QString LoadCommand::text(const char* id) const
{
    return m_messages.getTextOrDefault(QLatin1String(id));
}

void LoadCommand::LoadData1Click()
{
    if (m_running)
        return;
    // Neither check touches the ports.
    if (!m_deps.workspace->meterConnected()) {
        m_deps.prompter->tell(text(mainmsg::kNoConnection));
        return;
    }
    if (m_deps.workspace->live().meterRecording) {
        m_deps.prompter->tell(text(mainmsg::kMeterRecording));
        return;
    }
    m_running = true;
    m_started = m_deps.workspace->clock().now();
    m_deps.window->OpenDataLoggerWindow(m_started);
    m_errorDialog = new TfrmErr(m_deps.dialogParent);
    startAttempt();
}

void LoadCommand::startAttempt()
{
    m_shownReceived = -1;
    m_waitCursor.set(true);
    // A load that cannot start reports its end at once, like any other.
    (void)m_deps.workspace->logger().startLoad();
}

void LoadCommand::onProgress(qint64 received, qint64 total)
{
    // Nothing to show until the meter has told its memory size.
    if (!m_running || total <= 0)
        return;
    m_waitCursor.set(false);
    if (!m_progress) {
        m_progress = m_deps.prompter->showProgress(
            Prompter::ProgressUse::Download, text(mainmsg::kDownloadCaption));
        m_progress->setMaximum(total);
        m_progress->onCancel = [this] { m_deps.workspace->logger().stopLoad(); };
    }
    if (received == m_shownReceived)
        return;
    m_shownReceived = received;
    m_progress->setValue(received);
    if (m_progress)
        m_progress->setBytes(received, total);
}

void LoadCommand::onFinished(const LoadReport& report)
{
    if (!m_running)
        return;
    m_waitCursor.set(false);
    m_progress.reset();
    // The messages and the error dialog come once the transfer's own handlers have returned.
    m_deps.workspace->clock().callAfter(0, this, [this, report] { conclude(report); });
}

void LoadCommand::conclude(const LoadReport& report)
{
    using Failure = LoadReport::Failure;
    if (report.loaded()) {
        showLoaded(report);
        end();
        return;
    }
    switch (report.failure) {
    case Failure::Stopped: // the user stopped it: nothing kept, nothing to say
    case Failure::PortError: // a port that fails aborts the command silently
        end();
        return;
    case Failure::NotConnected:
        m_deps.prompter->tell(text(mainmsg::kNoConnection));
        end();
        return;
    case Failure::MeterRecording:
        m_deps.prompter->tell(text(mainmsg::kMeterRecording));
        end();
        return;
    default: // a device that could not be had is a failed reading: the dialog offers a retry
        break;
    }
    switch (report.result) {
    case LoadResult::MemoryError:
        m_deps.prompter->tell(text(mainmsg::kMemoryError));
        end();
        return;
    case LoadResult::NoData:
        m_deps.prompter->tell(text(mainmsg::kNoRecordedData));
        end();
        return;
    default:
        askAfterFailure(report.result);
    }
}

void LoadCommand::showLoaded(const LoadReport& report)
{
    m_deps.window->showNewStore(m_deps.workspace->clock().now());
    // The sets are shown, but the memory of the last good load outlives them only in the
    // transfer file, which could not be written: say why.
    if (report.failure == LoadReport::Failure::TransferFile)
        m_deps.prompter->tell(text(mainmsg::kTransferFileNotWritten).arg(report.error));
}

void LoadCommand::askAfterFailure(LoadResult result)
{
    if (!m_errorDialog) {
        end();
        return;
    }
    const bool dataError = result == LoadResult::DataError;
    m_errorDialog->setFixOffered(dataError);
    m_errorDialog->setMessage(text(dataError ? mainmsg::kDataError : mainmsg::kReadError));
    switch (m_deps.prompter->runDialog(*m_errorDialog)) {
    case TfrmErr::TryAgain:
        startAttempt();
        return;
    case TfrmErr::FixError:
        if (dataError)
            fixError();
        end();
        return;
    default:
        end();
    }
}

void LoadCommand::fixError()
{
    const LoadReport fixed = m_deps.workspace->fixLoggerError();
    // Where the sets after the bad one can still be found, or why they could not be kept.
    QString kept;
    if (!fixed.receivedImage.isEmpty())
        kept = text(mainmsg::kReceivedImageKept).arg(QDir::toNativeSeparators(fixed.receivedImage));
    else if (!fixed.receivedImageError.isEmpty())
        kept = text(mainmsg::kReceivedImageNotKept)
                   .arg(QDir::toNativeSeparators(fixed.receivedImageError));
    if (!fixed.loaded()) {
        m_deps.prompter->tell(joinedText(text(mainmsg::kKeptNoSet), kept));
        return;
    }
    showLoaded(fixed);
    const int sets = m_deps.workspace->logger().store().setCount();
    m_deps.prompter->tell(joinedText(
        sets == 1 ? text(mainmsg::kKeptOneSet) : text(mainmsg::kKeptSets).arg(sets), kept));
}

void LoadCommand::end()
{
    m_waitCursor.set(false);
    m_running = false;
    m_progress.reset();
    delete m_errorDialog.data();
    Q_EMIT finished();
}

} // namespace tc4dl
