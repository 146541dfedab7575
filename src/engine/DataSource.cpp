#include "DataSource.h"

#include "Query.h"

namespace engine {

DataSource::DataSource(QObject* parent) : QObject(parent) {}

void DataSource::setDataSet(Query* query)
{
    if (m_query == query)
        return;
    m_query = query;
    Q_EMIT changed();
}

Query* DataSource::dataSet() const
{
    return m_query;
}

void DataSource::setEnabled(bool enabled)
{
    if (m_enabled == enabled)
        return;
    m_enabled = enabled;
    Q_EMIT changed();
}

void DataSource::setAutoEdit(bool autoEdit)
{
    if (m_autoEdit == autoEdit)
        return;
    m_autoEdit = autoEdit;
    Q_EMIT changed();
}

} // namespace engine
