#pragma once

// What a logger window needs around it in a benchmark: a graph template in a folder of its
// own, no question ever answered (with the template in place none comes up), a hand-moved
// clock. Shared by the benchmarks that graph data sets.

#include "GraphServices.h"
#include "GraphShared.h"
#include "ManualClock.h"
#include "MessageTable.h"
#include "Prompter.h"

#include <QDialog>
#include <QTemporaryDir>

namespace tc4dl::bench {

class SilentPrompter final : public Prompter {
public:
    Answer ask(const QString&, Buttons, Icon) override { return Answer::Cancel; }
    QString saveFileName(FileRequest&) override { return {}; }
    QString openFileName(FileRequest&) override { return {}; }
    Answer choose(const Choice&) override { return Answer::Cancel; }
    std::optional<RangeAnswer> askRange(const RangeRequest&) override { return std::nullopt; }
    std::unique_ptr<Progress> showProgress(ProgressUse, const QString&) override { return {}; }
    int runDialog(QDialog&) override { return QDialog::Rejected; }
    std::optional<quint32> chooseColor(quint32) override { return std::nullopt; }
    bool printDialog(QPrinter&) override { return false; }
    bool printerSetup(QPrinter&) override { return false; }
};

class LoggerWindowServices final : public GraphServices {
public:
    bool saveGraph(TfrmGraph&) override { return false; }
    void disableOutputToGraph() override { }
    const MessageTable& mainMessages() const override { return messages; }
    Prompter& prompter() override { return prompts; }
    Clock& clock() override { return manualClock; }
    GraphShared& graphShared() override { return shared; }
    GraphFolders graphFolders() const override { return { folder.path(), QString() }; }

    QTemporaryDir folder;
    MessageTable messages = MessageTable::forWindow(QStringLiteral("TfrmMain"));
    SilentPrompter prompts;
    ManualClock manualClock;
    GraphShared shared;
};

} // namespace tc4dl::bench
