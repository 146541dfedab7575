#include "TestSupport.h"
#include "app/TForm1.h"
#include "engine/Connection.h"
#include "engine/DataSource.h"
#include "engine/EngineError.h"
#include "engine/Query.h"
#include "platform/Icon.h"
#include "platform/Tray.h"
#include "store/Texts.h"
#include "ui/Guard.h"
#include "ui/InputBox.h"
#include "ui/ScriptedDialogs.h"

#include <QDialogButtonBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSystemTrayIcon>
#include <QtTest>

using Shown = ui::ScriptedDialogs::Shown;
using ShownKind = ui::ScriptedDialogs::Kind;
using Inputs = QList<std::optional<QString>>;

Q_DECLARE_METATYPE(Inputs)

namespace {

const QString placeholder = QString::fromUtf16(ui::placeholderWord);

QList<Shown> prompts(const ui::ScriptedDialogs& dialogs)
{
    QList<Shown> result;
    for (const Shown& shown : dialogs.shown())
        if (shown.kind == ShownKind::Input)
            result << shown;
    return result;
}

} // namespace

class TestStartup : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void passwordPromptLoop_data()
    {
        QTest::addColumn<Inputs>("inputs");
        QTest::addColumn<QStringList>("openedWith"); // the value each prompt opened with
        QTest::addColumn<int>("reminders");
        QTest::newRow("right away") << Inputs{QStringLiteral("1234")} << QStringList{placeholder} << 0;
        QTest::newRow("OK on the untouched prompt")
            << Inputs{placeholder, QStringLiteral("1234")} << QStringList{placeholder, placeholder} << 1;
        QTest::newRow("OK on an empty field")
            << Inputs{QString(), QStringLiteral("1234")} << QStringList{placeholder, QString()} << 1;
        QTest::newRow("Cancel") << Inputs{std::nullopt, QStringLiteral("1234")}
                                << QStringList{placeholder, placeholder} << 1;
        QTest::newRow("Cancel, empty, placeholder")
            << Inputs{std::nullopt, QString(), placeholder, QStringLiteral("1234")}
            << QStringList{placeholder, placeholder, QString(), placeholder} << 3;
    }
    void passwordPromptLoop()
    {
        QFETCH(Inputs, inputs);
        QFETCH(QStringList, openedWith);
        QFETCH(int, reminders);
        testing::TempWorkdir dir;
        testing::writeStarter();
        testing::StartedForm started(inputs);
        const QList<Shown> shown = prompts(started.dialogs());
        QCOMPARE(shown.size(), openedWith.size());
        for (int i = 0; i < shown.size(); ++i) {
            QCOMPARE(shown[i].title, QStringLiteral("請輸入密碼"));
            QCOMPARE(shown[i].text, QStringLiteral("密碼 :"));
            QCOMPARE(shown[i].value, openedWith[i]);
            QVERIFY2(shown[i].masked, "a typed password must never show on screen");
        }
        QCOMPARE(started.dialogs().messages(),
                 QStringList(reminders, QStringLiteral("請輸密碼,預設密碼為 1234")));
        QCOMPARE(started.dialogs().errors(), QStringList());
        QVERIFY(!started.dialogs().answersLeft());
        QCOMPARE(started.form().DatabasePassword, QStringLiteral("1234"));
        QCOMPARE(started.form().startupStepsRun(), TForm1::StartupStep::DayCacheReset);
    }

    void rightPasswordRunsTheWholeSequence()
    {
        testing::TempWorkdir dir;
        testing::writeStarter();
        testing::StartedForm started;
        TForm1& form = started.form();
        QCOMPARE(form.windowTitle(), QStringLiteral("Velloran"));
        QCOMPARE(form.size(), QSize(TForm1::clientWidth, TForm1::clientHeight));
        QVERIFY(form.Connection->isOpen());
        QCOMPARE(form.Query[0]->sql(), QStringLiteral("select * from spend order by 日期 desc"));
        QVERIFY(form.Query[0]->isActive());
        QCOMPARE(form.DataSource[0]->dataSet(), form.Query[0].get());
        QVERIFY(form.DataSource[0]->isEnabled());
        QCOMPARE(form.DayQueriesLeft, 31);
        QVERIFY(form.tray()->exists());
        QCOMPARE(form.tray()->tip(), QStringLiteral("Velloran ... "));
        // The window and the tray show the program's icon, drawn at every size the desktop asks.
        const QIcon icon = form.windowIcon();
        for (const int size : {16, 22, 24, 32, 48, 64, 128, 256, 512})
            QVERIFY2(icon.availableSizes().contains(QSize(size, size)), qPrintable(QString::number(size)));
        QCOMPARE(icon.pixmap(48).size(), QSize(48, 48));
        QCOMPARE(icon.pixmap(48).toImage(), platform::programIcon().pixmap(48).toImage());
        QCOMPARE(form.tray()->icon()->icon().cacheKey(), icon.cacheKey());
        for (qint32 net : form.DayNet)
            QCOMPARE(net, 0);
    }

    void failuresSurfaceOnceAfterThePrompt_data()
    {
        QTest::addColumn<QString>("file"); // "starter", "none" or "in use"
        QTest::addColumn<QString>("password");
        QTest::addColumn<QString>("error");
        QTest::newRow("wrong password") << "starter"
                                        << "9999"
                                        << "資料庫密碼錯誤";
        QTest::newRow("one blank is a password") << "starter"
                                                 << " "
                                                 << "資料庫密碼錯誤";
        QTest::newRow("no finance.mdb") << "none"
                                        << "1234"
                                        << "找不到資料庫檔 finance.mdb";
        QTest::newRow("held by another copy") << "in use"
                                              << "1234"
                                              << "使用中";
    }
    void failuresSurfaceOnceAfterThePrompt()
    {
        QFETCH(QString, file);
        QFETCH(QString, password);
        QFETCH(QString, error);
        testing::TempWorkdir dir;
        std::unique_ptr<engine::Connection> other;
        if (file != QLatin1String("none"))
            testing::writeStarter();
        if (file == QLatin1String("in use"))
            other = testing::connect();
        testing::StartedForm started({password}, testing::ErrorBoxes::Expected);
        // Nothing at the prompt; one error box, raised by the first grid's select.
        QCOMPARE(started.dialogs().messages(), QStringList());
        const QStringList errors = started.dialogs().errors();
        QCOMPARE(errors.size(), 1);
        QVERIFY2(errors.first().contains(error), qPrintable(errors.first()));
        TForm1& form = started.form();
        QCOMPARE(form.DatabasePassword, password);
        QCOMPARE(form.startupStepsRun(), TForm1::StartupStep::SchemaUpgraded);
        QVERIFY(!form.Connection->isOpen());
        QVERIFY(!form.Query[0]->isActive());
        QCOMPARE(form.DayQueriesLeft, 0);
        QVERIFY(!form.tray()->exists());
        if (file == QLatin1String("none"))
            QVERIFY(!QFile::exists(dir.file(QStringLiteral("finance.mdb"))));
        // The window still runs: a guarded handler reports and the program goes on.
        ui::guarded([&form] { form.OpenSpendGrid(); })();
        QCOMPARE(started.dialogs().errors().size(), 2);
    }

    void errorOfALaterStepEndsTheSequence()
    {
        testing::TempWorkdir dir;
        testing::writeStarter();
        testing::connect()->execute(QStringLiteral("DROP TABLE spend"));
        testing::StartedForm started({testing::password}, testing::ErrorBoxes::Expected);
        QCOMPARE(started.dialogs().errors().size(), 1);
        QVERIFY(started.dialogs().errors().first().contains(QStringLiteral("spend")));
        QCOMPARE(started.form().startupStepsRun(), TForm1::StartupStep::SchemaUpgraded);
        QVERIFY(started.form().Connection->isOpen());
        QVERIFY(!started.form().tray()->exists());
    }

    void closingReleasesTheFile()
    {
        testing::TempWorkdir dir;
        testing::writeStarter();
        testing::StartedForm started;
        started.close();
        QVERIFY(!started.form().Connection);
        QCOMPARE(
            testing::rowsOf(*testing::connect(), QStringLiteral("select count(*) as n from account_type")),
            QStringLiteral("2"));
        // Statements after the close fail with a message instead of touching a dead connection.
        started.dialogs().expectErrors();
        ui::guarded([&started] { started.form().Query[0]->open(); })();
        QCOMPARE(started.dialogs().errors().size(), 1);
    }

    void generalInputBoxMasksOnlyThePlaceholder()
    {
        auto scripted = testing::scriptedDialogs();
        ui::ScriptedDialogs& dialogs = *scripted;
        ui::installDialogs(std::move(scripted));
        dialogs.answerInput(QStringLiteral("2011"));
        dialogs.answerInput(std::nullopt);
        QString value = placeholder;
        QVERIFY(ui::inputQuery(QStringLiteral("請輸西元年"), QStringLiteral("西元 :"), value));
        QCOMPARE(value, QStringLiteral("2011"));
        QVERIFY(!ui::inputQuery(QStringLiteral("請輸西元年"), QStringLiteral("西元 :"), value));
        QCOMPARE(value, QStringLiteral("2011"));
        QCOMPARE(dialogs.shown().at(0).masked, true);
        QCOMPARE(dialogs.shown().at(1).masked, false);
        ui::installDialogs(nullptr);
    }

    void inputBoxWidget()
    {
        ui::InputBox masked(QStringLiteral("請輸入密碼"), QStringLiteral("密碼 :"), placeholder, true);
        QLineEdit* edit = masked.edit();
        QCOMPARE(masked.windowTitle(), QStringLiteral("請輸入密碼"));
        QCOMPARE(edit->maxLength(), 255);
        QCOMPARE(edit->echoMode(), QLineEdit::Password);
        QCOMPARE(edit->selectedText(), placeholder);
        QStringList captions;
        for (QAbstractButton* button : masked.findChild<QDialogButtonBox*>()->buttons())
            captions << button->text();
        captions.sort();
        QCOMPARE(captions, QStringList({QStringLiteral("取消"), QStringLiteral("確定")}));

        ui::InputBox plain(QStringLiteral("請輸西元年"), QStringLiteral("西元 :"), QStringLiteral("2012"),
                           false);
        QCOMPARE(plain.edit()->echoMode(), QLineEdit::Normal);
        QTest::keyClicks(plain.edit(), QStringLiteral("1999"));
        QCOMPARE(plain.value(), QStringLiteral("1999")); // typing replaces the selected text
        QTest::keyClicks(plain.edit(), QString(300, u'9'));
        QCOMPARE(plain.value().size(), 255);
    }

    void guardTurnsEscapingErrorsIntoTheErrorBox()
    {
        auto scripted = testing::scriptedDialogs(testing::ErrorBoxes::Expected);
        ui::ScriptedDialogs& dialogs = *scripted;
        ui::installDialogs(std::move(scripted));
        ui::guarded([] {
            throw engine::EngineError(engine::EngineError::Kind::Other, QStringLiteral("引擎的訊息"));
        })();
        ui::guarded([](int value) { throw std::runtime_error(std::to_string(value)); })(7);
        ui::guarded([] { throw 42; })();
        QCOMPARE(dialogs.errors(),
                 QStringList({QStringLiteral("引擎的訊息"), QStringLiteral("7"), QString()}));
        ui::installDialogs(nullptr);
    }
};

QTEST_MAIN(TestStartup)
#include "test_startup.moc"
