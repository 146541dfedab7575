#pragma once

#include <QDateEdit>
#include <optional>

namespace ui {

// A date that may be left open: "不限" until a date is chosen, and again after clear(). Its
// calendar opens on the current month while no date is chosen.
class OptionalDate : public QDateEdit
{
    Q_OBJECT

public:
    explicit OptionalDate(QWidget* parent = nullptr);
    std::optional<QDate> value() const;
    void clear() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
};

} // namespace ui
