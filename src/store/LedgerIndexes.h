#pragma once

namespace engine {
class Connection;
}

namespace store {

// Registers with the connection the indexes the ledger's pages and balances read through: the
// entries and the weights by date, the entries by account with the amount. They are made at
// every open where a file lacks them (and now, on an open connection).
void keepLedgerIndexes(engine::Connection& connection);

} // namespace store
