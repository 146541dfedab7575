#include "WindowLook.h"

#include <QFont>
#include <QIcon>
#include <QLinearGradient>
#include <QPainter>
#include <QStandardPaths>
#include <QWidget>

namespace ui::look {

void applyTo(QWidget* window)
{
    static const bool substituted = [] {
        // Latin text and digits come from Liberation Sans, whose digits are narrow enough for a
        // date to fit a column of the weight grid; Han text falls through to Noto Sans CJK TC.
        QFont::insertSubstitutions(QStringLiteral("微軟正黑體"),
                                   {QStringLiteral("Liberation Sans"), QStringLiteral("Noto Sans CJK TC")});
        // Without a desktop session there is no icon theme: use the one Debian installs.
        if (QIcon::themeName().isEmpty() || QIcon::themeName() == QLatin1String("hicolor")) {
            QStringList paths = QIcon::themeSearchPaths();
            paths << QStandardPaths::locateAll(QStandardPaths::GenericDataLocation, QStringLiteral("icons"),
                                               QStandardPaths::LocateDirectory);
            QIcon::setThemeSearchPaths(paths);
            QIcon::setThemeName(QStringLiteral("Adwaita"));
        }
        return true;
    }();
    Q_UNUSED(substituted);
    window->setStyleSheet(QStringLiteral(
        "QWidget[page=\"true\"] { background: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 #fbfdff, stop:1 "
        "#e1edf9); }"
        "QTabWidget::pane { border: 1px solid #9bb7d9; top: -1px; }"
        "QTabBar::tab { background: #dbe9f8; border: 1px solid #9bb7d9; border-bottom: none; padding: 4px "
        "14px;"
        " margin-right: 2px; border-top-left-radius: 5px; border-top-right-radius: 5px;"
        " font-family: \"微軟正黑體\"; font-size: 15px; font-weight: bold; color: #1d3357; }"
        "QTabBar::tab:selected { background: #b7d3f2; }"
        "QTabBar::tab:hover { background: #c9def6; }"
        "QLineEdit, QComboBox, QDateEdit, QPlainTextEdit, QTableView { background: white; }"
        "QLineEdit, QComboBox, QDateEdit, QPlainTextEdit { border: 1px solid #9bb7d9; border-radius: 3px; "
        "padding: 2px 4px; }"
        "QTableView { gridline-color: #c8d4e3; selection-background-color: #b7d3f2; selection-color: black; }"
        "QHeaderView::section { background: #e8f1fb; border: 1px solid #c8d4e3; padding: 2px 4px; }"
        "QToolTip { background: #ffffe1; color: black; border: 1px solid #808080; }"));
}

QFont windowFont()
{
    QFont font(QStringLiteral("微軟正黑體"));
    font.setPixelSize(15);
    font.setBold(true);
    return font;
}

void applyFont(QWidget* window)
{
    // Under the style sheet a control keeps the application's font rather than take its
    // parent's, so each control without a font of its own (nor inside one that has one) is given
    // the window's. Which ones is settled before any is given, since giving it marks it as set.
    const QFont font = windowFont();
    window->setFont(font);
    QList<QWidget*> plain;
    for (QWidget* widget : window->findChildren<QWidget*>()) {
        bool own = false;
        for (QWidget* w = widget; w && w != window && !own; w = w->parentWidget())
            own = w->isWindow() || w->testAttribute(Qt::WA_SetFont);
        if (!own)
            plain << widget;
    }
    for (QWidget* widget : plain)
        widget->setFont(font);
}

QFont oneFaceForLines(const QFont& base)
{
    // Han text and Latin digits come from two faces of the window's font, whose lines differ in
    // height; the Han face draws digits too, so every line of a box is as high as the next.
    QFont font = base;
    font.setFamilies({QStringLiteral("Noto Sans CJK TC"), QStringLiteral("微軟正黑體")});
    return font;
}

QPixmap chartBackground(const QSize& size)
{
    QPixmap picture(size);
    QPainter painter(&picture);
    QLinearGradient sky(0, 0, 0, size.height());
    sky.setColorAt(0, QColor(0xe9, 0xf3, 0xfd));
    sky.setColorAt(0.7, QColor(0xfa, 0xfc, 0xff));
    sky.setColorAt(1, QColor(0xe4, 0xef, 0xe0));
    painter.fillRect(picture.rect(), sky);
    painter.setPen(QPen(QColor(255, 255, 255, 160), 2));
    for (int x = -size.height(); x < size.width(); x += 48)
        painter.drawLine(x, size.height(), x + size.height(), 0);
    return picture;
}

} // namespace ui::look
