// The three catalog pages: accounts, income categories and expense categories. They work
// alike; each is a row of data for the same add, delete and exit.
#include "app/TForm1.h"
#include "catalog/AppendRow.h"
#include "catalog/Statements.h"
#include "engine/Query.h"
#include "store/QueryRoles.h"
#include "store/SlotWork.h"
#include "ui/Dialogs.h"
#include "ui/Keys.h"
#include "ui/LabeledEdit.h"

#include <functional>

namespace {

struct Catalog
{
    role::Role slot;
    ui::LabeledEdit* edit;
    const char16_t* table;
    const char16_t* nameColumn;
    const char16_t* gridStatement;
    const char16_t* emptyMessage;
    const char16_t* doneMessage;
    const char16_t* duplicateMessage;
    const char16_t* bodyPrefix;
    std::function<void()> refresh; // after an add or a delete
    std::function<void()> lists;   // when the grid is left
};

QString text(const char16_t* utf16)
{
    return QString::fromUtf16(utf16);
}

void addRow(engine::Query& slot, const Catalog& catalog)
{
    const QString name = catalog.edit->text();
    if (name.isEmpty()) {
        ui::showMessage(text(catalog.emptyMessage));
        return;
    }
    slot.setSql(QStringLiteral("select top 1 * from ") + text(catalog.table));
    slot.open();
    catalog::appendRowOrReport(
        slot,
        [&](engine::Query& row) {
            row.setFieldText(text(catalog.nameColumn), name);
            row.setFieldText(QStringLiteral("編號"), QStringLiteral("999"));
        },
        text(catalog.doneMessage), text(catalog.duplicateMessage));
    catalog.edit->setText(QString());
    catalog.refresh();
}

void gridKeyDown(engine::Query& slot, const Catalog& catalog, int key, Qt::KeyboardModifiers modifiers)
{
    if (ui::isDeleteKey(key, modifiers)) {
        const QString name = slot.fieldByName(text(catalog.nameColumn)).asString();
        if (ui::confirmDelete(text(catalog.bodyPrefix) + name) != ui::Answer::Yes)
            return;
        // A refused statement leaves the grid showing its table again, and goes on to the box.
        store::runOnSlot(
            slot,
            [&] {
                slot.setSql(catalog::deleteStatement(text(catalog.table), text(catalog.nameColumn), name));
                slot.execSql();
            },
            [&] {
                slot.setSql(text(catalog.gridStatement));
                slot.open();
            });
        catalog.refresh();
    } else if (ui::isEnterKey(key)) {
        slot.first();
    }
}

enum class Kind
{
    Accounts,
    IncomeTypes,
    ExpenseTypes
};

Catalog catalogOf(TForm1& form, Kind kind)
{
    switch (kind) {
    case Kind::Accounts:
        return {role::AccountType,
                form.LE_Account_Type,
                u"account_type",
                u"帳戶名稱",
                u"select 編號,帳戶名稱 from account_type order by 編號",
                u"帳戶空白",
                u"新增帳戶完成",
                u"帳戶名稱重複",
                u"刪除資料!! 帳戶名稱 : ",
                [&form] {
                    form.FillAccountLists();
                    form.RecalcBalances();
                },
                [&form] { form.FillAccountLists(); }};
    case Kind::IncomeTypes:
        return {role::SaveType,
                form.LE_Save_Type,
                u"save_type",
                u"類型",
                u"select * from save_type order by 編號",
                u"支出種類空白", // the same text as the expense page's
                u"新增收入種類完成",
                u"類型名稱重複",
                u"刪除資料!! 類型 : ",
                [&form] { form.FillSaveTypeLists(); },
                [&form] { form.FillSaveTypeLists(); }};
    case Kind::ExpenseTypes:
        break;
    }
    return {role::SpendType,
            form.LE_Spend_Type,
            u"spend_type",
            u"類型",
            u"select * from spend_type order by 編號",
            u"支出種類空白",
            u"新增支出種類完成",
            u"類型名稱重複",
            u"刪除資料!! 類型 : ",
            [&form] { form.FillSpendTypeLists(); },
            [&form] { form.FillSpendTypeLists(); }};
}

void add(TForm1& form, Kind kind)
{
    const Catalog catalog = catalogOf(form, kind);
    addRow(*form.Query[catalog.slot], catalog);
}

void keyDown(TForm1& form, Kind kind, int key, Qt::KeyboardModifiers modifiers)
{
    const Catalog catalog = catalogOf(form, kind);
    gridKeyDown(*form.Query[catalog.slot], catalog, key, modifiers);
}

void exit(TForm1& form, Kind kind)
{
    catalogOf(form, kind).lists();
}

} // namespace

void catalog::appendRowOrReport(engine::Query& slot, const std::function<void(engine::Query&)>& fill,
                                const QString& done, const QString& duplicate)
{
    try {
        slot.append();
        fill(slot);
        slot.post();
        ui::showMessage(done);
    } catch (...) {
        if (slot.isActive())
            slot.cancel();
        ui::showMessage(duplicate);
    }
}

void TForm1::btnAccountClick()
{
    add(*this, Kind::Accounts);
}

void TForm1::btnAddSaveTypeClick()
{
    add(*this, Kind::IncomeTypes);
}

void TForm1::BtnAddSpendTypeClick()
{
    add(*this, Kind::ExpenseTypes);
}

void TForm1::DBGrid_Account_TypeKeyDown(int key, Qt::KeyboardModifiers modifiers)
{
    keyDown(*this, Kind::Accounts, key, modifiers);
}

void TForm1::DBGrid_Save_TypeKeyDown(int key, Qt::KeyboardModifiers modifiers)
{
    keyDown(*this, Kind::IncomeTypes, key, modifiers);
}

void TForm1::DBGrid_Spend_TypeKeyDown(int key, Qt::KeyboardModifiers modifiers)
{
    keyDown(*this, Kind::ExpenseTypes, key, modifiers);
}

void TForm1::DBGrid_Account_TypeExit()
{
    exit(*this, Kind::Accounts);
}

void TForm1::DBGrid_Save_TypeExit()
{
    exit(*this, Kind::IncomeTypes);
}

void TForm1::DBGrid_Spend_TypeExit()
{
    exit(*this, Kind::ExpenseTypes);
}
