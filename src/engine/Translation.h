#pragma once

#include <QString>
#include <QStringList>
#include <vector>

namespace engine {

// A Jet statement as the translator gives it: what kind it is, the SQLite statements that do
// its work, and what the engine needs to know of it besides.
struct Translation
{
    enum class Kind
    {
        Select,
        Modify, // insert, update, delete
        CreateTable,
        CreateIndex,
        DropTable,
        DropIndex,
        AddColumn,
        AlterColumn,
        DropConstraint,
        AddConstraint,
        AlterPassword,
    };

    Kind kind = Kind::Select;
    QStringList sql; // SQLite statements to run in order (one for most kinds)
    QString table;   // base table of a single-table select, or the table a DDL statement works on

    // Select
    bool singleTable = false; // a plain select of one table: its rows can be edited in place
    int top = -1;             // TOP n
    int tieKeys = 0;          // hidden trailing columns holding the ORDER BY keys, for TOP's ties
    bool hasRowid = false;    // a hidden column "__rowid" follows the visible ones
    // The ORDER BY of a single-table select when every key is a plain column name (else empty,
    // with plain false).
    struct Order
    {
        QStringList columns;
        std::vector<bool> descending;
        bool plain = true;
    };
    Order order;
    // A single-table select without TOP: its FROM clause to the end, and the same without the
    // ORDER BY, translated, so that other select lists can be run over the same rows.
    struct RowSource
    {
        QString ordered;
        QString unordered;
    };
    RowSource from;

    // Insert, update, delete
    struct Modify
    {
        bool inserts = false; // an INSERT, which changes no row that was there before it
        // For an UPDATE or DELETE of a named table, a select of the rowids it changes.
        QString changedRows;
    };
    Modify modify;

    // Table, column, key and index changes
    struct Ddl
    {
        QString column;
        QString type;         // canonical declared type
        QString constraint;   // Jet constraint or index name
        QStringList columns;  // key columns
        bool primary = false; // PRIMARY KEY (else UNIQUE)
    };
    Ddl ddl;

    // ALTER DATABASE PASSWORD new old
    struct Password
    {
        QString to;
        QString from;
    };
    Password password;
};

} // namespace engine
