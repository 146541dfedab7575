#pragma once

#include <QString>

namespace engine {

class Connection;

// Several changes stored as one unit: all of them, or none when the unit is not committed
// (an error, or the program ending half way).
class Transaction
{
public:
    explicit Transaction(Connection& connection);
    ~Transaction();
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;

    void commit();

private:
    Connection& m_connection;
    QString m_name;
    bool m_open = true;
};

} // namespace engine
