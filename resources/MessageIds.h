#pragma once

// The identifiers of the messages the program looks up in the windows' message tables, named
// for what they say. Each namespace holds the identifiers of one table: the same number means
// different messages in different tables.
namespace tc4dl {

// The main window's table ("TfrmMain"): the link state, the file, download and close messages.
namespace mainmsg {
inline constexpr char kConnected[] = "IDS_9";
inline constexpr char kDisconnected[] = "IDS_10";
inline constexpr char kTemplateNotFound[] = "IDS_12";
inline constexpr char kTemplateDefaultLook[] = "IDS_13";
inline constexpr char kRealTimeGraphReset[] = "IDS_26";
inline constexpr char kSaveRealTimeQuestion[] = "IDS_27";
inline constexpr char kIsNotValid[] = "IDS_28";
inline constexpr char kSaveFileCaption[] = "IDS_32";
inline constexpr char kInvalidInteger[] = "IDS_40";
inline constexpr char kSavingCaption[] = "IDS_41";
inline constexpr char kSaving[] = "IDS_42";
inline constexpr char kOpenFileCaption[] = "IDS_44";
inline constexpr char kDownloadCaption[] = "IDS_53";
inline constexpr char kNoDataToGraph[] = "IDS_55";
inline constexpr char kGraphingCaption[] = "IDS_56";
inline constexpr char kGraphing[] = "IDS_57";
inline constexpr char kNoConnection[] = "IDS_64";
inline constexpr char kMeterRecording[] = "IDS_65";
inline constexpr char kMemoryError[] = "IDS_67";
inline constexpr char kNoRecordedData[] = "IDS_68";
inline constexpr char kReadError[] = "IDS_69";
inline constexpr char kDataError[] = "IDS_70";
inline constexpr char kOpeningCaption[] = "IDS_102";
inline constexpr char kKeptSets[] = "IDS_120";
inline constexpr char kKeptNoSet[] = "IDS_121";
inline constexpr char kKeptOneSet[] = "IDS_122";
inline constexpr char kReceivedImageKept[] = "IDS_123";
inline constexpr char kReceivedImageNotKept[] = "IDS_124";
inline constexpr char kNoReadableSets[] = "IDS_125";
inline constexpr char kTransferFileNotWritten[] = "IDS_126";
inline constexpr char kUnsavedRecordingFound[] = "IDS_140";
inline constexpr char kFileIncomplete[] = "IDS_170";
inline constexpr char kFileNotCreated[] = "IDS_171";
inline constexpr char kNoSetsToSave[] = "IDS_172";
inline constexpr char kDeviceBusyAtClose[] = "IDS_180";
inline constexpr char kHelpPageMissing[] = "IDS_181";
} // namespace mainmsg

// The graph windows' table ("TfrmGraph").
namespace graphmsg {
inline constexpr char kArchiveGraphCaption[] = "IDS_8";
inline constexpr char kSaveLoggerDataQuestion[] = "IDS_9";
inline constexpr char kSaveRealTimeQuestion[] = "IDS_11";
inline constexpr char kDoubleClickToDelete[] = "IDS_14";
inline constexpr char kIsInvalid[] = "IDS_24";
inline constexpr char kSaveChangesQuestion[] = "IDS_26";
inline constexpr char kT1Max[] = "IDS_28";
inline constexpr char kMin[] = "IDS_29";
inline constexpr char kAverage[] = "IDS_30";
inline constexpr char kT2Max[] = "IDS_31";
inline constexpr char kT3Max[] = "IDS_34";
inline constexpr char kT4Max[] = "IDS_37";
inline constexpr char kRateChangedWhileRecording[] = "IDS_40";
inline constexpr char kNewRateNeedsReset[] = "IDS_41";
inline constexpr char kSaveRealTimeFirstQuestion[] = "IDS_42";
} // namespace graphmsg

// The logger set-up window's table ("TfrmSetup").
namespace setupmsg {
inline constexpr char kClockSet[] = "IDS_0";
inline constexpr char kTimeIs[] = "IDS_5";
inline constexpr char kClockNotSet[] = "IDS_8";
inline constexpr char kMemoryErased[] = "IDS_9";
inline constexpr char kMemoryNotErased[] = "IDS_10";
inline constexpr char kInvalidInput[] = "IDS_11";
inline constexpr char kIntervalSet[] = "IDS_12";
inline constexpr char kIntervalNotSet[] = "IDS_13";
inline constexpr char kEraseQuestion[] = "IDS_14";
} // namespace setupmsg

} // namespace tc4dl
