// The daily settlement calendar, page navigation, the tray menu and the about page.
#include "LedgerFixture.h"
#include "engine/Query.h"
#include "platform/Shell.h"
#include "platform/Tray.h"
#include "ui/ImageButton.h"
#include "ui/LabeledEdit.h"
#include "ui/LargeLabel.h"
#include "ui/MonthCalendar.h"

#include <QDir>
#include <QImage>
#include <QMenu>
#include <QSystemTrayIcon>
#include <QTabWidget>

using testing::LedgerFixture;

namespace {

QString entry(const char* table, const char* date, const char* amount)
{
    return QStringLiteral("insert into %1 (日期, 類型, 摘要, 帳戶, 金額) values (#%2#, 'x', 'x', '現金', %3)")
        .arg(QLatin1String(table), QLatin1String(date), QLatin1String(amount));
}

// The status each day of the shown month got at the last paint: "" or "text/red,green,blue".
QStringList statuses(const ui::MonthCalendar* calendar)
{
    QStringList result;
    for (const auto& day : calendar->lastBadges())
        result << (day.status.isEmpty() ? QString()
                                        : QStringLiteral("%1/%2,%3,%4")
                                              .arg(day.status)
                                              .arg(day.badge.fill.red())
                                              .arg(day.badge.fill.green())
                                              .arg(day.badge.fill.blue()));
    return result;
}

// Which days a paint computed: those asked while requests were left show no badge even though
// their net is not zero. Counted here from the days with entries.
int badgesShown(const ui::MonthCalendar* calendar)
{
    int shown = 0;
    for (const auto& day : calendar->lastBadges())
        shown += day.status.isEmpty() ? 0 : 1;
    return shown;
}

} // namespace

class TestCalendar : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // Each day's net as a badge, computed at one paint and shown from the next.
    void badgesOfJanuary()
    {
        LedgerFixture f({entry("save", "2012/01/05", "1500"), entry("save", "2012/01/06", "300"),
                         entry("spend", "2012/01/06", "450"), entry("save", "2012/01/07", "80"),
                         entry("spend", "2012/01/07", "80"), entry("save", "2012/01/08", "200.5"),
                         entry("save", "2012/01/09", "201.5"),
                         QStringLiteral("insert into save (日期, 類型, 摘要, 帳戶, 金額) values (#2012/01/10 "
                                        "10:30#, 'x', 'x', '現金', 9)")});
        TForm1& form = f.form();
        ui::MonthCalendar* calendar = form.Calendar;
        QCOMPARE(calendar->yearShown(), 2012);
        QCOMPARE(calendar->monthShown(), 1);
        QCOMPARE(calendar->firstDayOfWeek(), Qt::Monday);
        form.TabPagerMain->setCurrentWidget(form.TabPageCalender);
        // The first showing opens on this month, March by the test's clock; January is a step back.
        QCOMPARE(calendar->yearShown(), 2012);
        QCOMPARE(calendar->monthShown(), 3);
        calendar->setCurrentPage(2012, 1);
        QCOMPARE(form.DayQueriesLeft, 31);
        calendar->requestStatuses(); // the first paint computes
        QCOMPARE(form.DayQueriesLeft, 0);
        QCOMPARE(badgesShown(calendar), 0);
        for (const auto& day : calendar->lastBadges()) {
            QCOMPARE(day.offsetX, -100);
            QCOMPARE(day.offsetY, 20);
        }
        calendar->requestStatuses();
        const QStringList days = statuses(calendar);
        QCOMPARE(days.size(), 31);
        QCOMPARE(days[4], QStringLiteral("1500/48,117,0"));
        QCOMPARE(days[5], QStringLiteral("-150/160,15,0"));
        QCOMPARE(days[6], QString()); // income equal to expense: no badge
        QCOMPARE(days[7], QStringLiteral("200/48,117,0"));
        QCOMPARE(days[8], QStringLiteral("202/48,117,0"));
        QCOMPARE(days[9], QString()); // an entry with a time of day counts on no day
        QCOMPARE(days[0], QString());
        QCOMPARE(form.DayNet[6], -150);
    }

    // Months of 30, 29 and 28 days: the first days need one more paint.
    void shorterMonths_data()
    {
        QTest::addColumn<int>("year");
        QTest::addColumn<int>("month");
        QTest::addColumn<int>("recomputed"); // days computed again at the second paint
        QTest::newRow("30 days") << 2012 << 4 << 1;
        QTest::newRow("29 days") << 2012 << 2 << 2;
        QTest::newRow("28 days") << 2011 << 2 << 3;
    }
    void shorterMonths()
    {
        QFETCH(int, year);
        QFETCH(int, month);
        QFETCH(int, recomputed);
        QStringList setup;
        for (int day = 1; day <= 28; ++day)
            setup << entry("save", qPrintable(QStringLiteral("%1/%2/%3").arg(year).arg(month).arg(day)), "7");
        LedgerFixture f(setup);
        TForm1& form = f.form();
        ui::MonthCalendar* calendar = form.Calendar;
        form.TabPagerMain->setCurrentWidget(form.TabPageCalender);
        calendar->requestStatuses();
        form.DayQueriesLeft = 31;
        calendar->setCurrentPage(year, month); // the month change resets too
        QCOMPARE(form.DayQueriesLeft, 31);
        calendar->requestStatuses();
        const int days = QDate(year, month, 1).daysInMonth();
        QCOMPARE(form.DayQueriesLeft, 31 - days);
        calendar->requestStatuses();
        QCOMPARE(form.DayQueriesLeft, 0);
        QCOMPARE(badgesShown(calendar), 28 - recomputed);
        QCOMPARE(statuses(calendar)[recomputed], QStringLiteral("7/48,117,0"));
        calendar->requestStatuses();
        QCOMPARE(badgesShown(calendar), 28);
    }

    // Requests while another page is shown neither compute nor show anything.
    void requestsOffThePageIgnored()
    {
        LedgerFixture f({entry("save", "2012/01/05", "1500")});
        TForm1& form = f.form();
        form.TabPagerMain->setCurrentWidget(form.TabPageSpend);
        form.DayQueriesLeft = 31;
        form.Calendar->requestStatuses();
        QCOMPARE(form.DayQueriesLeft, 31);
        for (const auto& day : form.Calendar->lastBadges()) {
            QVERIFY(day.status.isEmpty());
            QCOMPARE(day.offsetX, 0);
        }
    }

    // Opening the page shows this month's badges without waiting for the pointer to move.
    void badgesShowWithoutAnotherPaint()
    {
        LedgerFixture f({entry("save", "2012/03/05", "1500"), entry("save", "2012/02/05", "40")});
        TForm1& form = f.form();
        form.TabPagerMain->setCurrentWidget(form.TabPageCalender);
        QTRY_COMPARE(statuses(form.Calendar).value(4), QStringLiteral("1500/48,117,0"));
        // Leaving and coming back computes again, from what the file holds then, on the month
        // the user went to: only the first showing moves to this month.
        form.Calendar->setCurrentPage(2012, 2);
        QTRY_COMPARE(statuses(form.Calendar).value(4), QStringLiteral("40/48,117,0"));
        form.TabPagerMain->setCurrentWidget(form.TabPageSpend);
        form.Connection->execute(entry("spend", "2012/02/05", "2000"));
        form.TabPagerMain->setCurrentWidget(form.TabPageCalender);
        QCOMPARE(form.Calendar->monthShown(), 2);
        QTRY_COMPARE(statuses(form.Calendar).value(4), QStringLiteral("-1960/160,15,0"));
    }

    // Every Home button shows the overview, and showing the overview recomputes the balances;
    // choosing the page already shown does nothing.
    void homeButtonsAndPageChange()
    {
        LedgerFixture f;
        TForm1& form = f.form();
        const QList<ui::ImageButton*> homes = {
            form.AdvSmoothButton17, form.AdvSmoothButton4,  form.AdvSmoothButton7,  form.AdvSmoothButton8,
            form.AdvSmoothButton9,  form.AdvSmoothButton10, form.AdvSmoothButton11, form.AdvSmoothButton12,
            form.AdvSmoothButton2,  form.AdvSmoothButton13, form.AdvSmoothButton1,  form.AdvSmoothButton14,
            form.BtnSetUp};
        int amount = 0;
        for (ui::ImageButton* home : homes) {
            QWidget* page = home->parentWidget();
            while (page && form.TabPagerMain->indexOf(page) < 0)
                page = page->parentWidget();
            QVERIFY2(page, qPrintable(home->objectName()));
            form.TabPagerMain->setCurrentWidget(page);
            for (QWidget* inner = home->parentWidget(); inner != page; inner = inner->parentWidget())
                if (auto* pager = qobject_cast<QTabWidget*>(
                        inner->parentWidget() ? inner->parentWidget()->parentWidget() : nullptr))
                    pager->setCurrentWidget(inner);
            form.Connection->execute(entry("save", "2012/01/05", "1"));
            ++amount;
            QTest::mouseClick(home, Qt::LeftButton);
            QCOMPARE(form.TabPagerMain->currentWidget(), form.TabPageOverView);
            QCOMPARE(form.Label_OverView->text(), QStringLiteral("結餘 : %1").arg(amount));
        }
        form.Connection->execute(entry("save", "2012/01/05", "1"));
        form.TabPagerMain->setCurrentWidget(form.TabPageOverView);
        QCOMPARE(form.Label_OverView->text(), QStringLiteral("結餘 : %1").arg(amount));
        QCOMPARE(f.dialogs().errors(), QStringList());
    }

    void trayMenuAndMinimise()
    {
        LedgerFixture f;
        TForm1& form = f.form();
        QVERIFY(form.tray()->exists());
        QCOMPARE(form.tray()->tip(), QStringLiteral("Velloran ... "));
        form.WMTrayIcon(QSystemTrayIcon::Context);
        QVERIFY(form.PopupMenu1->isVisible());
        form.PopupMenu1->hide();
        form.WMTrayIcon(QSystemTrayIcon::DoubleClick);
        QVERIFY(!form.PopupMenu1->isVisible());
        // With no notification area here, 縮小 minimises rather than hides: nothing could bring
        // a hidden window back.
        QTest::mouseClick(form.btnSystemTray, Qt::LeftButton);
        if (QSystemTrayIcon::isSystemTrayAvailable())
            QVERIFY(!form.isVisible());
        else
            QVERIFY(form.isVisible() && form.isMinimized());
        form.hide();
        form.popmenu_Show->trigger();
        QVERIFY(form.isVisible());
        form.LE_Height->setText(QStringLiteral("181"));
        // Closed from the tray while hidden: the file is closed, the measures saved, and the
        // program told to end; a window with no file behind it is never shown again.
        form.hide();
        QSignalSpy closed(&form, &TForm1::closed);
        form.popmenu_Close->trigger();
        QCOMPARE(closed.size(), 1);
        QVERIFY(!form.isVisible());
        QVERIFY(!form.Connection);
        QVERIFY(QFile(QStringLiteral("setting.ini")).open(QIODevice::ReadOnly));
        form.popmenu_Show->trigger();
        QVERIFY(!form.isVisible());
    }

    void aboutPage()
    {
        LedgerFixture f;
        TForm1& form = f.form();
        QUrl opened;
        platform::setUrlOpener([&opened](const QUrl& url) { opened = url; });
        QTest::mouseClick(form.btnAuthor, Qt::LeftButton);
        platform::setUrlOpener({});
        QVERIFY(opened.isValid() && !opened.isEmpty());

        QVERIFY(form.AdvSmoothButton6->isHidden());
        form.AdvSmoothButton6Click();
        QCOMPARE(f.dialogs().messages(), QStringList{QStringLiteral("快照完成!!")});
        const QImage shot(QStringLiteral("ScreenLog.jpg"));
        QCOMPARE(shot.size(), form.frameGeometry().size());

        // A snapshot that cannot be written: one error box naming the path, no success message.
        QFile::remove(QStringLiteral("ScreenLog.jpg"));
        QVERIFY(QDir().mkdir(QStringLiteral("ScreenLog.jpg")));
        f.dialogs().clear();
        f.dialogs().expectErrors();
        form.AdvSmoothButton6->click();
        QCOMPARE(f.dialogs().messages(), QStringList());
        QCOMPARE(f.dialogs().errors().size(), 1);
        QVERIFY(f.dialogs().errors().constFirst().contains(
            QDir::current().absoluteFilePath(QStringLiteral("ScreenLog.jpg"))));
    }
};

QTEST_MAIN(TestCalendar)
#include "test_calendar.moc"
