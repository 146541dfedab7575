// Page navigation, the tray icon's menu and the about page.
#include "TForm1.h"

#include "platform/Clock.h"
#include "platform/Screen.h"
#include "platform/Shell.h"
#include "platform/Tray.h"
#include "ui/Dialogs.h"
#include "ui/MonthCalendar.h"

#include <QCoreApplication>
#include <QCursor>
#include <QDir>
#include <QFileInfo>
#include <QMenu>
#include <QSystemTrayIcon>
#include <QTabWidget>
#include <stdexcept>

namespace {

// The page 作者網頁 opens: the one the build names, or, where that is a file no longer there (a
// package built elsewhere), the README installed with the program's documentation.
QUrl homePage()
{
    const QUrl built(QString::fromUtf8(VELLORAN_HOME_PAGE));
    if (!built.isLocalFile() || QFileInfo::exists(built.toLocalFile()))
        return built;
    const QString installed = QDir::cleanPath(QCoreApplication::applicationDirPath() +
                                              QStringLiteral("/../share/doc/velloran/README.md"));
    return QFileInfo::exists(installed) ? QUrl::fromLocalFile(installed) : built;
}

} // namespace

void TForm1::AdvSmoothButton17Click()
{
    TabPagerMain->setCurrentWidget(TabPageOverView);
}

void TForm1::TabPagerMainChange()
{
    if (TabPagerMain->currentWidget() == TabPageOverView)
        RecalcBalances();
    else if (TabPagerMain->currentWidget() == TabPageCalender) {
        // The layout's month is long past: the first showing opens on this month.
        if (!m_calendarShown) {
            m_calendarShown = true;
            const QDate today = platform::now().date();
            Calendar->setCurrentPage(today.year(), today.month());
        }
        DayQueriesLeft = 31;
    }
}

void TForm1::WMTrayIcon(int reason)
{
    if (reason != QSystemTrayIcon::Trigger && reason != QSystemTrayIcon::Context)
        return;
    activateWindow();
    PopupMenu1->popup(QCursor::pos());
}

void TForm1::popmenu_ShowClick()
{
    // A closed window has no file behind it any more: nothing to show.
    if (m_closed)
        return;
    show();
    if (isMinimized())
        showNormal();
    raise();
    activateWindow();
}

void TForm1::popmenu_CloseClick()
{
    close();
}

void TForm1::btnSystemTrayClick()
{
    showMinimized();
    // Without a notification area there is no icon to bring a hidden window back: it stays a
    // task-bar button. One that appeared since the start counts as well.
    if (m_tray->inNotificationArea())
        hide();
}

void TForm1::btnAuthorClick()
{
    platform::openUrl(homePage());
}

void TForm1::AdvSmoothButton6Click()
{
    const QString path = QDir::current().absoluteFilePath(QStringLiteral("ScreenLog.jpg"));
    const QImage image = platform::copyOfWindowArea(this);
    if (image.isNull() || !image.save(path, "JPG"))
        throw std::runtime_error(QStringLiteral("無法寫入快照 %1。").arg(path).toStdString());
    ui::showMessage(QStringLiteral("快照完成!!"));
}
