#pragma once

#include <QDialog>

class QGroupBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QRadioButton;

namespace tc4dl {

// The range and progress window. Saves ask it which graph points or table rows to write (and,
// for a graph export, the unit); saves, opens, graphing a table and the logger download show
// their progress in it. Created for one use: call exactly one of the useFor... functions, which
// set the caption, the parts shown and the height, then show it modally (a range) or
// modelessly (a progress). Nothing is kept between uses.
class TfrmScope final : public QDialog {
    Q_OBJECT
public:
    static constexpr int kClientWidth = 328;
    static constexpr int kShortHeight = 148;
    static constexpr int kTallHeight = 200;

    explicit TfrmScope(QWidget* parent = nullptr);

    // The range of a graph text export: the range controls, OK, Cancel and the unit.
    void useForGraphExportRange();
    // The range of a table save: the range controls, OK and Cancel.
    void useForTableSaveRange();
    // Progress of a save: the bar, "saving.....", Cancel.
    void useForSaveProgress();
    // Progress of a text open: the lines read so far (from "0"), Cancel.
    void useForOpenProgress();
    // Progress of graphing a table: the bar and "graphing.....".
    void useForGraphingProgress();
    // Progress of the logger download: the bar, bytes received (from "0") and total bytes,
    // and Cancel, which stops the transfer.
    void useForDownloadProgress(qint64 totalBytes);

    // The range boxes and the unit; filled before a range use is shown, read afterwards.
    void setRange(const QString& from, const QString& to);
    [[nodiscard]] bool allChosen() const;
    [[nodiscard]] QString fromText() const;
    [[nodiscard]] QString toText() const;
    void setFahrenheit(bool fahrenheit);
    [[nodiscard]] bool fahrenheit() const;

    // A progress use. Values beyond the bar's int range are scaled down to fit it.
    void setProgressMaximum(qint64 maximum);
    void setProgressValue(qint64 value);
    void setStatusText(const QString& text);
    void setBytes(qint64 received, qint64 total);

    // A modeless use: Cancel (and the close box while Cancel is offered) sets the result the
    // running operation polls, and says so at once for an operation waiting on a device.
    void clearResult() { m_cancelled = false; }
    [[nodiscard]] bool cancelled() const { return m_cancelled; }

Q_SIGNALS:
    void cancelRequested();

public Q_SLOTS:
    void reject() override;

private:
    enum class Mode { Modal, Modeless };
    void buildRangeGroup();
    void buildProgressParts();
    void applyTexts();
    void layOutRangeRow();
    void setUse(const char* captionId, const QList<QWidget*>& shown, int height, Mode mode);
    void onCancelClicked();

    QGroupBox* m_group = nullptr;
    QRadioButton* m_all = nullptr;
    QRadioButton* m_select = nullptr;
    QLineEdit* m_from = nullptr;
    QLineEdit* m_to = nullptr;
    QPushButton* m_ok = nullptr;
    QPushButton* m_cancel = nullptr;
    QLabel* m_status1 = nullptr;
    QLabel* m_status2 = nullptr;
    QLabel* m_received = nullptr;
    QLabel* m_total = nullptr;
    QProgressBar* m_progress = nullptr;
    QGroupBox* m_unitGroup = nullptr;
    QRadioButton* m_celsius = nullptr;
    QRadioButton* m_fahrenheit = nullptr;
    Mode m_mode = Mode::Modal;
    bool m_cancelled = false;
    int m_scaleShift = 0; // bits dropped from progress values to fit the bar's int range
};

} // namespace tc4dl
