#pragma once

#include <QDate>
#include <QString>
#include <vector>

// The units of entries the interrupted writer stores, shared by the writer and the test that
// checks what it left behind.
namespace reliability {

struct UnitRow
{
    QString table;
    QString date; // as the date picker hands it over
    QString type;
    QString note;
    QString account;
    QString amount;
};

inline QString unitNote(qint64 unit, int row, int rows)
{
    return QStringLiteral("unit %1 %2/%3").arg(unit).arg(row).arg(rows);
}

// Unit n is an expense (n % 3 == 0), a transfer (n % 3 == 1) or a batch of five incomes.
inline std::vector<UnitRow> unitRows(qint64 unit)
{
    const QString date = QDate(2012, 1, 1).addDays(unit % 365).toString(QStringLiteral("yyyy/MM/dd"));
    const QString amount = QString::number(unit);
    switch (unit % 3) {
    case 0:
        return {{QStringLiteral("spend"), date, QStringLiteral("食物"), unitNote(unit, 1, 1),
                 QStringLiteral("現金"), amount}};
    case 1:
        return {{QStringLiteral("spend"), date, QStringLiteral("金流"), unitNote(unit, 1, 2),
                 QStringLiteral("現金"), amount},
                {QStringLiteral("save"), date, QStringLiteral("金流"), unitNote(unit, 2, 2),
                 QStringLiteral("銀行"), amount}};
    default: {
        std::vector<UnitRow> rows;
        for (int k = 1; k <= 5; ++k)
            rows.push_back({QStringLiteral("save"), date, QStringLiteral("利息"), unitNote(unit, k, 5),
                            QStringLiteral("銀行"), amount});
        return rows;
    }
    }
}

} // namespace reliability
