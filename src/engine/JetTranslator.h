#pragma once

#include <QString>
#include <QStringList>
#include <vector>

// Rewrites the system's Jet SQL into SQLite's dialect. The rewrite works on tokens, so that
// text literals and bracketed names are never touched by accident.
namespace engine {

struct JetToken
{
    enum class Type
    {
        Word,
        Bracket,
        String,
        DqString,
        Number,
        Date,
        Param,
        Punct,
        Space
    };
    Type type;
    QString text; // the token as written
    int pos = 0;
};

// Throws EngineError (Syntax) for an unterminated literal or a character Jet does not know.
std::vector<JetToken> tokenizeJet(const QString& statement);

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

Translation translateJet(const QString& statement);

// The canonical declared type for a Jet type name with an optional length: "int" -> "INT",
// "float" -> "FLOAT", "char" -> "CHAR(255)", "varchar(255)" -> "VARCHAR(255)". Empty when unknown.
QString canonicalJetType(const QString& typeName, int length = -1);

// Name of the index that holds a Jet key or index of a table. SQLite index names are global;
// Jet's belong to their table.
QString jetIndexName(const QString& table, const QString& name, bool primary, bool unique);

// Quotes a name for SQLite.
QString quoteName(const QString& name);

} // namespace engine
