#pragma once

// The roles of the window's eight shared queries ("slots"), each with the data source of the
// same index. The values are the queries' own indices, Spend the first and Balances the last.
namespace role {

enum Role : int
{
    Spend = 0,        // the expense grid; expense appends and deletes
    Save = 1,         // the income grid; income appends and deletes
    SpendType = 2,    // the expense category grid and lists
    SubSpendType = 3, // the sub-category grid, and the expense page's sub-category list
    SaveType = 4,     // the income category grid and lists
    AccountType = 5,  // the account grid and lists; the walk of the accounts for the balances
    Weight = 6,       // the weight grid and its navigator
    Balances = 7,     // the balance sums and updates, and the overview grid
};

inline constexpr int count = 8;

} // namespace role
