// The expense sub-categories of the chosen category: their grid, add and delete.
#include "app/TForm1.h"
#include "catalog/AppendRow.h"
#include "catalog/Statements.h"
#include "engine/Query.h"
#include "ledger/Statements.h"
#include "store/QueryRoles.h"
#include "store/Texts.h"
#include "ui/Dialogs.h"
#include "ui/Keys.h"
#include "ui/LabeledEdit.h"
#include "ui/PickList.h"

namespace {

// The chosen category of the page, trimmed; empty with none chosen.
QString chosenCategory(const ui::PickList* box)
{
    return box->itemIndex() < 0 ? QString() : store::trimBlanks(box->itemText(box->itemIndex()));
}

// A field of the slot's current row as text, trimmed. A closed slot raises the engine's error,
// so that no question is asked about a row that is not there.
QString trimmedField(const engine::Query& slot, const QString& column)
{
    return store::trimBlanks(slot.fieldByName(column).asString());
}

} // namespace

void TForm1::ComboBoxSpendTypeFatherChange()
{
    if (ComboBoxSpendTypeFather->itemIndex() < 0)
        return;
    engine::Query& subCategories = *Query[role::SubSpendType];
    subCategories.setConnection(Connection.get());
    subCategories.setSql(ledger::subCategoryStatement(chosenCategory(ComboBoxSpendTypeFather)));
    subCategories.open();
    BindGrid(role::SubSpendType, DBGrid_Sub_Spend_Type);
    ApplyColumnWidths(DBGrid_Sub_Spend_Type);
}

void TForm1::buttonAddSpednSubTypeClick()
{
    if (LE_SubSpendType->text().isEmpty()) {
        ui::showMessage(QStringLiteral("支出子種類空白"));
        return;
    }
    // Without a category the row would be stored where no list ever shows it again.
    if (ComboBoxSpendTypeFather->itemIndex() < 0) {
        ui::showMessage(QStringLiteral("請選擇支出類型"));
        return;
    }
    const QString category = chosenCategory(ComboBoxSpendTypeFather);
    engine::Query& slot = *Query[role::SubSpendType];
    slot.setConnection(Connection.get());
    slot.setSql(QStringLiteral("select top 1 * from sub_spend_type"));
    slot.open();
    catalog::appendRowOrReport(
        slot,
        [&](engine::Query& row) {
            row.setFieldText(QStringLiteral("類型"), category);
            row.setFieldText(QStringLiteral("子類型"), store::trimBlanks(LE_SubSpendType->text()));
            row.setFieldText(QStringLiteral("排序"), QStringLiteral("999"));
        },
        QStringLiteral("新增子支出種類完成"), QStringLiteral("子類型名稱重複"));
    LE_SubSpendType->setText(QString());
    ComboBoxSpendTypeFatherChange();
}

void TForm1::DBGrid_Sub_Spend_TypeKeyDown(int key, Qt::KeyboardModifiers modifiers)
{
    engine::Query& slot = *Query[role::SubSpendType];
    if (ui::isDeleteKey(key, modifiers)) {
        // An empty grid has no row to name; its empty names would match rows no list shows.
        if (slot.isActive() && slot.recordCount() == 0)
            return;
        const QString category = trimmedField(slot, QStringLiteral("類型"));
        const QString name = trimmedField(slot, QStringLiteral("子類型"));
        if (ui::confirmDelete(QStringLiteral("刪除資料!! 類型 : ") + category) != ui::Answer::Yes)
            return;
        slot.setConnection(Connection.get());
        slot.setSql(catalog::deleteSubCategoryStatement(category, name));
        slot.execSql();
        ComboBoxSpendTypeFatherChange();
    } else if (ui::isEnterKey(key) && slot.isActive()) {
        slot.first();
    }
}

void TForm1::DBGrid_Sub_Spend_TypeExit()
{
    ComboBoxSpendTypeFatherChange();
}
