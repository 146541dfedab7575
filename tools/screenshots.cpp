// Renders every page and inner page of the window to PNG files, on a starter finance.mdb with
// a few sample entries. Usage: screenshots <output folder>
#include "app/TForm1.h"
#include "engine/Connection.h"
#include "platform/Profile.h"
#include "store/StarterDatabase.h"
#include "store/Texts.h"
#include "ui/ScriptedDialogs.h"

#include <QApplication>
#include <QDir>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTextStream>

int main(int argc, char* argv[])
{
    qputenv("QT_QPA_PLATFORM",
            qgetenv("QT_QPA_PLATFORM").isEmpty() ? QByteArray("offscreen") : qgetenv("QT_QPA_PLATFORM"));
    QApplication application(argc, argv);
    const QString output = QDir(QApplication::arguments().value(1, QStringLiteral("."))).absolutePath();
    QDir().mkpath(output);
    QTemporaryDir work;
    QDir::setCurrent(work.path());
    const QString password = QString::fromUtf16(store::defaultPassword);
    store::writeStarterDatabase(QStringLiteral("finance.mdb"), password);
    {
        const auto connection = engine::Connection::openFile(QStringLiteral("finance.mdb"), password);
        const char16_t* samples[] = {
            u"insert into save (日期, 類型, 摘要, 帳戶, 金額) values (#2012/01/05#, '薪資', '一月', '銀行', "
            u"42000)",
            u"insert into save (日期, 類型, 摘要, 帳戶, 金額) values (#2012/01/20#, '獎金', '年終', '銀行', "
            u"30000)",
            u"insert into spend (日期, 類型, 摘要, 帳戶, 金額) values (#2012/01/05#, '食物', '早餐', '現金', "
            u"65)",
            u"insert into spend (日期, 類型, 摘要, 帳戶, 金額) values (#2012/01/06#, '交通', '捷運', '現金', "
            u"35)",
            u"insert into spend (日期, 類型, 摘要, 帳戶, 金額) values (#2012/01/09#, '居家', '房租', '銀行', "
            u"12000)",
            u"insert into weight (日期, 體重, BMI, 腰圍, 臀圍, WHR) values (#2012/01/01#, 70, 22.86, 80, "
            u"100, 0.8)",
        };
        for (const char16_t* sample : samples)
            connection->execute(QString::fromUtf16(sample));
    }
    auto dialogs = std::make_unique<ui::ScriptedDialogs>();
    dialogs->answerInput(password);
    ui::installDialogs(std::move(dialogs));
    platform::setSettingsFolder(work.path());
    TForm1 form;
    form.show();
    QTextStream out(stdout);
    auto shoot = [&](const QString& name) {
        QApplication::processEvents();
        const QString file = QDir(output).filePath(name + QStringLiteral(".png"));
        form.grab().save(file);
        out << file << Qt::endl;
    };
    for (int i = 0; i < form.TabPagerMain->count(); ++i) {
        QWidget* page = form.TabPagerMain->widget(i);
        form.TabPagerMain->setCurrentIndex(i);
        if (auto* inner = page->findChild<QTabWidget*>()) {
            for (int j = 0; j < inner->count(); ++j) {
                inner->setCurrentIndex(j);
                shoot(page->objectName() + QStringLiteral("-") + inner->widget(j)->objectName());
            }
        } else {
            shoot(page->objectName());
        }
    }
    return 0;
}
