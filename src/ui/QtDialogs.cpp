#include "QtDialogs.h"

#include <QFileDialog>

#include "InputBox.h"

#include <QApplication>
#include <QEvent>
#include <QFontMetrics>
#include <QLayout>
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

// A window manager draws the title in its own, mostly bold, font beside its buttons, and cuts
// what does not fit; the room Qt leaves for a message box's title is narrower than that.
int widthForTitle(const QString& title)
{
    QFont font = QApplication::font("QMdiSubWindowTitleBar");
    font.setBold(true);
    // Room for the icon and three buttons of a common title bar (openbox, xfwm, Mutter) beside it.
    return QFontMetrics(font).horizontalAdvance(title) + 170;
}

// QMessageBox fixes its own size whenever it is shown or laid out again; this one then widens
// itself to what its title needs.
class MessageBox : public QMessageBox
{
public:
    using QMessageBox::QMessageBox;

protected:
    bool event(QEvent* event) override
    {
        const bool result = QMessageBox::event(event);
        switch (event->type()) {
        case QEvent::Show:
        case QEvent::LayoutRequest:
        case QEvent::FontChange:
        case QEvent::StyleChange:
        case QEvent::WindowTitleChange:
            fitTitle();
            break;
        default:
            break;
        }
        return result;
    }

private:
    void fitTitle()
    {
        const int needed = widthForTitle(windowTitle());
        if (!isVisible() || width() >= needed)
            return;
        layout()->activate();
        const int height = layout()->hasHeightForWidth() ? layout()->totalHeightForWidth(needed)
                                                         : layout()->totalMinimumSize().height();
        setFixedSize(needed, height);
    }
};

} // namespace

void QtDialogs::message(const QString& text)
{
    MessageBox box(QMessageBox::NoIcon, applicationTitle(), text, QMessageBox::Ok, owner());
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
    MessageBox box(QMessageBox::NoIcon, title, body, QMessageBox::NoButton, owner());
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
    MessageBox box(QMessageBox::Question, applicationTitle(), text, QMessageBox::NoButton, owner());
    QPushButton* ok = box.addButton(QStringLiteral("確定"), QMessageBox::AcceptRole);
    QPushButton* cancel = box.addButton(QStringLiteral("取消"), QMessageBox::RejectRole);
    box.setDefaultButton(ok);
    box.setEscapeButton(cancel);
    box.exec();
    return box.clickedButton() == ok;
}

void QtDialogs::error(const QString& text)
{
    MessageBox box(QMessageBox::Critical, applicationTitle(), text, QMessageBox::Ok, owner());
    box.exec();
}

QString QtDialogs::saveFileName(const QString& title, const QString& suggested, const QString& filter)
{
    // Qt's own dialog, its words in the program's language (no translation of Qt ships here).
    QFileDialog box(owner(), title, suggested, filter);
    box.setOption(QFileDialog::DontUseNativeDialog);
    box.setOption(QFileDialog::DontConfirmOverwrite); // the caller asks, in its own words
    box.setAcceptMode(QFileDialog::AcceptSave);
    box.setFileMode(QFileDialog::AnyFile);
    box.setLabelText(QFileDialog::LookIn, QStringLiteral("位置:"));
    box.setLabelText(QFileDialog::FileName, QStringLiteral("檔名:"));
    box.setLabelText(QFileDialog::FileType, QStringLiteral("檔案類型:"));
    box.setLabelText(QFileDialog::Accept, QStringLiteral("儲存"));
    box.setLabelText(QFileDialog::Reject, QStringLiteral("取消"));
    box.selectFile(suggested);
    if (box.exec() != QDialog::Accepted || box.selectedFiles().isEmpty())
        return {};
    return box.selectedFiles().front();
}

} // namespace ui
