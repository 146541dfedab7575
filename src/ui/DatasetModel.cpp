#include "DatasetModel.h"

#include "engine/DataSource.h"
#include "engine/Query.h"
#include "ui/Guard.h"

namespace ui {

DatasetModel::DatasetModel(QObject* parent) : QAbstractTableModel(parent) {}

void DatasetModel::setDataSource(engine::DataSource* source)
{
    if (m_source)
        disconnect(m_source, nullptr, this, nullptr);
    m_source = source;
    if (m_source)
        connect(m_source, &engine::DataSource::changed, this, &DatasetModel::attach);
    attach();
}

engine::Query* DatasetModel::query() const
{
    return m_source && m_source->isEnabled() ? m_query.data() : nullptr;
}

bool DatasetModel::canEdit() const
{
    engine::Query* q = query();
    return q && m_source->autoEdit() && q->canModify();
}

void DatasetModel::attach()
{
    engine::Query* next = m_source ? m_source->dataSet() : nullptr;
    if (next != m_query) {
        for (const auto& connection : m_connections)
            disconnect(connection);
        m_connections.clear();
        m_query = next;
        if (m_query) {
            m_connections << connect(m_query, &engine::Query::updateRecord, this, &DatasetModel::updateRecord)
                          << connect(m_query, &engine::Query::opened, this, &DatasetModel::reset)
                          << connect(m_query, &engine::Query::closed, this, &DatasetModel::reset)
                          << connect(m_query, &engine::Query::reordered, this, &DatasetModel::reset)
                          << connect(m_query, &engine::Query::rowInserted, this,
                                     [this](int row) {
                                         beginInsertRows(QModelIndex(), row, row);
                                         endInsertRows();
                                         if (m_indicatorRow >= row)
                                             ++m_indicatorRow;
                                     })
                          << connect(m_query, &engine::Query::rowRemoved, this,
                                     [this](int row) {
                                         // The row is already gone from the query.
                                         beginResetModel();
                                         endResetModel();
                                         Q_UNUSED(row);
                                     })
                          << connect(m_query, &engine::Query::rowChanged, this,
                                     [this](int row) {
                                         Q_EMIT dataChanged(index(row, 0), index(row, columnCount() - 1));
                                         Q_EMIT headerDataChanged(Qt::Vertical, row, row);
                                     })
                          << connect(m_query, &engine::Query::currentChanged, this, [this](int row) {
                                 // The indicator leaves one row for another: only their headers
                                 // change, whatever the number of rows.
                                 const int count = rowCount();
                                 for (int section : {m_indicatorRow, row})
                                     if (section >= 0 && section < count)
                                         Q_EMIT headerDataChanged(Qt::Vertical, section, section);
                                 m_indicatorRow = row;
                                 Q_EMIT currentRowChanged(row);
                             });
        }
    }
    reset();
}

void DatasetModel::reset()
{
    beginResetModel();
    endResetModel();
    engine::Query* q = query();
    m_indicatorRow = q ? q->recNo() : -1;
    if (q)
        Q_EMIT currentRowChanged(q->recNo());
}

int DatasetModel::rowCount(const QModelIndex& parent) const
{
    engine::Query* q = query();
    return parent.isValid() || !q || !q->isActive() ? 0 : q->recordCount();
}

int DatasetModel::columnCount(const QModelIndex& parent) const
{
    engine::Query* q = query();
    return parent.isValid() || !q || !q->isActive() ? 0 : q->fieldCount();
}

QVariant DatasetModel::data(const QModelIndex& index, int role) const
{
    engine::Query* q = query();
    if (!q || !index.isValid() || (role != Qt::DisplayRole && role != Qt::EditRole))
        return {};
    return q->text(index.row(), index.column());
}

QVariant DatasetModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    engine::Query* q = query();
    if (!q || role != Qt::DisplayRole)
        return {};
    if (orientation == Qt::Horizontal)
        return section < q->fieldCount() ? q->column(section).name : QVariant();
    // The row indicator: the current row, marked as edited or new while it has a pending change.
    if (section != q->recNo())
        return QString();
    switch (q->state()) {
    case engine::Query::State::Insert:
        return QStringLiteral("*");
    case engine::Query::State::Edit:
        return QStringLiteral("I");
    default:
        return QStringLiteral("▶");
    }
}

Qt::ItemFlags DatasetModel::flags(const QModelIndex& index) const
{
    Qt::ItemFlags flags = QAbstractTableModel::flags(index);
    engine::Query* q = query();
    if (q && canEdit() && q->isColumnEditable(index.column()))
        flags |= Qt::ItemIsEditable;
    return flags;
}

bool DatasetModel::setData(const QModelIndex& index, const QVariant& value, int role)
{
    engine::Query* q = query();
    if (!q || role != Qt::EditRole || !index.isValid())
        return false;
    if (q->text(index.row(), index.column()) == value.toString() &&
        q->state() == engine::Query::State::Browse)
        return true;
    bool stored = false;
    ui::guarded([&] {
        storeText(index, value.toString());
        stored = true;
    })();
    return stored;
}

void DatasetModel::storeText(const QModelIndex& index, const QString& text)
{
    engine::Query* q = query();
    if (!q || !index.isValid())
        return;
    q->moveTo(index.row());
    q->setFieldText(q->column(index.column()).name, text);
}

} // namespace ui
