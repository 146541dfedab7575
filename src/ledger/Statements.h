#pragma once

#include <QString>

// The statements of the ledger, built from fixed text and the values they carry.
namespace ledger {

QString incomeSumStatement(const QString& account);
QString expenseSumStatement(const QString& account);
QString balanceUpdateStatement(qint64 balance, const QString& account);
QString subCategoryStatement(const QString& category);
QString deleteExpenseStatement(const QString& serial);
QString deleteIncomeStatement(const QString& serial);

} // namespace ledger
