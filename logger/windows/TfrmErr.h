#pragma once

#include <QDialog>

class QLabel;
class QPushButton;

namespace tc4dl {

// The load command's error dialog: the message, and "Try Again", "Fixed the error " (only
// after a data error) and "Cancel". Its close box answers Cancel. Created once per load
// command and shown again after every failed attempt.
class TfrmErr final : public QDialog {
    Q_OBJECT
public:
    // The dialog's results, as runDialog() gives them back.
    enum Result { Cancel = QDialog::Rejected, FixError = QDialog::Accepted, TryAgain = 2 };

    explicit TfrmErr(QWidget* parent = nullptr);

    void setMessage(const QString& text);
    [[nodiscard]] QString message() const;
    // "Fixed the error " is offered only when a data set failed its checks.
    void setFixOffered(bool offered);
    [[nodiscard]] bool fixOffered() const;

private:
    void fitButtons();
    QPushButton* addButton(const char* name, const QString& text, QRect geometry, int result);

    QLabel* messageLabel = nullptr;
    QPushButton* fixErrorButton = nullptr;
    QPushButton* tryAgainButton = nullptr;
    QPushButton* cancelButton = nullptr;
};

} // namespace tc4dl
