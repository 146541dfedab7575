#pragma once

#include <QString>
#include <vector>

namespace engine {

// What the connection tells the results open on it, and all it knows of them: before rows
// change under a result that has not read them, before a unit of work is taken back, and when
// the connection closes or goes away.
class OpenResult
{
public:
    // Whether rows of the table (of any table for an empty name) are still to be read on demand.
    virtual bool readsFieldsOnDemand(const QString& table) const = 0;
    // Reads now, and keeps, the fields of these rows, or of every row.
    virtual void keepFieldsOf(const std::vector<qint64>& rowids) = 0;
    virtual void keepAllFields() = 0;
    // A unit of work is about to be taken back.
    virtual void keepFieldsBeforeRollback() = 0;
    // The connection closes the file: the result closes too.
    virtual void connectionClosing() = 0;
    // The connection goes away: the result is left without one.
    virtual void connectionGone() = 0;

protected:
    ~OpenResult() = default;
};

} // namespace engine
