// Which shell handler each event of the navigation, the tray and the about page calls.
#include "TForm1.h"

#include "platform/Tray.h"
#include "ui/Guard.h"
#include "ui/ImageButton.h"

#include <QAction>
#include <QSystemTrayIcon>
#include <QTabWidget>

void TForm1::BindShellEvents()
{
    using ui::guarded;
    for (ui::ImageButton* home :
         {AdvSmoothButton17, AdvSmoothButton4, AdvSmoothButton7, AdvSmoothButton8, AdvSmoothButton9,
          AdvSmoothButton10, AdvSmoothButton11, AdvSmoothButton12, AdvSmoothButton2, AdvSmoothButton13,
          AdvSmoothButton1, AdvSmoothButton14, BtnSetUp})
        connect(home, &QAbstractButton::clicked, this, guarded([this] { AdvSmoothButton17Click(); }));
    connect(TabPagerMain, &QTabWidget::currentChanged, this, guarded([this] { TabPagerMainChange(); }));
    connect(popmenu_Show, &QAction::triggered, this, guarded([this] { popmenu_ShowClick(); }));
    connect(popmenu_Close, &QAction::triggered, this, guarded([this] { popmenu_CloseClick(); }));
    connect(btnSystemTray, &QAbstractButton::clicked, this, guarded([this] { btnSystemTrayClick(); }));
    connect(btnAuthor, &QAbstractButton::clicked, this, guarded([this] { btnAuthorClick(); }));
    connect(AdvSmoothButton6, &QAbstractButton::clicked, this, guarded([this] { AdvSmoothButton6Click(); }));
}
