#pragma once

#include <QDialog>

#include <array>
#include <optional>

class QCheckBox;
class QLineEdit;

namespace tc4dl {

// "Y Axis Maximum And Minimum Scale Setup": the Y range of each of the four channel axes, with
// the option to keep it as the default look of every new graph.
class TfrmSetupScale final : public QDialog {
    Q_OBJECT
public:
    struct Range {
        int min = 0;
        int max = 0;
    };
    using Ranges = std::array<Range, 4>;

    explicit TfrmSetupScale(QWidget* parent = nullptr);

    // The boxes show the ranges as whole numbers (truncated toward zero by the caller).
    void setRanges(const Ranges& ranges);
    // Reads the eight boxes in the order T4 MAX, T4 MIN, T3 MAX, … T1 MIN. Every box is tried;
    // when any fails, `badText` is the text of the last one that failed and nothing is returned.
    [[nodiscard]] std::optional<Ranges> readRanges(QString* badText) const;
    [[nodiscard]] bool saveSetting() const;

    [[nodiscard]] QLineEdit* minBox(int channel) const { return m_min.at(channel); }
    [[nodiscard]] QLineEdit* maxBox(int channel) const { return m_max.at(channel); }
    [[nodiscard]] QCheckBox* saveBox() const { return m_save; }

    void centreOnScreen();

private:
    std::array<QLineEdit*, 4> m_min {};
    std::array<QLineEdit*, 4> m_max {};
    QCheckBox* m_save = nullptr;
};

} // namespace tc4dl
