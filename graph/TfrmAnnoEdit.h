#pragma once

#include <QDialog>

class QLineEdit;

namespace tc4dl {

// The text of an annotation placed with the Text tool: one edit box, OK and Cancel.
class TfrmAnnoEdit final : public QDialog {
    Q_OBJECT
public:
    explicit TfrmAnnoEdit(QWidget* parent = nullptr);
    [[nodiscard]] QString text() const;
    [[nodiscard]] QLineEdit* editBox() const { return m_edit; }

private:
    QLineEdit* m_edit = nullptr;
};

} // namespace tc4dl
