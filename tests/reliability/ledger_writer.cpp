// A second process on finance.mdb in its working directory, through the program's own engine.
//
//   ledger-writer write <first unit>   writes units of entries without end, as the entry pages
//                                      write them, until it is killed; prints "writing" once the
//                                      file is open and "stored <n>" after each unit is stored
//   ledger-writer hold                 opens the file and keeps it until stdin closes;
//                                      prints "holding" once it has it
//   ledger-writer rekey <new>          changes the password 1234 to <new> as the password page
//                                      does; prints "rekeying" once the file is open and
//                                      "changed" when the change is done
//
// A unit is what must be whole or absent: one expense; a transfer (an expense from 現金 and an
// income to 銀行, both of type 金流) in one transaction; or a batch of five incomes in one
// transaction. Every row's 摘要 reads "unit <n> <k>/<rows>", its 金額 is <n>.
#include "LedgerUnits.h"
#include "engine/Connection.h"
#include "engine/EngineError.h"
#include "engine/Query.h"
#include "engine/Transaction.h"
#include "ledger/EntryRow.h"
#include "store/Texts.h"

#include <QCoreApplication>
#include <QDate>
#include <QTextStream>
#include <cstdio>
#include <iostream>
#include <string>

namespace {

using reliability::UnitRow;

// The entry pages' own append: a one-row select of the table, append, the five fields, post.
void appendEntry(engine::Query& slot, const UnitRow& row)
{
    ledger::appendEntry(slot, row.table, {row.date, row.type, row.note, row.account, row.amount});
}

void openLikeTheProgram(engine::Connection& connection)
{
    connection.setConnectionString(
        QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=finance.mdb"));
    connection.setProperty(QString::fromLatin1(engine::Connection::passwordProperty), QStringLiteral("1234"));
    connection.setShareMode(engine::Connection::ShareMode::Exclusive);
    connection.open();
}

void say(const QByteArray& line)
{
    std::fwrite(line.constData(), 1, size_t(line.size()), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

int write(qint64 first)
{
    engine::Connection connection;
    openLikeTheProgram(connection);
    engine::Query slot;
    slot.setConnection(&connection);
    say("writing");
    for (qint64 unit = first;; ++unit) {
        const std::vector<UnitRow> rows = reliability::unitRows(unit);
        if (rows.size() == 1) {
            appendEntry(slot, rows.front());
        } else {
            engine::Transaction transaction(connection);
            for (const UnitRow& row : rows)
                appendEntry(slot, row);
            transaction.commit();
        }
        say("stored " + QByteArray::number(unit));
    }
}

int hold()
{
    engine::Connection connection;
    openLikeTheProgram(connection);
    say("holding");
    std::string line;
    while (std::getline(std::cin, line)) {
    }
    return 0;
}

int rekey(const QString& password)
{
    engine::Connection connection;
    openLikeTheProgram(connection);
    say("rekeying");
    connection.execute(store::passwordChangeStatement(password, QStringLiteral("1234")));
    say("changed");
    return 0;
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication application(argc, argv);
    const QStringList arguments = QCoreApplication::arguments();
    try {
        if (arguments.value(1) == QLatin1String("write"))
            return write(arguments.value(2, QStringLiteral("1")).toLongLong());
        if (arguments.value(1) == QLatin1String("hold"))
            return hold();
        if (arguments.value(1) == QLatin1String("rekey") && arguments.size() == 3)
            return rekey(arguments.value(2));
    } catch (const engine::EngineError& error) {
        QTextStream(stderr) << error.message() << Qt::endl;
        return 1;
    }
    QTextStream(stderr) << "usage: ledger-writer write <first unit> | hold | rekey <new password>"
                        << Qt::endl;
    return 2;
}
