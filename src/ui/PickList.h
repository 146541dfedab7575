#pragma once

#include <QComboBox>

namespace ui {

// A drop-down list whose text can also be typed. Only an item picked from the list counts as
// chosen: typing in the box leaves it without a chosen item (index -1), whatever it shows.
class PickList : public QComboBox
{
    Q_OBJECT

public:
    explicit PickList(const QString& text = QString(), QWidget* parent = nullptr);

    int itemIndex() const { return currentIndex(); }
    // Chooses an item, or none with -1, which also empties the text.
    void setItemIndex(int index);
    QString text() const { return currentText(); }
    void setText(const QString& text);
    // Adds an item; a box without a chosen item stays without one.
    void appendItem(const QString& item);
    // Empties the list and the text.
    void clearAll();
    // Empties the list; the text stays as it stands.
    void clearItems();

Q_SIGNALS:
    // The user picked an item or edited the text.
    void changed();
};

} // namespace ui
