#pragma once

#include "Prompter.h"

class QWidget;

namespace tc4dl {

// Real message boxes, captioned like the program's main window.
class QtPrompter final : public Prompter {
public:
    explicit QtPrompter(QWidget* parent = nullptr)
        : m_parent(parent)
    {
    }
    void setParent(QWidget* parent) { m_parent = parent; }
    Answer ask(const QString& text, Buttons buttons, Icon icon) override;
    QString saveFileName(const QString& caption, const QString& start, const QStringList& filters,
                         const QString& defaultSuffix, QString* selectedFilter) override;

private:
    QWidget* m_parent;
};

} // namespace tc4dl
