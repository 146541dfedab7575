#pragma once

#include "Conversions.h"
#include "OpenResult.h"
#include "ResultRows.h"

#include <QObject>
#include <QString>
#include <QVariant>
#include <algorithm>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace engine {

class Connection;
class Query;
struct KeptRows;
struct ChangeWatch;
struct Translation;

// One column of the current row, read in the forms the handlers use.
class Field
{
public:
    Field(const Query* query, int column) : m_query(query), m_column(column) {}
    QString asString() const;
    qint32 asInteger() const;
    qint64 asLargeInt() const;
    double asFloat() const;
    bool isNull() const;
    QString name() const;

private:
    const Query* m_query;
    int m_column;
};

// A dataset like a client-side recordset: a statement, its rows held in memory, a current
// row, and edits that go straight to the single table the rows come from.
class Query : public QObject, public OpenResult
{
    Q_OBJECT

public:
    enum class State
    {
        Inactive,
        Browse,
        Edit,
        Insert
    };

    using Column = ResultColumn;

    explicit Query(QObject* parent = nullptr);
    ~Query() override;

    void setConnection(Connection* connection);
    Connection* connection() const { return m_connection; }

    // Replacing the statement closes an open result; an unposted row is dropped.
    void setSql(const QString& statement);
    QString sql() const { return m_sql; }

    void open();
    // A result of one table in a certain order reads a row's fields only when they are first
    // asked for; with this off, open() reads every field of every row at once.
    void setFieldsOnDemand(bool onDemand) { m_fieldsOnDemand = onDemand; }
    // How many rows read on demand keep their fields in memory (at least 2).
    void setRowCache(int rows) { m_rows.setCacheRows(size_t(std::max(rows, 2))); }
    void execSql();
    void close();
    bool isActive() const { return m_state != State::Inactive; }
    State state() const { return m_state; }

    int recordCount() const { return int(m_rows.size()); }
    int fieldCount() const { return int(m_columns.size()); }
    const Column& column(int index) const { return m_columns.at(size_t(index)); }
    int fieldIndex(const QString& name) const; // -1 when there is no such column
    Field fieldByName(const QString& name) const;
    Field field(int index) const { return Field(this, index); }

    // Navigation. Moving off a row that is being edited posts the edit first.
    int recNo() const { return m_current; } // 0-based; -1 without rows
    bool eof() const { return m_eof || m_rows.empty(); }
    void first();
    void next();
    void prior();
    void last();
    void moveTo(int row);

    const QVariant& value(int row, int column) const;
    QString text(int row, int column) const;

    // Changing rows: only a plain select of one table can be changed.
    bool canModify() const;
    bool isColumnEditable(int column) const;
    void append();
    void edit();
    void setFieldText(const QString& name, const QString& text);
    void setFieldFloat(const QString& name, double value);
    void setFieldNull(const QString& name);
    void post();
    // Called while updateRecord is being handled: a view could not hand over its edit, which it
    // has reported; the post stops and the row stays in its edit.
    void refusePost() { m_edit.postRefused = true; }
    void cancel();
    void deleteCurrent();

    // Sorting the loaded rows: "col", "col DESC", or several separated by commas.
    QString sort() const { return m_sorting.order; }
    void setSort(const QString& order);

    QString baseTable() const { return m_table; }

    // Before the connection changes rows by other means than this result: the fields of the
    // rows with these rowids (sorted), or of all rows, are read now if they were not and kept,
    // so that the result goes on showing them as they were when it was opened.
    void keepFieldsOf(const std::vector<qint64>& rowids) override;
    void keepAllFields() override;
    // Whether this result is open on the table (any table, for an empty name) with rows whose
    // fields it has not read.
    bool readsFieldsOnDemand(const QString& table) const override;
    // Before a unit of work is rolled back: a result opened inside it after rows were written in
    // it reads all its fields, since the rows it was opened on may be taken back.
    void keepFieldsBeforeRollback() override;
    void connectionClosing() override { close(); }
    void connectionGone() override { setConnection(nullptr); }
    // How many rows hold all their fields in memory (for the tests of the row cache).
    int rowsInMemory() const;

Q_SIGNALS:
    // Before a pending row is stored: views hand over what their open editors hold.
    void updateRecord();
    void opened();
    void closed();
    void reordered();
    void rowInserted(int row);
    void rowRemoved(int row);
    void rowChanged(int row);
    void currentChanged(int row);
    // The fields of a row read on demand could not be read (a damaged page, say): the row shows
    // its order keys alone. Sent after the read that failed, once per open.
    void fieldsUnreadable(const QString& message);

private:
    friend class Field;

    Connection& requireConnection() const;
    bool reopenKept(KeptRows& kept, const Translation& t, Connection& connection);
    void followChanges(const Translation& t, const std::optional<RowOrder>& order, Connection& connection);
    bool certainOrder(const QString& sql, const Translation& t, RowOrder& order) const;
    bool namedOrder(const Translation& t, RowOrder& order) const;
    bool openLazy(const Translation& t, const RowOrder& order, bool tied, Connection& connection);
    // A single-table select ordered by its columns is ordered by the rowid last, in the direction
    // of the last key, as a walk of an index gives ties: then its order is known for any plan.
    static bool tieByRowid(Translation& t);
    bool readOnDemand(Connection& connection);
    void reportUnreadable(int code);
    void watch(Connection& connection);
    void forEachInColumn(int column, const std::function<void(size_t, const QVariant&)>& take) const;
    const QVariant& currentValue(int column) const;
    int requireField(const QString& name) const;
    void requireModifiable() const;
    void setStored(int column, QVariant stored);
    void checkBrowseMode();
    void setCurrent(int row);
    // Where the row shown at a position is stored: the rows keep the statement's order and a
    // sort is a permutation over them.
    size_t at(int row) const
    {
        return m_sorting.view.empty() ? size_t(row) : size_t(m_sorting.view[size_t(row)]);
    }
    void eraseRow(int row);
    bool sortByOneNumber(int column, bool descending);
    void sorted(const QString& order);
    void enterBrowse();
    void discardPending();

    // Where the rows come from, and what lets them be kept at close and brought up to date at
    // the next open.
    struct Source
    {
        bool singleTable = false;  // a plain select of one table: its rows can be changed
        bool openedInUnit = false; // read on demand inside a unit of work that had written rows
        // Its condition holds a select of its own, which may look at other rows than the one
        // tested: a write to one row can change which others belong, so the result is read
        // again rather than brought up to date by the rows written.
        bool subquery = false;
        // Set while the result can be kept at close and brought up to date at the next open.
        std::shared_ptr<ChangeWatch> watch;
        QString translated;
        QString rowSourceUnordered; // FROM and WHERE without the ORDER BY, to read one column
    };

    // The title click's order: a permutation over the stored rows.
    struct Sorting
    {
        QString order;
        std::vector<int> view; // positions of the rows in the sorted order; empty when unsorted
        // The last column of numbers sorted, ascending, while the rows stay as they were:
        // clicking the same title again turns it around without sorting anew.
        struct NumberKey
        {
            double number;
            int rank; // 0 Null, 1 a number
            int index;
        };
        int numbersColumn = -1;
        quint64 numbersVersion = 0;
        std::vector<NumberKey> ascending;
    };

    // A row appended or edited and not yet stored.
    struct EditBuffer
    {
        StoredRow original; // the row as it was before Edit
        std::vector<bool> modified;
        bool postRefused = false;
    };

    Connection* m_connection = nullptr;
    QString m_sql;
    QString m_table;
    State m_state = State::Inactive;
    std::vector<Column> m_columns;
    ResultRows m_rows;
    bool m_fieldsOnDemand = true;
    int m_current = -1;
    bool m_eof = true;
    Source m_source;
    Sorting m_sorting;
    EditBuffer m_edit;
};

} // namespace engine
