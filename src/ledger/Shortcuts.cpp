// The overview's shortcuts: from an account to the page that works with it.
#include "app/TForm1.h"
#include "engine/Query.h"
#include "store/QueryRoles.h"
#include "ui/PickList.h"

#include <QTabWidget>

namespace {

// Walks the list from the first item and stops at the first whose text is the name; with
// none, the list is left without a chosen item.
void chooseAccount(ui::PickList* box, const QString& name)
{
    for (int i = 0; i < box->count(); ++i) {
        box->setItemIndex(i);
        if (box->text() == name)
            return;
    }
    box->setItemIndex(-1);
}

} // namespace

QString TForm1::OverviewAccount() const
{
    return Query[role::Balances]->fieldByName(QStringLiteral("帳戶名稱")).asString();
}

void TForm1::itemAddSpendClick()
{
    const QString account = OverviewAccount();
    TabPagerMain->setCurrentWidget(TabPageSpend);
    chooseAccount(Combobox_Cost, account);
}

void TForm1::itemAddSaveClick()
{
    const QString account = OverviewAccount();
    TabPagerMain->setCurrentWidget(TabPageSave);
    chooseAccount(Combobox_Cost2, account);
}

void TForm1::itemTransferClick()
{
    const QString account = OverviewAccount();
    TabPagerMain->setCurrentWidget(TabPageManage);
    TabPagerManageChild->setCurrentWidget(TabPageTrans);
    chooseAccount(ComboBoxSource, account);
}

void TForm1::itemAddAccountClick()
{
    TabPagerMain->setCurrentWidget(TabPageManage);
    TabPagerManageChild->setCurrentWidget(TabPageAccountType);
}
