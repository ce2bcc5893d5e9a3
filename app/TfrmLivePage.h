#pragma once

#include "MessageTable.h"
#include "Settings.h"

#include <QDialog>

#include <functional>
#include <optional>

class QCheckBox;
class QLabel;
class QLineEdit;
class QSpinBox;

namespace tc4dl {

class Prompter;

// The live page's settings: on or off, the address and port it listens on, and, while it runs,
// the addresses a person opens (with the key where one is needed) and a QR code of the first
// for a phone's camera. Apply and OK put the settings in use through `apply`, which says what
// went wrong itself; OK closes only when they are in use, Cancel leaves what was applied.
class TfrmLivePage final : public QDialog {
    Q_OBJECT
public:
    // Puts the settings in use; false when it could not (it has said why).
    using Apply = std::function<bool(const LivePageSettings&)>;

    TfrmLivePage(const LivePageSettings& settings, Apply apply, QWidget* parent = nullptr);

    [[nodiscard]] LivePageSettings entered() const;
    // The addresses to show (none: the page is off), the QR code of the first.
    void showAddresses(const QStringList& urls);

    void accept() override;
    // The Apply button.
    bool applyNow();

    [[nodiscard]] QCheckBox* onBox() const { return m_on; }
    [[nodiscard]] QLineEdit* addressField() const { return m_address; }
    [[nodiscard]] QSpinBox* portField() const { return m_port; }
    [[nodiscard]] QLabel* addressesLabel() const { return m_urls; }
    [[nodiscard]] QLabel* codeLabel() const { return m_code; }

private:
    MessageTable m_texts;
    Apply m_apply;
    QCheckBox* m_on = nullptr;
    QLineEdit* m_address = nullptr;
    QSpinBox* m_port = nullptr;
    QLabel* m_urls = nullptr;
    QLabel* m_code = nullptr;
};

// A QR code of `text` as an image for the screen: `scale` pixels per module with a quiet zone
// of four modules; a null image when the text does not fit into one.
[[nodiscard]] QImage qrImage(const QByteArray& text, int scale);

} // namespace tc4dl
