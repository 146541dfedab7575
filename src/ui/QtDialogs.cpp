#include "QtDialogs.h"

#include "InputBox.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>

namespace ui {

namespace {

QWidget* owner()
{
    return QApplication::activeWindow();
}

QString applicationTitle()
{
    return QStringLiteral("Velloran");
}

} // namespace

void QtDialogs::message(const QString& text)
{
    QMessageBox box(QMessageBox::NoIcon, applicationTitle(), text, QMessageBox::Ok, owner());
    box.exec();
}

bool QtDialogs::input(const QString& title, const QString& prompt, QString& value, bool masked)
{
    InputBox box(title, prompt, value, masked, owner());
    if (box.exec() != QDialog::Accepted)
        return false;
    value = box.value();
    return true;
}

Answer QtDialogs::confirmDelete(const QString& title, const QString& body)
{
    QMessageBox box(QMessageBox::NoIcon, title, body, QMessageBox::NoButton, owner());
    QPushButton* yes = box.addButton(QStringLiteral("是(&Y)"), QMessageBox::YesRole);
    QPushButton* no = box.addButton(QStringLiteral("否(&N)"), QMessageBox::NoRole);
    QPushButton* cancel = box.addButton(QStringLiteral("取消"), QMessageBox::RejectRole);
    box.setDefaultButton(yes);
    box.setEscapeButton(cancel);
    box.exec();
    if (box.clickedButton() == yes)
        return Answer::Yes;
    if (box.clickedButton() == no)
        return Answer::No;
    return Answer::Cancel;
}

bool QtDialogs::confirm(const QString& text)
{
    QMessageBox box(QMessageBox::Question, applicationTitle(), text, QMessageBox::NoButton, owner());
    QPushButton* ok = box.addButton(QStringLiteral("確定"), QMessageBox::AcceptRole);
    QPushButton* cancel = box.addButton(QStringLiteral("取消"), QMessageBox::RejectRole);
    box.setDefaultButton(ok);
    box.setEscapeButton(cancel);
    box.exec();
    return box.clickedButton() == ok;
}

void QtDialogs::error(const QString& text)
{
    QMessageBox box(QMessageBox::Critical, applicationTitle(), text, QMessageBox::Ok, owner());
    box.exec();
}

} // namespace ui
