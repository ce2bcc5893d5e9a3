#pragma once

#include "Settings.h"

#include <QStringList>

#include <map>

// A settings store for tests: records the order of reads and writes and can fail single values.
class RecordingSettingsStore final : public tc4dl::SettingsStore {
public:
    std::optional<qint32> readInt(const QString& name) override
    {
        reads << name;
        if (failing.contains(name))
            return std::nullopt;
        const auto it = values.find(name);
        return it == values.end() ? std::nullopt : std::optional<qint32>(it->second);
    }
    bool writeInt(const QString& name, qint32 value) override
    {
        writes << name;
        if (failing.contains(name))
            return false;
        values[name] = value;
        return true;
    }

    std::optional<QString> readText(const QString& name) override
    {
        const auto it = texts.find(name);
        return it == texts.end() ? std::nullopt : std::optional<QString>(it->second);
    }
    bool writeText(const QString& name, const QString& value) override
    {
        texts[name] = value;
        return true;
    }

    std::map<QString, qint32> values;
    std::map<QString, QString> texts; // text values, apart from the numbers' order
    QStringList failing;
    QStringList reads;
    QStringList writes;
};
