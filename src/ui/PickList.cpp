#include "PickList.h"

#include <QLineEdit>

namespace ui {

PickList::PickList(const QString& text, QWidget* parent) : QComboBox(parent)
{
    setEditable(true);
    setInsertPolicy(QComboBox::NoInsert);
    setCompleter(nullptr);
    setMaxVisibleItems(15);
    setCurrentIndex(-1);
    setEditText(text);
    connect(lineEdit(), &QLineEdit::textEdited, this, [this](const QString& edited) {
        if (currentIndex() != -1) {
            const int cursor = lineEdit()->cursorPosition();
            const QSignalBlocker blocker(this);
            setCurrentIndex(-1);
            setEditText(edited);
            lineEdit()->setCursorPosition(cursor);
        }
        Q_EMIT changed();
    });
    connect(this, &QComboBox::activated, this, [this] { Q_EMIT changed(); });
}

void PickList::setItemIndex(int index)
{
    setCurrentIndex(index);
    if (index < 0)
        setEditText(QString());
}

void PickList::setText(const QString& text)
{
    setEditText(text);
}

void PickList::appendItem(const QString& item)
{
    const int index = currentIndex();
    const QString shown = currentText();
    const QSignalBlocker blocker(this);
    addItem(item);
    if (index < 0) {
        setCurrentIndex(-1);
        setEditText(shown);
    }
}

void PickList::clearItems()
{
    const QString kept = currentText();
    const QSignalBlocker blocker(this);
    clear();
    setEditText(kept);
}

void PickList::clearAll()
{
    clear();
    setEditText(QString());
}

} // namespace ui
