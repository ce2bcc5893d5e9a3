#pragma once

#include <QString>

#include <optional>

class QSettings;

namespace tc4dl {

// Where the Settings live: 32-bit integer values by name. Each read and write stands alone,
// so that one damaged or forbidden value never takes the others with it.
class SettingsStore {
public:
    virtual ~SettingsStore() = default;
    // The value, or nothing when it is missing, not an integer or not readable.
    [[nodiscard]] virtual std::optional<qint32> readInt(const QString& name) = 0;
    // False when the value could not be written.
    virtual bool writeInt(const QString& name, qint32 value) = 0;
    // Makes the written values durable.
    virtual void flush() {}
};

// The values kept between runs.
struct Settings {
    qint32 lastConnectedPort = 0;
    qint32 lastConnectedModel = 740;
    qint32 realTimeRate = 2;
    qint32 annoColor = 0;
    qint32 cfDegree = 1;

    // Read in the order LastConnectedPort, LastConnectedModel, RealTimeRate, AnnoColor,
    // CF_Degree; a value that cannot be read keeps its default.
    static Settings read(SettingsStore& store);
    // Written in the order RealTimeRate, LastConnectedPort, LastConnectedModel, AnnoColor,
    // CF_Degree; a value that cannot be written is skipped.
    void write(SettingsStore& store) const;
};

// The Settings in the system's own place: on Windows the registry key
// HKEY_LOCAL_MACHINE\SOFTWARE\TC4DL, elsewhere the user's settings file. A file that cannot be
// parsed is copied aside before it is written over, so nothing a person may want is lost.
class NativeSettingsStore final : public SettingsStore {
public:
    NativeSettingsStore();
    // A store on one settings file (INI format), for tests and portable installs.
    explicit NativeSettingsStore(const QString& iniFile);
    ~NativeSettingsStore() override;

    std::optional<qint32> readInt(const QString& name) override;
    bool writeInt(const QString& name, qint32 value) override;
    void flush() override;

    // Where the values are kept: a file, or the registry key on Windows.
    [[nodiscard]] QString location() const;
    // The copy made of a damaged file, empty when none was needed.
    [[nodiscard]] QString damagedCopy() const { return m_damagedCopy; }

private:
    void keepDamagedFile();

    QSettings* m_settings = nullptr;
    bool m_damaged = false;
    bool m_copied = false;
    QString m_damagedCopy;
};

} // namespace tc4dl
