// The health page: body measures kept in setting.ini, weight records with BMI and WHR.
#include "app/TForm1.h"
#include "engine/Connection.h"
#include "engine/Query.h"
#include "engine/Transaction.h"
#include "health/Arithmetic.h"
#include "platform/Profile.h"
#include "store/QueryRoles.h"
#include "store/SlotWork.h"
#include "ui/DatePicker.h"
#include "ui/Dialogs.h"
#include "ui/LabeledEdit.h"

#include <array>

namespace {

const QString zero = QStringLiteral("0");

// The texts compare exactly: "0.0" or " 0" is a value, not the "0" that means none.
bool given(const QString& text)
{
    return !text.isEmpty() && text != zero;
}

struct Measure
{
    const char16_t* section;
    const char16_t* key;
    ui::LabeledEdit* edit;
};

// The three measures of setting.ini and the fields that hold them, in the order they are read
// and written.
std::array<Measure, 3> measuresOf(const TForm1& form)
{
    return {{{u"Height", u"height", form.LE_Height},
             {u"Waistline", u"waistline", form.LE_Waistline},
             {u"Hip", u"hip", form.LE_Hip}}};
}

} // namespace

void TForm1::LoadBodyMeasures()
{
    const platform::Profile profile(platform::settingsReadPath());
    for (const Measure& measure : measuresOf(*this))
        measure.edit->setText(
            profile.readString(QString::fromUtf16(measure.section), QString::fromUtf16(measure.key), zero));
    m_measuresLoaded = true;
}

void TForm1::SaveBodyMeasures()
{
    // Measures never loaded (the start-up ended early) would replace the stored ones with
    // empty fields.
    if (!m_measuresLoaded)
        return;
    platform::Profile profile(platform::settingsPath());
    for (const Measure& measure : measuresOf(*this))
        profile.writeString(QString::fromUtf16(measure.section), QString::fromUtf16(measure.key),
                            measure.edit->text());
    profile.save();
}

void TForm1::btnAddWeightClick()
{
    if (LE_Weight->text().isEmpty()) {
        ui::showMessage(QStringLiteral("體重數值空白"));
        return;
    }
    if (!given(LE_Height->text())) {
        ui::showMessage(QStringLiteral("請設定身高"));
        return;
    }
    const double bmi = health::bmi(health::numberOf(LE_Weight->text()),
                                   health::heightInMetres(health::numberOf(LE_Height->text())));
    const bool withWhr = given(LE_Waistline->text()) && given(LE_Hip->text());
    double whr = 0;
    if (withWhr) {
        // The waistline is read first, as the row takes it first.
        const long double waistline = health::numberOf(LE_Waistline->text());
        const long double hip = health::numberOf(LE_Hip->text());
        // A hip of nothing has no ratio; nothing is stored rather than an infinite one.
        if (hip == 0) {
            ui::showMessage(QStringLiteral("臀圍不能為 0,無法計算腰臀比 (WHR)。"));
            return;
        }
        whr = health::whrOfAdd(waistline, hip);
    }
    engine::Query& slot = *Query[role::Weight];
    store::runOnSlot(
        slot,
        [&] {
            slot.setSql(QStringLiteral("select top 1 * from weight"));
            slot.open();
            slot.append();
            slot.setFieldText(QStringLiteral("體重"), LE_Weight->text());
            slot.setFieldText(QStringLiteral("日期"), DTP_Weight->dateText());
            if (withWhr) {
                slot.setFieldText(QStringLiteral("腰圍"), LE_Waistline->text());
                slot.setFieldText(QStringLiteral("臀圍"), LE_Hip->text());
                slot.setFieldFloat(QStringLiteral("WHR"), whr);
            }
            slot.setFieldFloat(QStringLiteral("BMI"), bmi);
            slot.post();
        },
        [this] {
            // A refused row leaves the date as the user set it, ready for a second try.
            const QDateTime date = DTP_Weight->dateTime();
            OpenWeightGrid();
            DTP_Weight->setDateTime(date);
        });
    ui::showMessage(QStringLiteral("新增體重紀錄完成"));
    OpenWeightGrid();
    LE_Weight->setText(QString());
}

void TForm1::btnReCountBmiWHRClick()
{
    if (!given(LE_Height->text())) {
        ui::showMessage(QStringLiteral("請設定身高"));
        return;
    }
    const float metres = health::heightInMetres(health::numberOf(LE_Height->text()));
    engine::Query& records = *Query[role::Weight];
    records.setSql(QStringLiteral("select * from weight order by 日期 desc"));
    records.open();
    engine::Query updates;
    updates.setConnection(Connection.get());
    // One unit: a failure leaves every record as it was, not some recomputed and some not.
    engine::Transaction unit(*Connection);
    store::eachRow(records, [&](engine::Query& row) {
        const qint32 serial = row.fieldByName(QStringLiteral("流水號")).asInteger();
        updates.setSql(health::bmiUpdateStatement(
            health::bmi(row.fieldByName(QStringLiteral("體重")).asFloat(), metres), serial));
        updates.execSql();
        if (row.fieldByName(QStringLiteral("臀圍")).asString().isEmpty() ||
            row.fieldByName(QStringLiteral("腰圍")).asString().isEmpty())
            return;
        const double hipValue = row.fieldByName(QStringLiteral("臀圍")).asFloat();
        if (hipValue == 0)
            return; // no ratio to a hip of nothing: the record keeps its WHR
        updates.setSql(health::whrUpdateStatement(
            health::whrOfRecount(row.fieldByName(QStringLiteral("腰圍")).asFloat(), hipValue), serial));
        updates.execSql();
    });
    unit.commit();
    OpenWeightGrid();
}
