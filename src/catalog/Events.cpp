// Which catalog handler each event of the manage page's catalog controls calls.
#include "app/TForm1.h"
#include "ui/DataGrid.h"
#include "ui/Guard.h"
#include "ui/ImageButton.h"
#include "ui/PickList.h"

void TForm1::BindCatalogEvents()
{
    using ui::guarded;
    connect(btnAccount, &QAbstractButton::clicked, this, guarded([this] { btnAccountClick(); }));
    connect(btnAddSaveType, &QAbstractButton::clicked, this, guarded([this] { btnAddSaveTypeClick(); }));
    connect(BtnAddSpendType, &QAbstractButton::clicked, this, guarded([this] { BtnAddSpendTypeClick(); }));
    connect(buttonAddSpednSubType, &QAbstractButton::clicked, this,
            guarded([this] { buttonAddSpednSubTypeClick(); }));
    connect(ComboBoxSpendTypeFather, &ui::PickList::changed, this,
            guarded([this] { ComboBoxSpendTypeFatherChange(); }));

    const std::pair<ui::DataGrid*, void (TForm1::*)(int, Qt::KeyboardModifiers)> keyHandlers[] = {
        {DBGrid_Account_Type, &TForm1::DBGrid_Account_TypeKeyDown},
        {DBGrid_Save_Type, &TForm1::DBGrid_Save_TypeKeyDown},
        {DBGrid_Spend_Type, &TForm1::DBGrid_Spend_TypeKeyDown},
        {DBGrid_Sub_Spend_Type, &TForm1::DBGrid_Sub_Spend_TypeKeyDown},
    };
    for (const auto& [grid, keyHandler] : keyHandlers)
        connect(grid, &ui::DataGrid::keyDown, this,
                guarded([this, handler = keyHandler](int key, Qt::KeyboardModifiers shift) {
                    (this->*handler)(key, shift);
                }));

    const std::pair<ui::DataGrid*, void (TForm1::*)()> exitHandlers[] = {
        {DBGrid_Account_Type, &TForm1::DBGrid_Account_TypeExit},
        {DBGrid_Save_Type, &TForm1::DBGrid_Save_TypeExit},
        {DBGrid_Spend_Type, &TForm1::DBGrid_Spend_TypeExit},
        {DBGrid_Sub_Spend_Type, &TForm1::DBGrid_Sub_Spend_TypeExit},
    };
    for (const auto& [grid, exitHandler] : exitHandlers)
        connect(grid, &ui::DataGrid::exited, this,
                guarded([this, handler = exitHandler] { (this->*handler)(); }));
}
