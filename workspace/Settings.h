#pragma once

#include "Alarm.h"
#include "AlarmOutlets.h"
#include "SettingsStore.h"

#include <QString>

#include <optional>

namespace tc4dl {

// The values kept between runs. The workspace reads them at the start; what the program learns
// meanwhile (the port and model of the meter, the unit it measured in, the rate and colour the
// user chose) is written back at a close with the close box.
struct Settings {
    // What each value can sensibly be. A stored value outside its range is read as the nearest
    // end of it (a model code that is neither 740 nor 735 as 740), so that a damaged or
    // hand-edited store can never hand the program a value it would not set itself.
    static constexpr qint32 kMinPortIndex = -1; // -1: a typed name that is not in the list
    static constexpr qint32 kMaxPortIndex = 255; // as many as Windows numbers (COM1..COM256)
    static constexpr qint32 kMinRealTimeRate = 1;
    static constexpr qint32 kMaxRealTimeRate = 60 * 60 + 60; // the rate lists' "60" and "60"
    static constexpr qint32 kMaxColor = 0xFFFFFF; // 0xBBGGRR

    qint32 lastConnectedPort = 0;
    qint32 lastConnectedModel = 740;
    qint32 realTimeRate = 2;
    // Nothing stored: white, which stands out on the plot's black background (black, the
    // registry's own zero, would draw annotations nobody can see). Stored values stay as they are.
    static constexpr qint32 kDefaultAnnoColor = 0xFFFFFF;
    qint32 annoColor = kDefaultAnnoColor;
    // The unit the meter measured in when last seen (the workspace starts from it and writes
    // the live unit back).
    qint32 cfDegree = 1;
    // The folder the file dialogs last used (`LastFolder`, text); empty: none yet.
    QString lastFolder;
    // The archive of every downloaded or opened data set: whether sets are added to it
    // (`ArchiveEnabled`, any value but 0 is on) and its file (`ArchivePath`, text; empty: the
    // default file in the user's data folder). Written when the user confirms the archive
    // settings (writeArchive), not at the end of the run.
    bool archiveEnabled = true;
    QString archivePath;

    // Read in the order LastConnectedPort, LastConnectedModel, RealTimeRate, AnnoColor,
    // CF_Degree, then LastFolder, ArchiveEnabled and ArchivePath; a value that cannot be read keeps
    // its default, one out of range is clamped.
    static Settings read(SettingsStore& store);
    // Written in the order RealTimeRate, LastConnectedPort, LastConnectedModel, AnnoColor,
    // CF_Degree, then LastFolder when one was used; a value that cannot be written is skipped.
    void write(SettingsStore& store) const;
    // Writes ArchiveEnabled (1 or 0) and ArchivePath; false when they could not be written.
    bool writeArchive(SettingsStore& store) const;
};

// The channel settings (names, alarm limits, hysteresis) and the alarm sound switch. They are
// written when the user confirms them in the channel dialog (and when a unit switch converts
// the limits), not at the end of the run. Numbers are kept as tenths in integer values
// (`Channel1High` = 1500 is 150.0), the names as text; a value that cannot be read keeps its
// default, one out of range is clamped.
struct AlarmSettings {
    static constexpr qint32 kMaxLimitTenths = 100000; // 10000 degrees either way
    static constexpr qint32 kMaxBandTenths = 10000; // hysteresis
    alarm::ChannelSet channels;
    bool sound = true; // repeated until acknowledged
    // `AlarmCommand` and `AlarmWebhook`, text: what every alarm starts and where it is POSTed.
    // A command longer than AlarmOutlets::kMaxLength, or a web address that is not one or
    // carries a password, is read as none.
    alarm::AlarmOutlets outlets;

    static AlarmSettings read(SettingsStore& store);
    void write(SettingsStore& store) const;
};

// The live page the desktop program serves from its own readings (`LivePageOn`, any value but
// 0 is on; `LivePageAddress`, text; `LivePagePort`). Off until the user turns it on; the
// address is this computer alone (127.0.0.1) unless the user names another. Its token is never
// here but in a file of its own. Written when the user confirms them.
struct LivePageSettings {
    static constexpr qint32 kDefaultPort = 8080;
    bool on = false;
    QString address = QStringLiteral("127.0.0.1");
    qint32 port = kDefaultPort; // 1..65535

    static LivePageSettings read(SettingsStore& store);
    // False when they could not be written.
    bool write(SettingsStore& store) const;
    bool operator==(const LivePageSettings&) const = default;
};

} // namespace tc4dl
