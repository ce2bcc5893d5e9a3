#pragma once

#include <QString>

#include <optional>

class QSettings;
class QVariant;

namespace tc4dl {

class Clock;

// The names of the values both programs read: the desktop program keeps them, the command line
// follows them.
inline const QString kArchiveEnabledKey = QStringLiteral("ArchiveEnabled");
inline const QString kArchivePathKey = QStringLiteral("ArchivePath");

// Where the Settings live: 32-bit integer values by name. Each read and write stands alone,
// so that one damaged or forbidden value never takes the others with it.
class SettingsStore {
public:
    virtual ~SettingsStore() = default;
    // The value, or nothing when it is missing, not an integer or not readable.
    [[nodiscard]] virtual std::optional<qint32> readInt(const QString& name) = 0;
    // False when the value could not be written.
    virtual bool writeInt(const QString& name, qint32 value) = 0;
    // Text values (a folder): the value, or nothing when it is missing or not readable.
    [[nodiscard]] virtual std::optional<QString> readText(const QString& name) = 0;
    // False when the value could not be written.
    virtual bool writeText(const QString& name, const QString& value) = 0;
    // Makes the written values durable.
    virtual void flush() { }
};

// The Settings in the system's own place: on Windows the registry key
// HKEY_LOCAL_MACHINE\SOFTWARE\TC4DL, elsewhere the user's settings file. A file that cannot be
// parsed is copied aside before it is written over, so nothing a person may want is lost. A
// file far larger than any this program writes is damaged too: it is moved aside unread (it
// would otherwise be read whole at every start) and the defaults apply. Settings that cannot
// be written are said once in the log (category "tc4dl.settings"), never lost in silence.
// The clock dates the name of a damaged file's copy.
class NativeSettingsStore final : public SettingsStore {
public:
    explicit NativeSettingsStore(Clock& clock);
    // A store on one settings file (INI format), for tests and portable installs.
    NativeSettingsStore(Clock& clock, const QString& iniFile);
    ~NativeSettingsStore() override;

    std::optional<qint32> readInt(const QString& name) override;
    bool writeInt(const QString& name, qint32 value) override;
    std::optional<QString> readText(const QString& name) override;
    bool writeText(const QString& name, const QString& value) override;
    void flush() override;

    // Where the values are kept: a file, or the registry key on Windows.
    [[nodiscard]] QString location() const;
    // The copy made of a damaged file, empty when none was needed.
    [[nodiscard]] QString damagedCopy() const { return m_damagedCopy; }

    // Larger than this, a settings file is taken for damaged.
    static constexpr qint64 kMaxFileSize = 64 * 1024;

private:
    void openFile(const QString& file);
    // Writes one value; false, said once, when the settings cannot be written.
    bool writeValue(const QString& name, const QVariant& value);
    void keepDamagedFile();
    void sayUnwritable();
    [[nodiscard]] QString damagedName(const QString& file) const;

    Clock& m_clock;
    // Null when the file could not be used at all: reads give defaults, writes fail.
    QSettings* m_settings = nullptr;
    QString m_location;
    bool m_saidUnwritable = false;
    bool m_damaged = false;
    bool m_copied = false;
    QString m_damagedCopy;
};

} // namespace tc4dl
