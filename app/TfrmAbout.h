#pragma once

#include <QDialog>

class QLabel;
class QPushButton;

namespace tc4dl {

// The About window, also the splash screen while the program starts (then without its OK
// button). Fixed 311 × 95, on top, centred on the screen.
class TfrmAbout final : public QDialog {
    Q_OBJECT
public:
    enum class Mode { About, Splash };
    explicit TfrmAbout(Mode mode, QWidget* parent = nullptr);

    [[nodiscard]] static QString programVersion();
    void centreOnScreen();

private:
    QLabel* m_product = nullptr;
    QLabel* m_versionCaption = nullptr;
    QLabel* m_version = nullptr;
    QPushButton* m_ok = nullptr;
};

} // namespace tc4dl
