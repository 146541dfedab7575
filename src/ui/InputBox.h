#pragma once

#include <QDialog>

class QLineEdit;

namespace ui {

// The general one-line input box: a title, a prompt, one entry of at most 255 characters that
// opens with its text selected, and the buttons "確定" and "取消".
class InputBox : public QDialog
{
    Q_OBJECT

public:
    static constexpr int maxLength = 255;

    InputBox(const QString& title, const QString& prompt, const QString& value, bool masked,
             QWidget* parent = nullptr);
    QString value() const;
    QLineEdit* edit() const { return m_edit; }

private:
    QLineEdit* m_edit;
};

} // namespace ui
