// A transfer between accounts: an expense row on the source, an income row on the target.
#include "app/TForm1.h"
#include "engine/Connection.h"
#include "engine/Query.h"
#include "engine/Transaction.h"
#include "ledger/EntryRow.h"
#include "store/QueryRoles.h"
#include "store/SlotWork.h"
#include "ui/DatePicker.h"
#include "ui/Dialogs.h"
#include "ui/LabeledEdit.h"
#include "ui/PickList.h"

void TForm1::btnTransferClick()
{
    if (ComboBoxSource->itemIndex() < 0) {
        ui::showMessage(QStringLiteral("請選擇轉出帳戶"));
        return;
    }
    if (ComboBoxTarget->itemIndex() < 0) {
        ui::showMessage(QStringLiteral("請選擇轉入帳戶"));
        return;
    }
    if (LE_TransferMoney->text().isEmpty()) {
        ui::showMessage(QStringLiteral("金額空白"));
        return;
    }
    if (ComboBoxSource->itemIndex() == ComboBoxTarget->itemIndex()) {
        ui::showMessage(QStringLiteral("帳戶相同!!!!"));
        return;
    }
    const QString note = ComboBoxSource->text() + QStringLiteral(" to ") + ComboBoxTarget->text();
    const QString date = DTP_Transfer->dateText();
    const QString amount = LE_TransferMoney->text();
    const ledger::EntryRow expense{date, QStringLiteral("金流"), note,
                                   ComboBoxSource->itemText(ComboBoxSource->itemIndex()), amount};
    const ledger::EntryRow income{date, QStringLiteral("金流"), note,
                                  ComboBoxTarget->itemText(ComboBoxTarget->itemIndex()), amount};
    engine::Query& spend = *Query[role::Spend];
    engine::Query& save = *Query[role::Save];
    // Both rows or neither, the expense row written first: money never leaves one account
    // without reaching the other. After a failure both grids show their tables again, which also
    // drops a row either slot was still holding.
    store::runOnSlot(
        spend,
        [&] {
            engine::Transaction unit(*Connection);
            ledger::appendEntry(spend, QStringLiteral("spend"), expense);
            ledger::appendEntry(save, QStringLiteral("save"), income);
            unit.commit();
        },
        [this] {
            ReloadSaveGrid();
            ReloadSpendGrid();
        });
    OpenSaveGrid();
    OpenSpendGrid();
    RecalcBalances();
    ComboBoxSource->setItemIndex(-1);
    ComboBoxTarget->setItemIndex(-1);
    LE_TransferMoney->setText(QString());
    ui::showMessage(QStringLiteral("轉移完成"));
}
