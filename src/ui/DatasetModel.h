#pragma once

#include "engine/DataSource.h"
#include "engine/Query.h"

#include <QAbstractTableModel>
#include <QPointer>

namespace ui {

// A table model over the query that a data source feeds. It follows the query as it opens,
// closes, sorts and changes rows, and writes cell edits to the query's current row.
class DatasetModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    explicit DatasetModel(QObject* parent = nullptr);

    void setDataSource(engine::DataSource* source);
    engine::DataSource* dataSource() const { return m_source; }
    engine::Query* query() const;
    // Whether the source lets a view change rows (enabled, auto edit, an editable result).
    bool canEdit() const;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    // Writes the text to the field; an engine error goes to the standard error box.
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;
    // The same, with the error left to the caller.
    void storeText(const QModelIndex& index, const QString& text);

Q_SIGNALS:
    void currentRowChanged(int row);
    // The query is about to store its pending row: views hand over what their editors hold.
    void updateRecord();

private:
    void attach();
    void reset();

    QPointer<engine::DataSource> m_source;
    QPointer<engine::Query> m_query;
    int m_indicatorRow = -1; // the row whose header shows the current-row indicator
    QList<QMetaObject::Connection> m_connections;
};

} // namespace ui
