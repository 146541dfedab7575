// Deleting, committing and sorting in the ledger grids and the weight grid.
#include "app/TForm1.h"
#include "engine/Query.h"
#include "ledger/Statements.h"
#include "store/QueryRoles.h"
#include "store/SlotWork.h"
#include "ui/Dialogs.h"
#include "ui/Keys.h"

namespace {

// Deletes the slot's current entry after the confirmation. A refused statement leaves the grid
// showing its table (the slot is reloaded) and its error goes on to the error box.
void deleteCurrentEntry(engine::Query& slot, const std::function<QString(const QString&)>& statement,
                        const std::function<void()>& reload, const std::function<void()>& refresh)
{
    const QString serial = slot.fieldByName(QStringLiteral("流水號")).asString();
    if (ui::confirmDelete(QStringLiteral("刪除資料!! 流水號 : ") + serial) != ui::Answer::Yes)
        return;
    store::runOnSlot(
        slot,
        [&] {
            slot.setSql(statement(serial));
            slot.execSql();
        },
        reload);
    refresh();
}

void sortByTitle(engine::Query& slot, const QString& title)
{
    if (slot.sort() == title)
        slot.setSort(title + QStringLiteral(" DESC"));
    else
        slot.setSort(title);
}

} // namespace

void TForm1::DBGrid_spendKeyDown(int key, Qt::KeyboardModifiers modifiers)
{
    if (ui::isDeleteKey(key, modifiers))
        deleteCurrentEntry(
            *Query[role::Spend], ledger::deleteExpenseStatement, [this] { ReloadSpendGrid(); },
            [this] {
                OpenSpendGrid();
                RecalcBalances();
            });
    else if (ui::isEnterKey(key))
        Query[role::Spend]->first();
}

void TForm1::DBGrid_saveKeyDown(int key, Qt::KeyboardModifiers modifiers)
{
    if (ui::isDeleteKey(key, modifiers))
        deleteCurrentEntry(
            *Query[role::Save], ledger::deleteIncomeStatement, [this] { ReloadSaveGrid(); },
            [this] {
                OpenSaveGrid();
                RecalcBalances();
            });
    else if (ui::isEnterKey(key))
        Query[role::Save]->first();
}

void TForm1::DBGrid_spendTitleClick(int, const QString& title)
{
    sortByTitle(*Query[role::Spend], title);
}

void TForm1::DBGrid_saveTitleClick(int, const QString& title)
{
    sortByTitle(*Query[role::Save], title);
}

void TForm1::DBGrid_WeightTitleClick(int, const QString& title)
{
    sortByTitle(*Query[role::Weight], title);
}
