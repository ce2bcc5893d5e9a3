#pragma once

#include <QByteArrayView>
#include <QString>

#include <optional>
#include <vector>

namespace tc4dl::recorder {

// One `key = value` line of a settings file, with the group it stands in ("" before the first
// group, "oven" in "[meter oven]") and its line number for the messages.
struct ConfigEntry {
    QString group;
    QString key;
    QString value;
    int line = 0;
};

// The settings file of the recorder: INI lines, `key = value`, `[meter NAME]` groups, `#` or `;`
// comment lines, blank lines. Keys may repeat (--alarm may). A value keeps its inner blanks; a
// value in double quotes keeps its outer ones too. Nothing in the file is interpreted here: the
// caller checks the keys and values.
struct ConfigText {
    static constexpr qsizetype kMaxBytes = 64 * 1024;
    static constexpr int kMaxLineLength = 4096;
    static constexpr int kMaxEntries = 1024;

    std::vector<ConfigEntry> entries;
    std::vector<QString> groups; // in the order they appear, each once
    // The first reason the text was refused ("line 4: ..."); empty when it was read.
    QString error;
    [[nodiscard]] bool ok() const { return error.isEmpty(); }
};

// Reads a settings text. A text over kMaxBytes, one that is not UTF-8 or holds a NUL, a line over
// kMaxLineLength, a line that is neither a group, an entry nor a comment, a group other than
// `[meter NAME]`, and more than kMaxEntries entries are refused with the line that says why.
[[nodiscard]] ConfigText readConfigText(QByteArrayView bytes);

} // namespace tc4dl::recorder
