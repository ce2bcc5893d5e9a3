#pragma once

#include "Prompter.h"

#include <QDialog>
#include <QList>
#include <QStringList>
#include <QTest>

#include <functional>
#include <memory>
#include <optional>

namespace tc4dl::testing {

// Every question answered by the test. Plain message boxes are confirmed and recorded; every
// other question takes the answer the test queued for it, and one the test did not expect
// fails the test and is cancelled, so an unexpected question can never go ahead with anything.
class ScriptedPrompter final : public Prompter {
public:
    Answer ask(const QString& text, Buttons buttons, Icon) override
    {
        shown << text;
        buttonsShown << buttons;
        if (buttons == Buttons::Ok)
            return answers.isEmpty() ? Answer::Ok : answers.takeFirst();
        if (answers.isEmpty()) {
            unexpected(QStringLiteral("question \"%1\"").arg(text));
            return Answer::Cancel;
        }
        return answers.takeFirst();
    }
    // File dialogs: where each started, what it offered; the names to answer with (an empty
    // name: cancelled).
    QString saveFileName(FileRequest& request) override
    {
        record(request);
        if (fileNames.isEmpty()) {
            unexpected(QStringLiteral("save dialog"));
            return QString();
        }
        return fileNames.takeFirst();
    }
    QString openFileName(FileRequest& request) override
    {
        record(request);
        if (openNames.isEmpty()) {
            unexpected(QStringLiteral("open dialog"));
            return QString();
        }
        return openNames.takeFirst();
    }
    Answer choose(const Choice& choice) override
    {
        choices << choice.caption;
        if (choiceAnswers.isEmpty()) {
            unexpected(QStringLiteral("choice \"%1\"").arg(choice.caption));
            return Answer::Cancel;
        }
        return choiceAnswers.takeFirst();
    }
    std::optional<RangeAnswer> askRange(const RangeRequest& request) override
    {
        rangeRequests << request;
        if (ranges.isEmpty()) {
            unexpected(QStringLiteral("range window \"%1\"").arg(request.caption));
            return std::nullopt;
        }
        return ranges.takeFirst();
    }
    std::unique_ptr<Progress> showProgress(ProgressUse use, const QString& caption) override
    {
        auto log = std::make_shared<ProgressLog>();
        log->use = use;
        log->caption = caption;
        log->cancelAtStep = cancelProgressAtStep;
        cancelProgressAtStep = -1;
        progresses << log;
        return std::make_unique<ScriptedProgress>(log);
    }
    int runDialog(QDialog& dialog) override
    {
        ++dialogsRun;
        if (!dialogs) {
            unexpected(QStringLiteral("dialog \"%1\"").arg(dialog.objectName()));
            return QDialog::Rejected;
        }
        return dialogs(dialog);
    }
    std::optional<quint32> chooseColor(quint32 initial) override
    {
        colorStarts << initial;
        if (colors.isEmpty()) {
            unexpected(QStringLiteral("colour dialog"));
            return std::nullopt;
        }
        return colors.takeFirst();
    }
    bool printDialog(QPrinter&) override { return printAnswer(QStringLiteral("print dialog")); }
    bool printerSetup(QPrinter&) override { return printAnswer(QStringLiteral("printer set-up")); }

    // Message boxes: every text shown; the answers to the next questions.
    QStringList shown;
    QList<Buttons> buttonsShown; // the buttons of each message box, in order
    QList<Answer> answers;
    // File dialogs.
    QStringList saveStarts;
    QList<QStringList> saveFilters;
    QStringList suffixes;
    QList<std::function<QString(const QString&, const QString&)>> typeChanges;
    QStringList fileNames;
    QStringList openNames;
    // The choice dialog: captions shown, answers.
    QStringList choices;
    QList<Answer> choiceAnswers;
    // The range window: the requests seen; the answers (nothing: cancelled).
    QList<RangeRequest> rangeRequests;
    QList<std::optional<RangeAnswer>> ranges;
    // Progress windows in the order shown, with what each was told. The next window shown
    // reports Cancel from the `cancelProgressAtStep`-th call of setValue or setBytes on (0:
    // at once), and calls its onCancel then; -1 never.
    struct ProgressLog {
        ProgressUse use = ProgressUse::Save;
        QString caption;
        qint64 maximum = 0;
        QList<qint64> values;
        QStringList statuses;
        QList<QPair<qint64, qint64>> bytes;
        int cancelAtStep = -1;
        int steps = 0;
        bool open = true;
        [[nodiscard]] bool cancelled() const { return cancelAtStep >= 0 && steps >= cancelAtStep; }
    };
    QList<std::shared_ptr<ProgressLog>> progresses;
    int cancelProgressAtStep = -1;
    // Modal dialogs: answered by `dialogs` (which may fill in the dialog first).
    std::function<int(QDialog&)> dialogs;
    int dialogsRun = 0;
    // The colour dialog: where each started; the colours chosen (nothing: cancelled).
    QList<quint32> colorStarts;
    QList<std::optional<quint32>> colors;
    // Print and printer set-up dialogs, in the order asked: true prints or takes the set-up.
    QList<bool> printAnswers;
    QStringList printQuestions;
    // Every question nobody expected.
    QStringList unexpectedQuestions;

private:
    class ScriptedProgress final : public Progress {
    public:
        explicit ScriptedProgress(std::shared_ptr<ProgressLog> log)
            : m_log(std::move(log))
        {
        }
        ~ScriptedProgress() override { m_log->open = false; }
        void setMaximum(qint64 maximum) override { m_log->maximum = maximum; }
        void setValue(qint64 value) override
        {
            m_log->values << value;
            step();
        }
        void setStatus(const QString& text) override { m_log->statuses << text; }
        void setBytes(qint64 received, qint64 total) override
        {
            m_log->bytes << qMakePair(received, total);
            step();
        }
        bool cancelled() const override { return m_log->cancelled(); }

    private:
        void step()
        {
            const bool before = m_log->cancelled();
            ++m_log->steps;
            if (!before && m_log->cancelled() && onCancel)
                onCancel();
        }
        std::shared_ptr<ProgressLog> m_log;
    };

    void record(const FileRequest& request)
    {
        saveStarts << request.start;
        saveFilters << request.filters;
        suffixes << request.defaultSuffix;
        typeChanges << request.typeChanged;
    }
    bool printAnswer(const QString& what)
    {
        printQuestions << what;
        if (printAnswers.isEmpty()) {
            unexpected(what);
            return false;
        }
        return printAnswers.takeFirst();
    }
    void unexpected(const QString& what)
    {
        unexpectedQuestions << what;
        QTest::qFail(qPrintable(QStringLiteral("Unexpected %1").arg(what)), __FILE__, __LINE__);
    }
};

} // namespace tc4dl::testing
