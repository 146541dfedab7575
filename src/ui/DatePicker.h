#pragma once

#include <QDateEdit>

namespace ui {

// A date field written yyyy/MM/dd with a drop-down calendar.
class DatePicker : public QDateEdit
{
    Q_OBJECT

public:
    explicit DatePicker(QWidget* parent = nullptr);
    // The date as the entry pages hand it to the database: yyyy/MM/dd.
    QString dateText() const;
};

} // namespace ui
