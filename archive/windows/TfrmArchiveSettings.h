#pragma once

#include "MessageTable.h"

#include <QDialog>

class QCheckBox;
class QLabel;
class QLineEdit;

namespace tc4dl {

class ArchiveKeeper;
class Prompter;

namespace archive {

// The archive's settings: whether every download and every opened collection file is added to
// the archive, and the archive's file or server. "Other file…" takes another archive or begins a
// new one, "Server…" an archive on a PostgreSQL server (copying the sets so far there if asked),
// "Default" goes back to the default file, "Move…" copies the archive to a new file and keeps it
// there; the old file is never removed. Everything takes effect at OK, the file first: when
// the move or the other file fails, the reason is said, nothing changes and the dialog stays
// open. Cancel changes nothing.
class TfrmArchiveSettings final : public QDialog {
    Q_OBJECT
public:
    // `defaultPath`: the default file, which the Settings name by an empty path.
    TfrmArchiveSettings(
        ArchiveKeeper& keeper, QString defaultPath, Prompter& prompter, QWidget* parent = nullptr);

    [[nodiscard]] QCheckBox* addsCheck() const { return m_adds; }
    [[nodiscard]] QLineEdit* pathField() const { return m_pathField; }

    // The file OK uses, and whether the user chose one (else the path in use stays as it is,
    // even when the program was given it for this run only).
    [[nodiscard]] const QString& chosenPath() const { return m_path; }
    [[nodiscard]] bool pathChosen() const { return m_plan != Plan::Keep; }
    // The Settings' value for the chosen file: its full path, empty for the default one.
    [[nodiscard]] QString pathSetting() const;
    [[nodiscard]] bool addsOn() const;

    // The buttons beside the file. "Server…" asks for a PostgreSQL server's URI (never one
    // with a password) and whether the sets so far are copied there.
    void chooseOther();
    void chooseServer();
    void chooseDefault();
    void chooseMove();

    void accept() override;

private:
    enum class Plan { Keep, Use, Move, CopyToServer };
    [[nodiscard]] QString text(const char* id) const
    {
        return m_texts.getTextOrDefault(QLatin1String(id));
    }
    void plan(Plan plan, const QString& path);
    [[nodiscard]] bool isDefault(const QString& path) const;

    ArchiveKeeper& m_keeper;
    QString m_defaultPath;
    Prompter& m_prompter;
    MessageTable m_texts;
    Plan m_plan = Plan::Keep;
    QString m_path;
    QCheckBox* m_adds;
    QLineEdit* m_pathField;
    QLabel* m_planLabel;
};

} // namespace archive
} // namespace tc4dl
