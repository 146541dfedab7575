#pragma once

#include <QAbstractButton>
#include <QStyle>

namespace ui {

// A picture over a rounded, hatched badge that carries the button's caption.
class ImageButton : public QAbstractButton
{
    Q_OBJECT

public:
    explicit ImageButton(const QString& caption, QWidget* parent = nullptr);

    // A picture from the desktop's icon theme, or Qt's standard one where the theme has none.
    void setPicture(const QString& themeName, QStyle::StandardPixmap fallback);
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }
    static constexpr int badgeFontPixels = 11;

protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    bool m_hovered = false;
};

} // namespace ui
