// The health page: setting.ini, weight records, BMI and WHR.
#include "LedgerFixture.h"
#include "SmallDisk.h"
#include "engine/EngineError.h"
#include "engine/Query.h"
#include "health/Arithmetic.h"
#include "platform/Profile.h"
#include "ui/DataGrid.h"
#include "ui/DatePicker.h"
#include "ui/ImageButton.h"
#include "ui/LabeledEdit.h"

#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QStringEncoder>
#include <clocale>
#include <sqlite3.h>

using testing::LedgerFixture;

namespace {

QString iniPath()
{
    return QDir::current().filePath(QStringLiteral("setting.ini"));
}

QByteArray encodedAs(const QString& text, QStringConverter::Encoding encoding, bool bom)
{
    QStringEncoder encoder(encoding,
                           bom ? QStringConverter::Flag::WriteBom : QStringConverter::Flag::Default);
    return encoder(text);
}

} // namespace

class TestHealth : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // The worked values, to the last digit.
    void workedValues_data()
    {
        QTest::addColumn<QString>("what"); // bmi, whr of the add, whr of the recount
        QTest::addColumn<QString>("first");
        QTest::addColumn<QString>("second");
        QTest::addColumn<double>("result");
        QTest::newRow("70 kg, 175 cm") << "bmi"
                                       << "70"
                                       << "175" << 22.86;
        QTest::newRow("90.5 kg, 200 cm: a tie goes to even") << "bmi"
                                                             << "90.5"
                                                             << "200" << 22.62;
        QTest::newRow("90.7 kg, 200 cm: the float lies below") << "bmi"
                                                               << "90.7"
                                                               << "200" << 22.67;
        QTest::newRow("65 kg, 170 cm") << "bmi"
                                       << "65"
                                       << "170" << 22.49;
        QTest::newRow("70 kg, 180 cm") << "bmi"
                                       << "70"
                                       << "180" << 21.6;
        QTest::newRow("80/100, add") << "add"
                                     << "80"
                                     << "100" << 0.8;
        QTest::newRow("80/100, recount") << "recount"
                                         << "80"
                                         << "100" << 0.8;
        QTest::newRow("58/80, add") << "add"
                                    << "58"
                                    << "80" << 0.72;
        QTest::newRow("58/80, recount") << "recount"
                                        << "58"
                                        << "80" << 0.73;
        QTest::newRow("51.5/100, add") << "add"
                                       << "51.5"
                                       << "100" << 0.52;
        QTest::newRow("51.5/100, recount") << "recount"
                                           << "51.5"
                                           << "100" << 0.51;
    }
    void workedValues()
    {
        QFETCH(QString, what);
        QFETCH(QString, first);
        QFETCH(QString, second);
        QFETCH(double, result);
        const long double a = health::numberOf(first), b = health::numberOf(second);
        const double found = what == QLatin1String("bmi")   ? health::bmi(a, health::heightInMetres(b))
                             : what == QLatin1String("add") ? health::whrOfAdd(a, b)
                                                            : health::whrOfRecount(a, b);
        QCOMPARE(found, result); // exactly the double the stored value is
        QCOMPARE(health::roundTwoDecimals(0.125L), 0.12L);
    }

    // Numbers read with a decimal point, whatever the locale says.
    void numbersWhateverTheLocale()
    {
        const char* before = std::setlocale(LC_ALL, nullptr);
        const QByteArray saved(before ? before : "C");
        std::setlocale(LC_NUMERIC, "de_DE.UTF-8");
        QCOMPARE(double(health::numberOf(QStringLiteral(" 90.5 "))), 90.5);
        QCOMPARE(health::bmiUpdateStatement(22.86, 12),
                 QStringLiteral("update weight set BMI = 22.86 where 流水號 = 12"));
        std::setlocale(LC_ALL, saved.constData());
        for (const char* bad : {"", "abc", "1,5", "7kg", "inf", "nan", "1e99999", "--1"}) {
            try {
                health::numberOf(QString::fromLatin1(bad));
                QFAIL(bad);
            } catch (const engine::EngineError& error) {
                QCOMPARE(error.kind(), engine::EngineError::Kind::BadValue);
            }
        }
    }

    // setting.ini: sections and keys in any case, defaults, other lines kept, CRLF kept.
    void profileFile()
    {
        testing::TempWorkdir dir;
        const QString path = dir.file(QStringLiteral("setting.ini"));
        testing::writeFileBytes(path, "; mine\r\n[HEIGHT]\r\nHEIGHT = 180 \r\n\r\n[Other]\r\nx=1\r\n");
        platform::Profile profile(path);
        QCOMPARE(profile.readString(QStringLiteral("Height"), QStringLiteral("height"), QStringLiteral("0")),
                 QStringLiteral("180"));
        QCOMPARE(profile.readString(QStringLiteral("Hip"), QStringLiteral("hip"), QStringLiteral("0")),
                 QStringLiteral("0"));
        QCOMPARE(profile.readString(QStringLiteral("Other"), QStringLiteral("y"), QStringLiteral("d")),
                 QStringLiteral("d"));
        profile.writeString(QStringLiteral("Height"), QStringLiteral("height"), QStringLiteral("175"));
        profile.writeString(QStringLiteral("Other"), QStringLiteral("y"), QString());
        profile.writeString(QStringLiteral("Hip"), QStringLiteral("hip"), QStringLiteral("95"));
        profile.save();
        QCOMPARE(testing::fileBytes(path),
                 QByteArray(
                     "; mine\r\n[HEIGHT]\r\nHEIGHT=175\r\n\r\n[Other]\r\nx=1\r\ny=\r\n[Hip]\r\nhip=95\r\n"));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("setting.ini")});
        // A missing file reads as the defaults, and a write creates it.
        platform::Profile fresh(dir.file(QStringLiteral("none.ini")));
        QCOMPARE(fresh.readString(QStringLiteral("Height"), QStringLiteral("height"), QStringLiteral("0")),
                 QStringLiteral("0"));
        fresh.writeString(QStringLiteral("Height"), QStringLiteral("height"), QStringLiteral("1"));
        fresh.save();
        QCOMPARE(testing::fileBytes(dir.file(QStringLiteral("none.ini"))),
                 QByteArray("[Height]\r\nheight=1\r\n"));
    }

    // The file of each release, in its own encoding: the lines the program does not write come
    // back byte for byte, the written ones in the file's encoding.
    void profileEncodings_data()
    {
        QTest::addColumn<QByteArray>("before");
        QTest::addColumn<QByteArray>("after");
        const QString mine = QStringLiteral("; 身高與腰臀設定\r\n[使用者]\r\n名字=王小明\r\n");
        const QString before = mine + QStringLiteral("[Height]\r\nheight=170\r\n");
        const QString after =
            mine + QStringLiteral("[Height]\r\nheight=172\r\n[Waistline]\r\nwaistline=80\r\n");
        // The Windows release: Big5 (code page 950), with a line of bytes that are no Big5 at all.
        const QByteArray big5Lines = "; \xa8\xad\xb0\xaa\xbb\x50\xb8\x79\xc1\x76\xb3\x5d\xa9\x77\r\n"
                                     "[\xa8\xcf\xa5\xce\xaa\xcc]\r\n"
                                     "\xa6\x57\xa6\x72=\xa4\xfd\xa4\x70\xa9\xfa\r\n"
                                     "memo=\x80\xff\xa4\r\n";
        QTest::newRow("Big5") << big5Lines + "[Height]\r\nheight=170\r\n"
                              << big5Lines + "[Height]\r\nheight=172\r\n[Waistline]\r\nwaistline=80\r\n";
        const std::tuple<const char*, QStringConverter::Encoding, bool> unicode[] = {
            {"UTF-16LE with BOM", QStringConverter::Utf16LE, true},
            {"UTF-16LE without BOM", QStringConverter::Utf16LE, false},
            {"UTF-16BE with BOM", QStringConverter::Utf16BE, true},
            {"UTF-16BE without BOM", QStringConverter::Utf16BE, false},
            {"UTF-8 with BOM", QStringConverter::Utf8, true},
            {"UTF-8 without BOM", QStringConverter::Utf8, false},
        };
        for (const auto& [name, encoding, bom] : unicode)
            QTest::newRow(name) << encodedAs(before, encoding, bom) << encodedAs(after, encoding, bom);
        QTest::newRow("LF, the last line without one")
            << QStringLiteral("[使用者]\n名字=王小明\n[Height]\nheight=170").toUtf8()
            << QStringLiteral("[使用者]\n名字=王小明\n[Height]\nheight=172\n[Waistline]\nwaistline=80\n")
                   .toUtf8();
    }
    void profileEncodings()
    {
        QFETCH(QByteArray, before);
        QFETCH(QByteArray, after);
        testing::TempWorkdir dir;
        const QString path = dir.file(QStringLiteral("setting.ini"));
        testing::writeFileBytes(path, before);
        platform::Profile profile(path);
        QCOMPARE(profile.readString(QStringLiteral("使用者"), QStringLiteral("名字"), QString()),
                 QStringLiteral("王小明"));
        profile.writeString(QStringLiteral("Height"), QStringLiteral("height"), QStringLiteral("172"));
        profile.writeString(QStringLiteral("Waistline"), QStringLiteral("waistline"), QStringLiteral("80"));
        profile.save();
        QCOMPARE(testing::fileBytes(path), after);
        const platform::Profile again(path);
        QCOMPARE(again.readString(QStringLiteral("Height"), QStringLiteral("height"), QString()),
                 QStringLiteral("172"));
        QCOMPARE(again.readString(QStringLiteral("Waistline"), QStringLiteral("waistline"), QString()),
                 QStringLiteral("80"));
    }

    // A save that finds no room fails naming the file, and the file keeps what it had.
    void profileOnFullDisk()
    {
        testing::SmallDisk disk(64 * 1024);
        if (!disk.ready())
            QSKIP(qPrintable(disk.why()));
        const QString path = disk.file(QStringLiteral("setting.ini"));
        const QByteArray before = "; mine\r\n[Height]\r\nheight=170\r\n";
        testing::writeFileBytes(path, before);
        QVERIFY(disk.fillUpTo(0));
        platform::Profile profile(path);
        profile.writeString(QStringLiteral("Height"), QStringLiteral("height"), QStringLiteral("172"));
        try {
            profile.save();
            QFAIL("saved on a full disk");
        } catch (const std::runtime_error& error) {
            QVERIFY2(QString::fromUtf8(error.what()).contains(path), error.what());
        }
        QCOMPARE(testing::fileBytes(path), before);
        QCOMPARE(QDir(disk.path()).entryList(QDir::Files | QDir::Hidden),
                 QStringList({QStringLiteral(".filler"), QStringLiteral("setting.ini")}));
    }

    // The start loads the measures, the close saves them; a start that ended early saves nothing.
    void measuresKeptBetweenRuns()
    {
        {
            LedgerFixture f;
            TForm1& form = f.form();
            QCOMPARE(form.LE_Height->text(), QStringLiteral("0"));
            QCOMPARE(form.LE_Waistline->text(), QStringLiteral("0"));
            QCOMPARE(form.LE_Hip->text(), QStringLiteral("0"));
            form.LE_Height->setText(QStringLiteral("172"));
            form.LE_Waistline->setText(QString());
            form.LE_Hip->setText(QStringLiteral("95"));
            form.close();
            QCOMPARE(
                testing::fileBytes(iniPath()),
                QByteArray("[Height]\r\nheight=172\r\n[Waistline]\r\nwaistline=\r\n[Hip]\r\nhip=95\r\n"));

            // Started again in the same folder: the measures come back; an empty one stays empty.
            testing::StartedForm again;
            QCOMPARE(again.form().LE_Height->text(), QStringLiteral("172"));
            QCOMPARE(again.form().LE_Waistline->text(), QString());
            QCOMPARE(again.form().LE_Hip->text(), QStringLiteral("95"));
            again.close();

            // A wrong password: the start ends before the measures are loaded, and the close
            // leaves the file alone.
            const QByteArray before = testing::fileBytes(iniPath());
            testing::StartedForm wrong({QStringLiteral("9999")}, testing::ErrorBoxes::Expected);
            QCOMPARE(wrong.form().LE_Height->text(), QString());
            wrong.close();
            QCOMPARE(testing::fileBytes(iniPath()), before);
        }
    }

    void addChecks_data()
    {
        QTest::addColumn<QString>("weight");
        QTest::addColumn<QString>("height");
        QTest::addColumn<QString>("message");
        QTest::newRow("no weight, no height") << ""
                                              << ""
                                              << "體重數值空白";
        QTest::newRow("no height") << "70"
                                   << ""
                                   << "請設定身高";
        QTest::newRow("height 0") << "70"
                                  << "0"
                                  << "請設定身高";
    }
    void addChecks()
    {
        QFETCH(QString, weight);
        QFETCH(QString, height);
        QFETCH(QString, message);
        LedgerFixture f;
        TForm1& form = f.form();
        form.LE_Weight->setText(weight);
        form.LE_Height->setText(height);
        QTest::mouseClick(form.btnAddWeight, Qt::LeftButton);
        if (!weight.isEmpty())
            QTest::mouseClick(form.btnReCountBmiWHR, Qt::LeftButton);
        QCOMPARE(f.dialogs().messages(), QStringList(weight.isEmpty() ? 1 : 2, message));
        QCOMPARE(f.rows(QStringLiteral("select count(*) as n from weight")), QStringLiteral("0"));
    }

    // Through the window: records with and without waistline and hip, then a new height and the recount.
    void recordsAndRecount()
    {
        LedgerFixture f;
        TForm1& form = f.form();
        form.TabPagerMain->setCurrentWidget(form.TabPageHealthy);
        form.LE_Height->setText(QStringLiteral("175"));
        auto add = [&](const QDate& date, const QString& weight, const QString& waist, const QString& hip) {
            form.DTP_Weight->setDate(date);
            form.LE_Waistline->setText(waist);
            form.LE_Hip->setText(hip);
            form.LE_Weight->setText(QString());
            testing::typeText(form.LE_Weight->edit(), weight);
            QTest::mouseClick(form.btnAddWeight, Qt::LeftButton);
        };
        add(QDate(2012, 1, 1), QStringLiteral("70"), QStringLiteral("80"), QStringLiteral("100"));
        add(QDate(2012, 1, 2), QStringLiteral("90.7"), QStringLiteral("58"), QStringLiteral("80"));
        add(QDate(2012, 1, 3), QStringLiteral("65"), QStringLiteral("0"), QStringLiteral("100"));
        add(QDate(2012, 1, 4), QStringLiteral("65"), QStringLiteral("80"), QString());
        QCOMPARE(f.dialogs().messages(), QStringList(4, QStringLiteral("新增體重紀錄完成")));
        QCOMPARE(f.rows(QStringLiteral("select 日期,體重,BMI,腰圍,臀圍,WHR from weight order by 日期")),
                 QStringLiteral("2012/01/01|70|22.86|80|100|0.8;2012/01/02|90.7|29.62|58|80|0.72;"
                                "2012/01/03|65|21.22|||;2012/01/04|65|21.22|||"));
        QCOMPARE(form.LE_Weight->text(), QString());
        QCOMPARE(form.LE_Hip->text(), QString()); // kept as typed
        QCOMPARE(form.DTP_Weight->date(), LedgerFixture::now().date());
        QCOMPARE(form.Query[role::Weight]->sql(), QStringLiteral("select * from weight order by 日期 desc"));
        QCOMPARE(form.Query[role::Weight]->text(0, 1), QStringLiteral("2012/01/04"));

        // A hip of zero written otherwise than "0": refused, nothing stored.
        f.dialogs().clear();
        add(QDate(2012, 1, 5), QStringLiteral("70"), QStringLiteral("80"), QStringLiteral("0.0"));
        QCOMPARE(f.dialogs().messages(), QStringList{QStringLiteral("臀圍不能為 0,無法計算腰臀比 (WHR)。")});
        QCOMPARE(f.rows(QStringLiteral("select count(*) as n from weight")), QStringLiteral("4"));

        // An empty weight and a zero hip edited in: the recount gives BMI 0 and leaves that WHR.
        form.Connection->execute(QStringLiteral("update weight set 體重 = null where 日期 = #2012/01/03#"));
        form.Connection->execute(
            QStringLiteral("update weight set 臀圍 = 0, WHR = 0.5 where 日期 = #2012/01/04#"));
        form.Connection->execute(QStringLiteral("update weight set 腰圍 = 80 where 日期 = #2012/01/04#"));
        form.LE_Height->setText(QStringLiteral("180"));
        f.dialogs().clear();
        QTest::mouseClick(form.btnReCountBmiWHR, Qt::LeftButton);
        QCOMPARE(f.dialogs().shown().size(), 0); // no message
        QCOMPARE(f.rows(QStringLiteral("select BMI,WHR from weight order by 日期")),
                 QStringLiteral("21.6|0.8;27.99|0.73;0|;20.06|0.5"));
        QCOMPARE(form.Query[role::Weight]->sql(), QStringLiteral("select * from weight order by 日期 desc"));
    }

    // A text that is not a number stops the add with an error box that names it; with two of
    // them, the one the row takes first. Nothing is stored and the date stays as it was set.
    void conversionErrorsStoreNothing_data()
    {
        QTest::addColumn<QString>("weight");
        QTest::addColumn<QString>("height");
        QTest::addColumn<QString>("waistline");
        QTest::addColumn<QString>("hip");
        QTest::addColumn<QString>("named");
        QTest::newRow("weight") << "7o"
                                << "175"
                                << "80"
                                << "100"
                                << "7o";
        QTest::newRow("height") << "70"
                                << "17S"
                                << "80"
                                << "100"
                                << "17S";
        QTest::newRow("hip") << "70"
                             << "175"
                             << "80"
                             << "1OO"
                             << "1OO";
        QTest::newRow("waistline and hip") << "70"
                                           << "175"
                                           << "8O"
                                           << "1OO"
                                           << "8O";
    }
    void conversionErrorsStoreNothing()
    {
        QFETCH(QString, weight);
        QFETCH(QString, height);
        QFETCH(QString, waistline);
        QFETCH(QString, hip);
        QFETCH(QString, named);
        LedgerFixture f;
        TForm1& form = f.form();
        form.LE_Weight->setText(weight);
        form.LE_Height->setText(height);
        form.LE_Waistline->setText(waistline);
        form.LE_Hip->setText(hip);
        form.DTP_Weight->setDate(QDate(2011, 7, 8));
        f.dialogs().expectErrors();
        QTest::mouseClick(form.btnAddWeight, Qt::LeftButton);
        QCOMPARE(f.dialogs().errors().size(), 1);
        QVERIFY2(f.dialogs().errors().first().contains(u'「' + named + u'」'),
                 qPrintable(f.dialogs().errors().first()));
        QCOMPARE(f.dialogs().messages(), QStringList());
        QCOMPARE(f.rows(QStringLiteral("select count(*) as n from weight")), QStringLiteral("0"));
        QCOMPARE(form.Query[role::Weight]->sql(), QStringLiteral("select * from weight order by 日期 desc"));
        QCOMPARE(form.DTP_Weight->date(), QDate(2011, 7, 8));
    }

    // A row the file refuses: the grid shows the table again, and the date picker keeps the date
    // the user set, ready for a second try.
    void refusedAddKeepsTheDate()
    {
        LedgerFixture f;
        TForm1& form = f.form();
        QCOMPARE(
            sqlite3_exec(
                form.Connection->handle(),
                "CREATE TRIGGER refuse BEFORE INSERT ON weight BEGIN SELECT RAISE(ABORT, 'refused'); END",
                nullptr, nullptr, nullptr),
            SQLITE_OK);
        form.LE_Weight->setText(QStringLiteral("70"));
        form.LE_Height->setText(QStringLiteral("175"));
        form.DTP_Weight->setDate(QDate(2011, 7, 8));
        f.dialogs().expectErrors();
        QTest::mouseClick(form.btnAddWeight, Qt::LeftButton);
        QCOMPARE(f.dialogs().errors().size(), 1);
        QCOMPARE(f.dialogs().messages(), QStringList());
        QCOMPARE(f.rows(QStringLiteral("select count(*) as n from weight")), QStringLiteral("0"));
        QCOMPARE(form.Query[role::Weight]->sql(), QStringLiteral("select * from weight order by 日期 desc"));
        QCOMPARE(form.DTP_Weight->date(), QDate(2011, 7, 8));
        QCOMPARE(form.LE_Weight->text(), QStringLiteral("70"));
    }
};

QTEST_MAIN(TestHealth)
#include "test_health.moc"
