// The routines that reload what the pages show: four reopen grids, three refill pick lists.
#include "app/TForm1.h"
#include "platform/Clock.h"
#include "store/Texts.h"
#include "store/engine/Connection.h"
#include "store/engine/DataSource.h"
#include "store/engine/Query.h"
#include "ui/DataGrid.h"
#include "ui/DatePicker.h"
#include "ui/Navigator.h"
#include "ui/PickList.h"

namespace {

constexpr int categoryColumn = 2; // 類型, the third column of the ledger grids
constexpr int accountColumn = 4;  // 帳戶, the fifth

void runSelect(engine::Query& query, const QString& statement)
{
    query.setSql(statement);
    query.open();
}

// Walks the rows by count, as the fill routines always have.
template <typename Take>
void eachRow(engine::Query& query, Take take)
{
    query.first();
    for (int taken = 0; taken < query.recordCount();) {
        take(query);
        ++taken;
        if (taken < query.recordCount())
            query.next();
    }
}

} // namespace

void TForm1::BindGrid(int slot, ui::DataGrid* grid)
{
    DataSource[size_t(slot)]->setDataSet(Query[size_t(slot)].get());
    DataSource[size_t(slot)]->setEnabled(true);
    grid->setDataSource(DataSource[size_t(slot)].get());
    grid->setEnabled(true);
}

void TForm1::ApplyColumnWidths(ui::DataGrid* grid)
{
    const std::vector<int> widths = store::columnWidths(grid->width(), grid->columnCount());
    for (size_t i = 0; i < widths.size(); ++i)
        grid->setColumnWidth(int(i), widths[i]);
}

void TForm1::ReloadSpendGrid()
{
    Query[0]->setConnection(Connection.get());
    runSelect(*Query[0], QStringLiteral("select * from spend order by 日期 desc"));
    BindGrid(0, DBGrid_spend);
    ApplyColumnWidths(DBGrid_spend);
}

void TForm1::ReloadSaveGrid()
{
    Query[1]->setConnection(Connection.get());
    runSelect(*Query[1], QStringLiteral("select * from save order by 日期 desc"));
    BindGrid(1, DBGrid_save);
    ApplyColumnWidths(DBGrid_save);
}

void TForm1::OpenSpendGrid()
{
    ReloadSpendGrid();
    DTP_spend->setDateTime(platform::now());
}

void TForm1::OpenSaveGrid()
{
    ReloadSaveGrid();
    DTP_Save->setDateTime(platform::now());
}

void TForm1::OpenCatalogGrids()
{
    Query[2]->setConnection(Connection.get());
    runSelect(*Query[2], QStringLiteral("select * from spend_type order by 編號"));
    BindGrid(2, DBGrid_Spend_Type);
    Query[4]->setConnection(Connection.get());
    runSelect(*Query[4], QStringLiteral("select * from save_type order by 編號"));
    BindGrid(4, DBGrid_Save_Type);
    Query[5]->setConnection(Connection.get());
    runSelect(*Query[5], QStringLiteral("select 編號,帳戶名稱 from account_type order by 編號"));
    BindGrid(5, DBGrid_Account_Type);
    DTP_Transfer->setDateTime(platform::now());
}

void TForm1::OpenWeightGrid()
{
    Query[6]->setConnection(Connection.get());
    runSelect(*Query[6], QStringLiteral("select * from weight order by 日期 desc"));
    DBNavigator_Weight->setDataSource(DataSource[6].get());
    BindGrid(6, DBGrid_Weight);
    DTP_Weight->setDateTime(platform::now());
    ApplyColumnWidths(DBGrid_Weight);
}

void TForm1::FillSpendTypeLists()
{
    Combobox_Spend->clearAll();
    DBGrid_spend->clearPickList(categoryColumn);
    ComboBoxSpendTypeFather->clearAll();
    runSelect(*Query[2], QStringLiteral("select * from spend_type order by 編號"));
    eachRow(*Query[2], [this](engine::Query& query) {
        const QString name = store::trimBlanks(query.fieldByName(QStringLiteral("類型")).asString());
        Combobox_Spend->appendItem(name);
        ComboBoxSpendTypeFather->appendItem(name);
        DBGrid_spend->appendPickItem(categoryColumn, name);
    });
    ApplyColumnWidths(DBGrid_Spend_Type);
}

void TForm1::FillSaveTypeLists()
{
    Combobox_Save->clearAll();
    DBGrid_save->clearPickList(categoryColumn);
    runSelect(*Query[4], QStringLiteral("select * from save_type order by 編號"));
    eachRow(*Query[4], [this](engine::Query& query) {
        const QString name = query.fieldByName(QStringLiteral("類型")).asString();
        Combobox_Save->appendItem(name);
        DBGrid_save->appendPickItem(categoryColumn, name);
    });
    ApplyColumnWidths(DBGrid_Save_Type);
}

void TForm1::FillAccountLists()
{
    for (ui::PickList* list : {Combobox_Cost, Combobox_Cost2, ComboBoxSource, ComboBoxTarget})
        list->clearAll();
    DBGrid_spend->clearPickList(accountColumn);
    DBGrid_save->clearPickList(accountColumn);
    runSelect(*Query[5], QStringLiteral("select 編號,帳戶名稱 from account_type order by 編號"));
    eachRow(*Query[5], [this](engine::Query& query) {
        const QString name = query.fieldByName(QStringLiteral("帳戶名稱")).asString();
        for (ui::PickList* list : {Combobox_Cost, Combobox_Cost2, ComboBoxSource, ComboBoxTarget})
            list->appendItem(name);
        DBGrid_spend->appendPickItem(accountColumn, name);
        DBGrid_save->appendPickItem(accountColumn, name);
    });
    ApplyColumnWidths(DBGrid_Account_Type);
}
