#include "app/TForm1.h"
#include "store/engine/Connection.h"
#include "store/engine/DataSource.h"
#include "store/engine/Query.h"

namespace {

// Runs a select on a slot and gives the slot to its data source.
void openSlot(engine::Query& query, engine::DataSource& source, engine::Connection* connection,
              const QString& statement)
{
    query.setConnection(connection);
    query.setSql(statement);
    query.open();
    source.setDataSet(&query);
    source.setEnabled(true);
}

} // namespace

void TForm1::OpenSpendGrid()
{
    openSlot(*Query[0], *DataSource[0], Connection.get(), QStringLiteral("select * from spend order by 日期 desc"));
}
