#pragma once

#include "Prompter.h"

#include <QList>
#include <QStringList>

namespace tc4dl::testing {

// Message boxes and save dialogs answered by the test: every text shown is recorded; questions
// take the queued answers, and without one a plain box is confirmed and a question cancelled,
// so a box the test did not expect can never go ahead with anything.
class ScriptedPrompter final : public Prompter {
public:
    Answer ask(const QString& text, Buttons buttons, Icon) override
    {
        shown << text;
        if (answers.isEmpty())
            return buttons == Buttons::Ok ? Answer::Ok : Answer::Cancel;
        return answers.takeFirst();
    }
    QString saveFileName(const QString&, const QString& start, const QStringList& filters,
                         const QString& defaultSuffix, QString*) override
    {
        saveStarts << start;
        saveFilters << filters;
        suffixes << defaultSuffix;
        return fileNames.isEmpty() ? QString() : fileNames.takeFirst();
    }

    QStringList shown;
    QList<Answer> answers;
    // Save dialogs: where each started, what it offered; the names to answer with (none left:
    // cancelled).
    QStringList saveStarts;
    QList<QStringList> saveFilters;
    QStringList suffixes;
    QStringList fileNames;
};

} // namespace tc4dl::testing
