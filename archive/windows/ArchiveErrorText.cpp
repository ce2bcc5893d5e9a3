#include "ArchiveErrorText.h"

#include "MessageTable.h"

#include <QDir>

#include <algorithm>
#include <array>
#include <utility>

namespace tc4dl::archive {

namespace {

using Kind = ArchiveError::Kind;

// Each kind's text in the archive window's table: %1 the file, %2 what else it names.
constexpr std::array kTexts {
    std::pair { Kind::NoFile, "IDS_24" },
    std::pair { Kind::NoArchive, "IDS_25" },
    std::pair { Kind::FolderNotWritable, "IDS_26" },
    std::pair { Kind::RelativePath, "IDS_27" },
    std::pair { Kind::NotAnArchive, "IDS_28" },
    std::pair { Kind::Damaged, "IDS_29" },
    std::pair { Kind::Newer, "IDS_30" },
    std::pair { Kind::Foreign, "IDS_31" },
    std::pair { Kind::StrayJournal, "IDS_32" },
    std::pair { Kind::UnreadChanges, "IDS_33" },
    std::pair { Kind::Busy, "IDS_34" },
    std::pair { Kind::Full, "IDS_35" },
    std::pair { Kind::ReadOnly, "IDS_36" },
    std::pair { Kind::CannotOpen, "IDS_37" },
    std::pair { Kind::Database, "IDS_38" },
    std::pair { Kind::NoSuchSet, "IDS_39" },
    std::pair { Kind::DamagedSet, "IDS_40" },
    std::pair { Kind::TooLarge, "IDS_41" },
    std::pair { Kind::NothingChosen, "IDS_42" },
    std::pair { Kind::NotStored, "IDS_43" },
    std::pair { Kind::OutsideImage, "IDS_44" },
    std::pair { Kind::TargetExists, "IDS_45" },
    std::pair { Kind::TargetIsArchive, "IDS_46" },
    std::pair { Kind::CopyDiffers, "IDS_47" },
    std::pair { Kind::CopyDamaged, "IDS_48" },
    std::pair { Kind::CannotRename, "IDS_49" },
    std::pair { Kind::PasswordInName, "IDS_50" },
    std::pair { Kind::CannotCreate, "IDS_51" },
};

} // namespace

QString archiveErrorText(const ArchiveError& error)
{
    const auto it = std::find_if(kTexts.begin(), kTexts.end(),
        [&error](const auto& text) { return text.first == error.kind; });
    // A kind without a text of its own (none today) still names the database's error.
    const char* id = it == kTexts.end() ? "IDS_38" : it->second;
    const QString text = MessageTable::forWindow(QStringLiteral("TfrmArchive"))
                             .getTextOrDefault(QLatin1String(id));
    // %1 the file, %2 what else it names, in one pass: a text may name the second alone, and
    // neither may bring a placeholder of its own.
    const QString path = QDir::toNativeSeparators(error.path);
    QString said;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == u'%' && i + 1 < text.size()
            && (text[i + 1] == u'1' || text[i + 1] == u'2')) {
            said += text[i + 1] == u'1' ? path : error.detail;
            ++i;
        } else {
            said += text[i];
        }
    }
    return said;
}

} // namespace tc4dl::archive
