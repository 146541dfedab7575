#pragma once

#include "engine/DataSource.h"

#include <QPointer>
#include <QWidget>

namespace ui {

// A record navigation bar: first, prior, next and last row of a data source's query.
class Navigator : public QWidget
{
    Q_OBJECT

public:
    explicit Navigator(QWidget* parent = nullptr);
    void setDataSource(engine::DataSource* source) { m_source = source; }
    engine::DataSource* dataSource() const { return m_source; }

private:
    void move(int step);
    QPointer<engine::DataSource> m_source;
};

} // namespace ui
