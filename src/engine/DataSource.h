#pragma once

#include <QObject>
#include <QPointer>

namespace engine {

class Query;

// Binds a query to the grids that show it.
class DataSource : public QObject
{
    Q_OBJECT

public:
    explicit DataSource(QObject* parent = nullptr);

    void setDataSet(Query* query);
    Query* dataSet() const;
    void setEnabled(bool enabled);
    bool isEnabled() const { return m_enabled; }
    // Whether a grid may start an edit of the current row by itself.
    void setAutoEdit(bool autoEdit);
    bool autoEdit() const { return m_autoEdit; }

Q_SIGNALS:
    void changed();

private:
    QPointer<Query> m_query;
    bool m_enabled = false;
    bool m_autoEdit = true;
};

} // namespace engine
