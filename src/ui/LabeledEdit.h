#pragma once

#include <QWidget>

class QLabel;
class QLineEdit;

namespace ui {

// A one-line edit with its caption above it.
class LabeledEdit : public QWidget
{
    Q_OBJECT

public:
    LabeledEdit(const QString& caption, QWidget* parent = nullptr);

    QLineEdit* edit() const { return m_edit; }
    QLabel* label() const { return m_label; }
    QString caption() const;
    QString text() const;
    void setText(const QString& text);
    // Shows "*" for every character.
    void setPasswordMode(bool on);

private:
    QLabel* m_label;
    QLineEdit* m_edit;
};

} // namespace ui
