#include "TfrmArchiveSettings.h"

#include "ArchiveErrorText.h"
#include "ArchiveKeeper.h"
#include "DialogFrame.h"
#include "Prompter.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace tc4dl::archive {

namespace {

// A file in the system's own writing, a server's URI as it is (without a password).
QString shown(const QString& path)
{
    return isServerName(path) ? shownName(path) : QDir::toNativeSeparators(path);
}

QPushButton* button(QWidget* parent, const char* name)
{
    auto* b = new QPushButton(parent);
    b->setObjectName(QLatin1String(name));
    return b;
}

} // namespace

TfrmArchiveSettings::TfrmArchiveSettings(
    ArchiveKeeper& keeper, QString defaultPath, Prompter& prompter, QWidget* parent)
    : QDialog(parent),
      m_keeper(keeper),
      m_defaultPath(std::move(defaultPath)),
      m_prompter(prompter),
      m_texts(MessageTable::forWindow(QStringLiteral("TfrmArchiveSettings"))),
      m_path(keeper.path())
{
    setObjectName(QStringLiteral("TfrmArchiveSettings"));
    m_adds = new QCheckBox(this);
    m_adds->setObjectName(QStringLiteral("chkAdd"));
    m_adds->setChecked(keeper.addsSwitchedOn());

    auto* fileLabel = new QLabel(this);
    fileLabel->setObjectName(QStringLiteral("lblFile"));
    m_pathField = new QLineEdit(this);
    m_pathField->setObjectName(QStringLiteral("edFile"));
    m_pathField->setReadOnly(true);
    m_pathField->setMinimumWidth(480);
    fileLabel->setBuddy(m_pathField);
    m_planLabel = new QLabel(this);
    m_planLabel->setObjectName(QStringLiteral("lblPlan"));
    m_planLabel->setWordWrap(true);
    // Room for the longest plan, so that the dialog does not jump as the plan changes.
    m_planLabel->setMinimumHeight(m_planLabel->fontMetrics().lineSpacing() * 4);
    m_planLabel->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    auto* fileButtons = new QHBoxLayout;
    QPushButton* other = button(this, "btnOther");
    QPushButton* server = button(this, "btnServer");
    QPushButton* standard = button(this, "btnDefault");
    QPushButton* move = button(this, "btnMove");
    for (QPushButton* b : { other, server, standard, move })
        fileButtons->addWidget(b);
    fileButtons->addStretch();
    connect(other, &QPushButton::clicked, this, &TfrmArchiveSettings::chooseOther);
    connect(server, &QPushButton::clicked, this, &TfrmArchiveSettings::chooseServer);
    connect(standard, &QPushButton::clicked, this, &TfrmArchiveSettings::chooseDefault);
    connect(move, &QPushButton::clicked, this, &TfrmArchiveSettings::chooseMove);

    QDialogButtonBox* buttons = okCancelButtons(this);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_adds);
    layout->addSpacing(8);
    layout->addWidget(fileLabel);
    layout->addWidget(m_pathField);
    layout->addLayout(fileButtons);
    layout->addWidget(m_planLabel);
    layout->addStretch();
    layout->addWidget(buttons);
    m_texts.applyTo(this);
    plan(Plan::Keep, m_path);
}

bool TfrmArchiveSettings::isDefault(const QString& path) const
{
    return !isServerName(path)
        && QFileInfo(path).absoluteFilePath() == QFileInfo(m_defaultPath).absoluteFilePath();
}

QString TfrmArchiveSettings::pathSetting() const
{
    if (isServerName(m_path))
        return m_path; // never with a password: chooseServer() refuses one
    // Always a full path: a relative one would name another file in every folder.
    return isDefault(m_path) ? QString() : QFileInfo(m_path).absoluteFilePath();
}

bool TfrmArchiveSettings::addsOn() const
{
    return m_adds->isChecked();
}

void TfrmArchiveSettings::plan(Plan plan, const QString& path)
{
    m_plan = plan;
    m_path = path;
    m_pathField->setText(shown(path));
    m_pathField->setCursorPosition(0);
    QString says;
    if (plan == Plan::Move)
        says = text("IDS_7").arg(shown(m_keeper.path()));
    else if (plan == Plan::CopyToServer)
        says = text("IDS_19").arg(shown(m_keeper.path()));
    else if (plan == Plan::Use && isServerName(path))
        says = text("IDS_18").arg(shown(m_keeper.path()));
    else if (plan == Plan::Use && !isDefault(path))
        says = text("IDS_6");
    else if (isDefault(path))
        says = text("IDS_5");
    m_planLabel->setText(says);
}

void TfrmArchiveSettings::chooseOther()
{
    Prompter::FileRequest request;
    request.caption = text("IDS_3");
    request.start = m_path;
    request.filters = QStringList { text("IDS_1"), text("IDS_2") };
    request.defaultSuffix = QStringLiteral("sqlite");
    request.mayExist = true; // an archive there is used, never replaced
    const QString path = m_prompter.saveFileName(request);
    if (!path.isEmpty())
        plan(Plan::Use, path);
}

void TfrmArchiveSettings::chooseServer()
{
    QDialog ask(this, kFixedDialogFlags);
    ask.setObjectName(QStringLiteral("TfrmArchiveServer"));
    ask.setWindowTitle(text("IDS_14"));
    auto* label = new QLabel(text("IDS_15"), &ask);
    auto* field = new QLineEdit(&ask);
    field->setObjectName(QStringLiteral("edServer"));
    field->setMinimumWidth(480);
    field->setPlaceholderText(QStringLiteral("postgresql://USER@HOST:5432/DB"));
    if (isServerName(m_path))
        field->setText(m_path);
    label->setBuddy(field);
    auto* copy = new QCheckBox(text("IDS_16"), &ask);
    copy->setObjectName(QStringLiteral("chkCopy"));
    // Nothing is removed by the copy and a set is kept once: what someone moving to a lab's
    // server wants unless they say otherwise.
    copy->setChecked(!isServerName(m_keeper.path()));
    QDialogButtonBox* buttons = okCancelButtons(&ask);
    m_texts.applyTo(&ask); // the buttons' captions
    ask.setWindowTitle(text("IDS_14"));
    auto* layout = new QVBoxLayout(&ask);
    layout->addWidget(label);
    layout->addWidget(field);
    layout->addWidget(copy);
    layout->addWidget(buttons);
    if (m_prompter.runDialog(ask) != QDialog::Accepted)
        return;
    const QString uri = field->text().trimmed();
    QString refused;
    if (!isServerName(uri))
        refused = text("IDS_17");
    else if (shownName(uri) != uri) // a password: said without it, and never kept
        refused = archiveErrorText(
            ArchiveError::of(ArchiveError::Kind::PasswordInName, shownName(uri)));
    if (!refused.isEmpty()) {
        m_prompter.ask(text("IDS_9").arg(shown(uri), refused, shown(m_keeper.path())),
            Prompter::Buttons::Ok, Prompter::Icon::Warning);
        return;
    }
    plan(copy->isChecked() ? Plan::CopyToServer : Plan::Use, uri);
}

void TfrmArchiveSettings::chooseDefault()
{
    plan(Plan::Use, m_defaultPath);
}

void TfrmArchiveSettings::chooseMove()
{
    Prompter::FileRequest request;
    request.caption = text("IDS_4");
    request.start = QFileInfo(m_keeper.path()).absolutePath();
    request.filters = QStringList { text("IDS_1"), text("IDS_2") };
    request.defaultSuffix = QStringLiteral("sqlite");
    // Asked here whether to replace, the answer could only be No: it is said below instead.
    request.mayExist = true;
    const QString path = m_prompter.saveFileName(request);
    if (path.isEmpty())
        return;
    if (QFileInfo::exists(path)) {
        m_prompter.ask(text("IDS_8").arg(shown(path), text("IDS_12"), shown(m_keeper.path())),
            Prompter::Buttons::Ok, Prompter::Icon::Warning);
        return;
    }
    plan(Plan::Move, path);
}

void TfrmArchiveSettings::accept()
{
    const QString before = m_keeper.path();
    ArchiveError error;
    CopyOutcome copied;
    if (m_plan == Plan::Move) {
        Archive* archive = m_keeper.archive();
        const QFileInfo folder(QFileInfo(m_path).absolutePath());
        if (!archive) {
            error = m_keeper.openError();
        } else if (!folder.isDir() || !folder.isWritable()) {
            error = ArchiveError::of(ArchiveError::Kind::FolderNotWritable, m_path);
        } else if (archive->copyTo(m_path, &error) && !m_keeper.switchTo(m_path, &error)) {
            // The copy this dialog just made, which nothing uses.
            for (const char* suffix : { "", "-wal", "-shm" })
                QFile::remove(m_path + QLatin1String(suffix));
        }
    } else if (m_plan == Plan::CopyToServer) {
        copied = m_keeper.copyAndSwitchTo(m_path);
        error = copied.error;
    } else if (m_plan == Plan::Use) {
        (void)m_keeper.switchTo(m_path, &error);
    }
    if (error.failed()) {
        // The commonest refusals of a move in this dialog's own words, the rest as the
        // archive window says them.
        QString why = archiveErrorText(error);
        if (m_plan == Plan::Move && error.kind == ArchiveError::Kind::TargetExists)
            why = text("IDS_12");
        else if (m_plan == Plan::Move && error.kind == ArchiveError::Kind::FolderNotWritable)
            why = text("IDS_13");
        const bool moving = m_plan == Plan::Move || m_plan == Plan::CopyToServer;
        const char* id = moving ? "IDS_8" : "IDS_9";
        m_prompter.ask(text(id).arg(shown(m_path), why, shown(before)), Prompter::Buttons::Ok,
            Prompter::Icon::Warning);
        return;
    }
    m_keeper.setAddsEnabled(addsOn());
    if (m_plan == Plan::Move)
        m_prompter.ask(text("IDS_10").arg(shown(m_path), shown(before)), Prompter::Buttons::Ok,
            Prompter::Icon::Information);
    else if (m_plan == Plan::CopyToServer)
        m_prompter.ask(text("IDS_20")
                           .arg(copied.copied)
                           .arg(shown(m_path))
                           .arg(copied.present)
                           .arg(shown(before)),
            Prompter::Buttons::Ok, Prompter::Icon::Information);
    QDialog::accept();
}

} // namespace tc4dl::archive
