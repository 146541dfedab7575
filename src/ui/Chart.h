#pragma once

#include <QColor>
#include <QList>
#include <QPixmap>
#include <QString>
#include <QWidget>
#include <array>

namespace ui {

class Chart;

struct ChartPoint
{
    double x = 0; // the number of points the series held before this one
    double value = 0;
    QString label; // shown on the bottom axis
    QColor colour; // invalid: the automatic colour
};

// One series of the chart: the bars (index 0) or the line (index 1).
class ChartSeries
{
public:
    enum class Kind
    {
        Bar,
        Line
    };

    bool isActive() const { return m_active; }
    void setActive(bool active);
    void clear();
    // Adds a point in the automatic colour.
    void addPoint(double value, const QString& label);
    const QList<ChartPoint>& points() const { return m_points; }
    Kind kind() const { return m_kind; }
    QColor colour() const { return m_colour; }

private:
    friend class Chart;
    ChartSeries(Chart* chart, Kind kind, QColor colour) : m_chart(chart), m_kind(kind), m_colour(colour) {}

    Chart* m_chart;
    Kind m_kind;
    QColor m_colour;
    bool m_active = true;
    QList<ChartPoint> m_points;
};

// A chart with a one-line title, a bar series whose bars take the palette's colours in turn
// and carry their value, and a line series in one colour.
class Chart : public QWidget
{
    Q_OBJECT

public:
    explicit Chart(QWidget* parent = nullptr);

    void setTitle(const QString& line);
    QString title() const { return m_title; }
    ChartSeries& series(int index) { return m_series.at(size_t(index)); }
    const ChartSeries& series(int index) const { return m_series.at(size_t(index)); }
    void setBackground(const QPixmap& picture);

    static QList<QColor> palette();
    // Round tick values for a value axis that must show low..high.
    static QList<double> ticks(double low, double high, int most = 8);
    static constexpr QColor lineColour() { return QColor(255, 128, 0); }

    // Where everything goes at the chart's present size; painting, tool tips and tests share it.
    struct Layout
    {
        QRect title;
        QRect plot;
        QList<double> ticks;
        int slots = 0; // one per point of the longest shown series
        double slotWidth = 0;
        QList<QRectF> bars;        // one per bar, in the bar series' order
        QList<QRectF> marks;       // the bars' value marks
        QList<QPointF> linePoints; // one per point of the line
        QList<QRectF> labelBoxes;  // the bottom labels that are shown
        QList<QString> labelTexts;
    };
    Layout layout() const;
    // What the pointer resting at the position is told: the point's label and value.
    QString toolTipAt(const QPoint& position) const;

protected:
    void paintEvent(QPaintEvent* event) override;
    bool event(QEvent* event) override;

private:
    friend class ChartSeries;
    QString m_title;
    QPixmap m_background;
    std::array<ChartSeries, 2> m_series;
};

} // namespace ui
