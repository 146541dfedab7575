// Which ledger handler each event of the ledger's controls calls, through the handler guard.
#include "app/TForm1.h"
#include "ui/DataGrid.h"
#include "ui/FlatButton.h"
#include "ui/Guard.h"
#include "ui/ImageButton.h"
#include "ui/KeyPressFilter.h"
#include "ui/LabeledEdit.h"
#include "ui/PickList.h"

#include <QAction>
#include <QMenu>

void TForm1::BindLedgerEvents()
{
    using ui::guarded;
    BindFindEvents();
    connect(btnAddSpend, &QAbstractButton::clicked, this, guarded([this] { btnAddSpendClick(); }));
    connect(btnAddSave, &QAbstractButton::clicked, this, guarded([this] { btnAddSaveClick(); }));
    connect(Combobox_Spend, &ui::PickList::changed, this, guarded([this] { Combobox_SpendChange(); }));
    new ui::KeyPressFilter(LE_Cost->edit(), [this](QChar key) { return LE_CostKeyPress(key); });
    new ui::KeyPressFilter(LE_TransferMoney->edit(), [this](QChar key) { return LE_CostKeyPress(key); });
    new ui::KeyPressFilter(LE_Save->edit(), [this](QChar key) { return LE_SaveKeyPress(key); });

    connect(btnTransfer, &QAbstractButton::clicked, this, guarded([this] { btnTransferClick(); }));
    connect(Sbtn_Spend_Add_Batch, &QAbstractButton::clicked, this,
            guarded([this] { Sbtn_Spend_Add_BatchClick(); }));
    connect(SBtn_Save_Batch, &QAbstractButton::clicked, this, guarded([this] { SBtn_Save_BatchClick(); }));

    // The overview grid's menu, on the row the user pointed at.
    DBGrid_OverView->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(DBGrid_OverView, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
        if (const QModelIndex row = DBGrid_OverView->indexAt(at); row.isValid())
            DBGrid_OverView->setCurrentIndex(row);
        PopupMenu_OverView->popup(DBGrid_OverView->viewport()->mapToGlobal(at));
    });
    connect(itemAddSpend, &QAction::triggered, this, guarded([this] { itemAddSpendClick(); }));
    connect(itemAddSave, &QAction::triggered, this, guarded([this] { itemAddSaveClick(); }));
    connect(itemTransfer, &QAction::triggered, this, guarded([this] { itemTransferClick(); }));
    connect(itemAddAccount, &QAction::triggered, this, guarded([this] { itemAddAccountClick(); }));

    connect(DBGrid_spend, &ui::DataGrid::keyDown, this,
            guarded([this](int key, Qt::KeyboardModifiers shift) { DBGrid_spendKeyDown(key, shift); }));
    connect(DBGrid_save, &ui::DataGrid::keyDown, this,
            guarded([this](int key, Qt::KeyboardModifiers shift) { DBGrid_saveKeyDown(key, shift); }));
    connect(DBGrid_spend, &ui::DataGrid::titleClicked, this,
            guarded([this](int column, const QString& title) { DBGrid_spendTitleClick(column, title); }));
    connect(DBGrid_save, &ui::DataGrid::titleClicked, this,
            guarded([this](int column, const QString& title) { DBGrid_saveTitleClick(column, title); }));
    connect(DBGrid_Weight, &ui::DataGrid::titleClicked, this,
            guarded([this](int column, const QString& title) { DBGrid_WeightTitleClick(column, title); }));
}
