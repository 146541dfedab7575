#include "MultiLineEdit.h"

namespace ui {

MultiLineEdit::MultiLineEdit(QWidget* parent) : QPlainTextEdit(parent)
{
    setLineWrapMode(QPlainTextEdit::NoWrap);
    setTabChangesFocus(true);
}

QStringList MultiLineEdit::lines() const
{
    QString text = toPlainText();
    if (text.isEmpty())
        return {};
    if (text.endsWith(u'\n'))
        text.chop(1);
    return text.split(u'\n');
}

} // namespace ui
