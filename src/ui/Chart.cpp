#include "Chart.h"
#include "WindowLook.h"

#include "engine/Conversions.h"

#include <QHelpEvent>
#include <QPainter>
#include <QPainterPath>
#include <QToolTip>
#include <cmath>

namespace ui {

void ChartSeries::setActive(bool active)
{
    m_active = active;
    m_chart->update();
}

void ChartSeries::clear()
{
    m_points.clear();
    m_chart->update();
}

void ChartSeries::addPoint(double value, const QString& label)
{
    m_points.append({double(m_points.size()), value, label, QColor()});
    m_chart->update();
}

Chart::Chart(QWidget* parent)
    : QWidget(parent), m_series{ChartSeries(this, ChartSeries::Kind::Bar, QColor()),
                                ChartSeries(this, ChartSeries::Kind::Line, lineColour())}
{
    setTitle(QStringLiteral("圖表"));
    setMinimumSize(320, 240);
}

void Chart::setTitle(const QString& line)
{
    m_title = QString(line).replace(u'\n', u' ');
    update();
}

void Chart::setBackground(const QPixmap& picture)
{
    m_background = picture;
    update();
}

QList<QColor> Chart::palette()
{
    return {QColor(0xe0, 0x3c, 0x31), QColor(0x2e, 0x8b, 0x57), QColor(0xf2, 0xc1, 0x1d),
            QColor(0x2f, 0x6f, 0xd6), QColor(0x8e, 0x44, 0xad), QColor(0x16, 0xa0, 0x85),
            QColor(0xe6, 0x7e, 0x22), QColor(0x7f, 0x8c, 0x8d), QColor(0xc0, 0x39, 0x8b),
            QColor(0x27, 0xae, 0x60), QColor(0x34, 0x49, 0x5e), QColor(0xd3, 0x54, 0x00)};
}

QList<double> Chart::ticks(double low, double high, int most)
{
    if (!(high > low)) {
        const double pad = std::abs(high) > 0 ? std::abs(high) * 0.1 : 1.0;
        low -= pad;
        high += pad;
    }
    const double raw = (high - low) / qMax(1, most - 1);
    const double magnitude = std::pow(10.0, std::floor(std::log10(raw)));
    double step = magnitude;
    for (double factor : {1.0, 2.0, 2.5, 5.0, 10.0})
        if (raw <= factor * magnitude) {
            step = factor * magnitude;
            break;
        }
    QList<double> result;
    for (double tick = std::floor(low / step) * step; tick <= high + step * 1e-9; tick += step)
        result << (std::abs(tick) < step * 1e-9 ? 0.0 : tick);
    if (result.last() < high)
        result << result.last() + step;
    return result;
}

namespace {

// Labels mix Han text and digits in boxes one line high: both from one face, whose line holds
// either.
QFont titleFontOf(const QFont& base)
{
    QFont font = look::oneFaceForLines(base);
    font.setPixelSize(13);
    font.setBold(true);
    return font;
}

QFont axisFontOf(const QFont& base)
{
    QFont font = look::oneFaceForLines(base);
    font.setPixelSize(11);
    font.setBold(false);
    return font;
}

} // namespace

Chart::Layout Chart::layout() const
{
    Layout out;
    const QRect area = rect();
    const QFontMetrics titleMetrics(titleFontOf(font()));
    // The title shows whole: it is as wide as its text, up to the chart's own width.
    out.title = QRect(8, 6, qMin(titleMetrics.horizontalAdvance(m_title) + 12, qMax(20, area.width() - 16)),
                      titleMetrics.height() + 6);
    const QFontMetrics metrics(axisFontOf(font()));

    // Which points are drawn, and the value range they need.
    int slots = 0;
    double low = 0, high = 0;
    bool any = false;
    for (const ChartSeries& series : m_series) {
        if (!series.isActive())
            continue;
        slots = qMax(slots, int(series.points().size()));
        for (const ChartPoint& point : series.points()) {
            if (!any && series.kind() == ChartSeries::Kind::Line)
                low = high = point.value;
            any = true;
            low = qMin(low, point.value);
            high = qMax(high, point.value);
        }
    }
    // Room above (and below) the bars for their value marks.
    const double span = high - low;
    if (m_series[0].isActive() && any) {
        if (high > 0)
            high += span * 0.08;
        if (low < 0)
            low -= span * 0.08;
    }
    out.ticks = ticks(low, high);
    const double axisLow = out.ticks.first(), axisHigh = out.ticks.last();
    int labelWidth = 0;
    for (double tick : out.ticks)
        labelWidth = qMax(labelWidth, metrics.horizontalAdvance(engine::formatNumber(tick)));
    const int rowHeight = metrics.height();
    out.plot = QRect(area.left() + labelWidth + 16, out.title.bottom() + 28, area.width() - labelWidth - 40,
                     area.height() - out.title.bottom() - 28 - 2 * rowHeight - 16);
    if (out.plot.width() < 20 || out.plot.height() < 20)
        return out;
    const QRect plot = out.plot;
    auto yOf = [&](double value) {
        return plot.bottom() - (value - axisLow) / (axisHigh - axisLow) * plot.height();
    };
    const double slotWidth = slots > 0 ? double(plot.width()) / slots : plot.width();
    out.slots = slots;
    out.slotWidth = slotWidth;

    // Bottom labels, alternating between two rows; where even two rows are too narrow for every
    // label, only every n-th one is shown, so that no two ever overlap.
    const ChartSeries* labelled = nullptr;
    for (const ChartSeries& series : m_series)
        if (series.isActive() && !series.points().isEmpty()) {
            labelled = &series;
            break;
        }
    if (labelled) {
        int widest = 0;
        for (const ChartPoint& point : labelled->points())
            widest = qMax(widest, metrics.horizontalAdvance(point.label));
        const int every = qMax(1, int(std::ceil((widest + 8) / (2 * slotWidth))));
        for (const ChartPoint& point : labelled->points()) {
            if (int(point.x) % every != 0)
                continue;
            const double centre = plot.left() + (point.x + 0.5) * slotWidth;
            const int row = (int(point.x) / every) % 2;
            const double width = qMin(2.0 * every * slotWidth, double(widest + 8));
            out.labelBoxes << QRectF(centre - width / 2, plot.bottom() + 4 + row * rowHeight, width,
                                     rowHeight);
            out.labelTexts << point.label;
        }
    }

    const double zero = yOf(qBound(axisLow, 0.0, axisHigh));
    if (m_series[0].isActive())
        for (const ChartPoint& point : m_series[0].points()) {
            const double centre = plot.left() + (point.x + 0.5) * slotWidth;
            const double width = qMax(2.0, slotWidth * 0.6);
            const double top = yOf(point.value);
            const QRectF bar(centre - width / 2, qMin(top, zero), width, std::abs(zero - top));
            out.bars << bar;
            // The value mark: above a bar, below a negative one.
            const double markWidth = metrics.horizontalAdvance(engine::formatNumber(point.value)) + 8;
            const bool below = point.value < 0;
            const double markY = below ? bar.bottom() + 10 : bar.top() - 10 - rowHeight;
            out.marks << QRectF(centre - markWidth / 2, markY, markWidth, rowHeight);
        }
    if (m_series[1].isActive())
        for (const ChartPoint& point : m_series[1].points())
            out.linePoints << QPointF(plot.left() + (point.x + 0.5) * slotWidth, yOf(point.value));
    return out;
}

QString Chart::toolTipAt(const QPoint& position) const
{
    const Layout where = layout();
    auto describe = [](const ChartPoint& point) {
        return point.label.isEmpty()
                   ? engine::formatNumber(point.value)
                   : point.label + QStringLiteral(" : ") + engine::formatNumber(point.value);
    };
    for (qsizetype i = 0; i < where.bars.size(); ++i)
        if (where.bars[i].adjusted(-1, -1, 1, 1).contains(position) || where.marks[i].contains(position))
            return describe(m_series[0].points()[i]);
    // The nearest point of the line within a few pixels.
    qsizetype nearest = -1;
    double best = 8;
    for (qsizetype i = 0; i < where.linePoints.size(); ++i) {
        const double distance = QLineF(where.linePoints[i], QPointF(position)).length();
        if (distance <= best) {
            best = distance;
            nearest = i;
        }
    }
    return nearest >= 0 ? describe(m_series[1].points()[nearest]) : QString();
}

bool Chart::event(QEvent* event)
{
    if (event->type() == QEvent::ToolTip) {
        const auto* help = static_cast<QHelpEvent*>(event);
        const QString text = toolTipAt(help->pos());
        if (text.isEmpty())
            QToolTip::hideText();
        else
            QToolTip::showText(help->globalPos(), text, this);
        return true;
    }
    return QWidget::event(event);
}

void Chart::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRect area = rect();
    if (!m_background.isNull()) {
        painter.drawPixmap(area, m_background);
    } else {
        QLinearGradient gradient(area.topLeft(), area.bottomLeft());
        gradient.setColorAt(0, QColor(0xf7, 0xfb, 0xff));
        gradient.setColorAt(1, QColor(0xdc, 0xe9, 0xf7));
        painter.fillRect(area, gradient);
    }
    const Layout where = layout();

    painter.setFont(titleFontOf(font()));
    painter.fillRect(where.title, Qt::white);
    painter.setPen(QColor(0x1d, 0x33, 0x57));
    painter.drawText(where.title, Qt::AlignCenter, m_title);

    const QFont axisFont = axisFontOf(font());
    painter.setFont(axisFont);
    const QFontMetrics metrics(axisFont);
    const QRect plot = where.plot;
    if (plot.width() < 20 || plot.height() < 20)
        return;
    const double axisLow = where.ticks.first(), axisHigh = where.ticks.last();
    auto yOf = [&](double value) {
        return plot.bottom() - (value - axisLow) / (axisHigh - axisLow) * plot.height();
    };
    const int rowHeight = metrics.height();

    painter.fillRect(plot, QColor(255, 255, 255, 150));
    painter.setPen(QPen(QColor(0xc8, 0xd4, 0xe3), 1, Qt::DotLine));
    for (double tick : where.ticks) {
        const double y = yOf(tick);
        painter.drawLine(QPointF(plot.left(), y), QPointF(plot.right(), y));
    }
    // Grid lines stand between the labels, not on them; with many points, between shown labels.
    const int slots = where.slots;
    const double slotWidth = where.slotWidth;
    if (slotWidth >= 4)
        for (int i = 1; i < slots; ++i) {
            const double x = plot.left() + i * slotWidth;
            painter.drawLine(QPointF(x, plot.top()), QPointF(x, plot.bottom()));
        }
    painter.setPen(QColor(0x40, 0x40, 0x40));
    painter.drawRect(plot);
    int labelWidth = plot.left() - area.left() - 16;
    for (double tick : where.ticks)
        painter.drawText(QRectF(area.left() + 4, yOf(tick) - rowHeight / 2.0, labelWidth + 6, rowHeight),
                         Qt::AlignRight | Qt::AlignVCenter, engine::formatNumber(tick));
    for (qsizetype i = 0; i < where.labelBoxes.size(); ++i)
        painter.drawText(where.labelBoxes[i], Qt::AlignHCenter | Qt::AlignTop, where.labelTexts[i]);

    const QList<QColor> colours = palette();
    const QList<ChartPoint>& bars = m_series[0].points();
    for (qsizetype i = 0; i < where.bars.size(); ++i) {
        const ChartPoint& point = bars[i];
        const QRectF& bar = where.bars[i];
        const QRectF& mark = where.marks[i];
        const QColor colour = point.colour.isValid() ? point.colour : colours[int(point.x) % colours.size()];
        painter.setPen(QColor(0x30, 0x30, 0x30));
        painter.setBrush(colour);
        painter.drawRect(bar);
        // The value mark, joined to its bar by an arrow.
        const bool below = point.value < 0;
        const double centre = bar.center().x();
        const double tip = below ? bar.bottom() : bar.top();
        painter.drawLine(QPointF(centre, below ? mark.top() : mark.bottom()), QPointF(centre, tip));
        const double head = below ? 4 : -4;
        painter.drawLine(QPointF(centre, tip), QPointF(centre - 3, tip - head));
        painter.drawLine(QPointF(centre, tip), QPointF(centre + 3, tip - head));
        painter.setBrush(QColor(0xff, 0xff, 0xe1));
        painter.drawRect(mark);
        painter.drawText(mark, Qt::AlignCenter, engine::formatNumber(point.value));
    }
    if (!where.linePoints.isEmpty()) {
        QPainterPath path;
        for (const QPointF& at : where.linePoints) {
            if (path.elementCount() == 0)
                path.moveTo(at);
            else
                path.lineTo(at);
        }
        painter.setBrush(Qt::NoBrush);
        painter.setPen(QPen(m_series[1].colour(), 2));
        painter.drawPath(path);
    }
}

} // namespace ui
