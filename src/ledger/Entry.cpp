// Single income and expense entries, the amount fields' key filter and the note's sub-categories.
#include "app/TForm1.h"
#include "engine/Connection.h"
#include "engine/Query.h"
#include "ledger/EntryRow.h"
#include "ledger/Statements.h"
#include "store/QueryRoles.h"
#include "store/SlotWork.h"
#include "store/Texts.h"
#include "ui/DatePicker.h"
#include "ui/Dialogs.h"
#include "ui/LabeledEdit.h"
#include "ui/PickList.h"

#include <QLineEdit>

namespace {

const QString notePrompt = QStringLiteral("請選擇或自行輸入");

QString chosen(const ui::PickList* box)
{
    return box->itemText(box->itemIndex());
}

} // namespace

bool TForm1::LE_CostKeyPress(QChar key)
{
    return (key >= u'0' && key <= u'9') || key.unicode() == 8;
}

bool TForm1::LE_SaveKeyPress(QChar key)
{
    return LE_CostKeyPress(key);
}

void TForm1::ResetIncomeForm()
{
    Combobox_Save->setItemIndex(-1);
    LE_Note_Save->setText(QString());
    Combobox_Cost2->setItemIndex(-1);
    LE_Save->setText(QString());
}

void TForm1::btnAddSpendClick()
{
    if (Combobox_Spend->itemIndex() < 0) {
        ui::showMessage(QStringLiteral("請選擇支出類型"));
        return;
    }
    const QString note = ComboBoxSubSpendTypeChoose->text();
    if (note.isEmpty() || note == notePrompt) {
        ui::showMessage(QStringLiteral("摘要空白"));
        return;
    }
    if (Combobox_Cost->itemIndex() < 0) {
        ui::showMessage(QStringLiteral("請選擇帳戶"));
        return;
    }
    if (LE_Cost->text().isEmpty()) {
        ui::showMessage(QStringLiteral("金額空白"));
        return;
    }
    const ledger::EntryRow row{DTP_spend->dateText(), chosen(Combobox_Spend), note, chosen(Combobox_Cost),
                               LE_Cost->text()};
    engine::Query& slot = *Query[role::Spend];
    // A failure stores nothing; the grid then shows its table again, not the one-row select.
    store::runOnSlot(
        slot, [&] { ledger::appendEntry(slot, QStringLiteral("spend"), row); },
        [this] { ReloadSpendGrid(); });
    RecalcBalances();
    OpenSpendGrid();
    ResetIncomeForm();
    Combobox_Spend->setItemIndex(-1);
    Combobox_Cost->setItemIndex(-1);
    LE_Cost->setText(QString());
    ComboBoxSubSpendTypeChoose->setText(QString());
    ui::showMessage(QStringLiteral("新增支出完成"));
}

void TForm1::btnAddSaveClick()
{
    if (Combobox_Save->itemIndex() < 0) {
        ui::showMessage(QStringLiteral("請選擇收入類型"));
        return;
    }
    if (LE_Note_Save->text().isEmpty()) {
        ui::showMessage(QStringLiteral("摘要空白"));
        return;
    }
    if (Combobox_Cost2->itemIndex() < 0) {
        ui::showMessage(QStringLiteral("請選擇帳戶"));
        return;
    }
    if (LE_Save->text().isEmpty()) {
        ui::showMessage(QStringLiteral("金額空白"));
        return;
    }
    const ledger::EntryRow row{DTP_Save->dateText(), chosen(Combobox_Save), LE_Note_Save->text(),
                               chosen(Combobox_Cost2), LE_Save->text()};
    engine::Query& slot = *Query[role::Save];
    store::runOnSlot(
        slot, [&] { ledger::appendEntry(slot, QStringLiteral("save"), row); }, [this] { ReloadSaveGrid(); });
    RecalcBalances();
    OpenSaveGrid();
    ResetIncomeForm();
    ui::showMessage(QStringLiteral("新增收入完成"));
}

void TForm1::Combobox_SpendChange()
{
    if (Combobox_Spend->itemIndex() < 0)
        return;
    const QString category = store::trimBlanks(Combobox_Spend->itemText(Combobox_Spend->itemIndex()));
    engine::Query& subCategories = *Query[role::SubSpendType];
    subCategories.setConnection(Connection.get());
    subCategories.setSql(ledger::subCategoryStatement(category));
    subCategories.open();
    ComboBoxSubSpendTypeChoose->clearItems();
    store::eachRow(subCategories, [this](engine::Query& row) {
        ComboBoxSubSpendTypeChoose->appendItem(
            store::trimBlanks(row.fieldByName(QStringLiteral("子類型")).asString()));
    });
}
