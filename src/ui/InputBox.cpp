#include "InputBox.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace ui {

InputBox::InputBox(const QString& title, const QString& prompt, const QString& value, bool masked,
                   QWidget* parent)
    : QDialog(parent), m_edit(new QLineEdit(this))
{
    setWindowTitle(title);
    setObjectName(QStringLiteral("InputBox"));
    auto* layout = new QVBoxLayout(this);
    auto* label = new QLabel(prompt, this);
    label->setBuddy(m_edit);
    layout->addWidget(label);
    m_edit->setObjectName(QStringLiteral("InputBoxEdit"));
    m_edit->setMaxLength(maxLength);
    m_edit->setEchoMode(masked ? QLineEdit::Password : QLineEdit::Normal);
    // A masked entry shows "*" for every character, not the style's bullet.
    m_edit->setStyleSheet(QStringLiteral("QLineEdit { lineedit-password-character: 42; }"));
    m_edit->setText(value);
    m_edit->selectAll();
    m_edit->setMinimumWidth(260);
    layout->addWidget(m_edit);
    auto* buttons = new QDialogButtonBox(this);
    QPushButton* ok = buttons->addButton(QStringLiteral("確定"), QDialogButtonBox::AcceptRole);
    buttons->addButton(QStringLiteral("取消"), QDialogButtonBox::RejectRole);
    ok->setDefault(true);
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    m_edit->setFocus();
}

QString InputBox::value() const
{
    return m_edit->text();
}

} // namespace ui
