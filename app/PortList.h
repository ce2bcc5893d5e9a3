#pragma once

#include <QComboBox>

namespace tc4dl {

// The toolbar's list of serial ports, which a person may also type a device name into. It
// tells apart what the person changes (changedByPerson) from what the program selects, and
// keeps the text the live port follows, so that a refused change can be taken back.
class PortList final : public QComboBox {
    Q_OBJECT
public:
    explicit PortList(QWidget* parent = nullptr);

    // The ports found, the first one chosen; the live port follows it.
    void setEntries(const QStringList& entries);
    // The program's choice of entry `index`; the live port follows it.
    void selectEntry(int index);
    // The entry the current text names exactly, -1 for a typed name not in the list.
    [[nodiscard]] int currentEntry() const;
    // The current text is now the one the live port follows.
    void acceptCurrent() { m_portText = currentText(); }
    // Back to the text the live port follows, without a change of its own.
    void revert();
    [[nodiscard]] const QString& portText() const { return m_portText; }

Q_SIGNALS:
    void changedByPerson();
    // The person picked the entry the live port already follows (no change of text).
    void pickedAgain();

private:
    bool m_programSelects = false;
    QString m_portText;
};

} // namespace tc4dl
