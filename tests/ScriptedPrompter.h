#pragma once

#include "Prompter.h"

#include <QDialog>
#include <QList>
#include <QStringList>
#include <QTest>

#include <functional>
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
