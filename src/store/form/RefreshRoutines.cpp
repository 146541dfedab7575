// The routines that reload what the pages show: four reopen grids, three refill pick lists.
#include "app/TForm1.h"
#include "engine/Connection.h"
#include "engine/DataSource.h"
#include "engine/Query.h"
#include "platform/Clock.h"
#include "store/QueryRoles.h"
#include "store/SlotWork.h"
#include "store/Texts.h"
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

} // namespace

void TForm1::BindGrid(role::Role role, ui::DataGrid* grid)
{
    DataSource[role]->setDataSet(Query[role].get());
    DataSource[role]->setEnabled(true);
    grid->setDataSource(DataSource[role].get());
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
    Query[role::Spend]->setConnection(Connection.get());
    runSelect(*Query[role::Spend], ledger::gridStatement(QStringLiteral("spend"), SpendFind.planned,
                                                         ledger::textLookupOf(*Connection)));
    BindGrid(role::Spend, DBGrid_spend);
    ApplyColumnWidths(DBGrid_spend);
    ShowFound(SpendFind);
}

void TForm1::ReloadSaveGrid()
{
    Query[role::Save]->setConnection(Connection.get());
    runSelect(*Query[role::Save], ledger::gridStatement(QStringLiteral("save"), SaveFind.planned,
                                                        ledger::textLookupOf(*Connection)));
    BindGrid(role::Save, DBGrid_save);
    ApplyColumnWidths(DBGrid_save);
    ShowFound(SaveFind);
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
    Query[role::SpendType]->setConnection(Connection.get());
    runSelect(*Query[role::SpendType], QStringLiteral("select * from spend_type order by 編號"));
    BindGrid(role::SpendType, DBGrid_Spend_Type);
    Query[role::SaveType]->setConnection(Connection.get());
    runSelect(*Query[role::SaveType], QStringLiteral("select * from save_type order by 編號"));
    BindGrid(role::SaveType, DBGrid_Save_Type);
    Query[role::AccountType]->setConnection(Connection.get());
    runSelect(*Query[role::AccountType],
              QStringLiteral("select 編號,帳戶名稱 from account_type order by 編號"));
    BindGrid(role::AccountType, DBGrid_Account_Type);
    DTP_Transfer->setDateTime(platform::now());
}

void TForm1::OpenWeightGrid()
{
    Query[role::Weight]->setConnection(Connection.get());
    runSelect(*Query[role::Weight], QStringLiteral("select * from weight order by 日期 desc"));
    DBNavigator_Weight->setDataSource(DataSource[role::Weight].get());
    BindGrid(role::Weight, DBGrid_Weight);
    DTP_Weight->setDateTime(platform::now());
    ApplyColumnWidths(DBGrid_Weight);
}

void TForm1::FillSpendTypeLists()
{
    Combobox_Spend->clearAll();
    DBGrid_spend->clearPickList(categoryColumn);
    ComboBoxSpendTypeFather->clearAll();
    runSelect(*Query[role::SpendType], QStringLiteral("select * from spend_type order by 編號"));
    store::eachRow(*Query[role::SpendType], [this](engine::Query& query) {
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
    runSelect(*Query[role::SaveType], QStringLiteral("select * from save_type order by 編號"));
    store::eachRow(*Query[role::SaveType], [this](engine::Query& query) {
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
    runSelect(*Query[role::AccountType],
              QStringLiteral("select 編號,帳戶名稱 from account_type order by 編號"));
    store::eachRow(*Query[role::AccountType], [this](engine::Query& query) {
        const QString name = query.fieldByName(QStringLiteral("帳戶名稱")).asString();
        for (ui::PickList* list : {Combobox_Cost, Combobox_Cost2, ComboBoxSource, ComboBoxTarget})
            list->appendItem(name);
        DBGrid_spend->appendPickItem(accountColumn, name);
        DBGrid_save->appendPickItem(accountColumn, name);
    });
    ApplyColumnWidths(DBGrid_Account_Type);
}
