// Batch entry: many expense or income rows from five column lists, stored as one unit.
#include "app/TForm1.h"
#include "engine/Connection.h"
#include "engine/EngineError.h"
#include "engine/Query.h"
#include "engine/Transaction.h"
#include "ledger/EntryRow.h"
#include "store/QueryRoles.h"
#include "store/SlotWork.h"
#include "ui/Dialogs.h"
#include "ui/MultiLineEdit.h"

#include <array>

namespace {

// The five fields of a batch page in column order: 日期, 類型, 摘要, 帳戶, 金額.
using BatchFields = std::array<ui::MultiLineEdit*, 5>;

// Stores line i of the five fields as row i. All rows are stored or none: a line a column
// refuses names its number and text, and the fields keep every line so it can be mended.
bool addBatch(engine::Connection& connection, engine::Query& slot, const QString& table,
              const BatchFields& fields, const std::function<void()>& reload)
{
    if (fields[0]->toPlainText().isEmpty()) {
        ui::showMessage(QStringLiteral("資料空白"));
        return false;
    }
    std::array<QStringList, 5> lines;
    for (size_t c = 0; c < fields.size(); ++c)
        lines[c] = fields[c]->lines();
    for (size_t c = 1; c < fields.size(); ++c)
        if (lines[c].size() != lines[0].size()) {
            ui::showMessage(QStringLiteral("Data count different. (資料筆數不同)"));
            return false;
        }
    store::runOnSlot(
        slot,
        [&] {
            engine::Transaction unit(connection);
            slot.setSql(QStringLiteral("select * from ") + table);
            slot.open();
            for (qsizetype i = 0; i < lines[0].size(); ++i) {
                size_t column = 0; // the column being set when a line is refused
                try {
                    slot.append();
                    for (column = 0; column < lines.size(); ++column)
                        slot.setFieldText(QString::fromUtf16(ledger::entryColumns[column]), lines[column][i]);
                    slot.post();
                } catch (const engine::EngineError& error) {
                    QString where = QStringLiteral("第 %1 行").arg(i + 1);
                    if (column < lines.size())
                        where += QStringLiteral(" (%1「%2」)")
                                     .arg(QString::fromUtf16(ledger::entryColumns[column]), lines[column][i]);
                    throw engine::EngineError(error.kind(), where + QStringLiteral(":") + error.message() +
                                                                QStringLiteral(" 整批資料都沒有存入。"));
                }
            }
            unit.commit();
        },
        reload);
    for (ui::MultiLineEdit* field : fields)
        field->clear();
    return true;
}

} // namespace

void TForm1::Sbtn_Spend_Add_BatchClick()
{
    if (addBatch(*Connection, *Query[role::Spend], QStringLiteral("spend"),
                 {Memo_Spend_Data_Batch, Memo_Spend_Type_Batch, Memo_Spend_Note_Batch,
                  Memo_Spend_Account_Batch, Memo_Spend_Cost_Batch},
                 [this] { ReloadSpendGrid(); })) {
        // The batch leaves the grid on its own statement; a filter in force is put back.
        PutFindBack(SpendFind);
        ui::showMessage(QStringLiteral("批次新增支出完成"));
    }
}

void TForm1::SBtn_Save_BatchClick()
{
    if (addBatch(*Connection, *Query[role::Save], QStringLiteral("save"),
                 {Memo_Save_Data_Batch, Memo_Save_Type_Batch, Memo_Save_Note_Batch, Memo_Save_Account_Batch,
                  Memo_Save_Cost_Batch},
                 [this] { ReloadSaveGrid(); })) {
        // The batch leaves the grid on its own statement; a filter in force is put back.
        PutFindBack(SaveFind);
        ui::showMessage(QStringLiteral("批次新增收入完成"));
    }
}
