#pragma once

#include <QDialog>

class QComboBox;
class QLineEdit;

namespace tc4dl {

// "Real-Time Setup": before every real-time run the user confirms the number of samples and
// the sampling rate; the dialog keeps the resulting recording period up to date.
class TfrmSetupRealTime final : public QDialog {
    Q_OBJECT
public:
    explicit TfrmSetupRealTime(QWidget* parent = nullptr);

    // Filled by Run: the rate lists (without running the change handler) and the period of
    // 2000 samples at the current rate, unpadded.
    void setRate(int minutes, int seconds);
    void setPeriodText(const QString& text);

    [[nodiscard]] QString samplesText() const; // as typed, untrimmed
    [[nodiscard]] int minutes() const;
    [[nodiscard]] int seconds() const;
    [[nodiscard]] QString periodText() const;

    // The change handler of both rate lists (a change by the user).
    void rateListChange();

    [[nodiscard]] QLineEdit* samplesField() const { return m_samples; }
    [[nodiscard]] QComboBox* minutesList() const { return m_minutes; }
    [[nodiscard]] QComboBox* secondsList() const { return m_seconds; }

    void centreOnScreen();

private:
    // The period of the typed number of samples at the chosen rate.
    void showPeriod();

    QLineEdit* m_samples = nullptr;
    QComboBox* m_minutes = nullptr;
    QComboBox* m_seconds = nullptr;
    QLineEdit* m_period = nullptr;
    bool m_programSets = false;
};

} // namespace tc4dl
