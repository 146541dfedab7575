// The filter row beside each ledger grid: search words, a date range and an amount range; the
// grid shows what they let through, the label counts it, and the rows shown can be taken along.
#include "app/TForm1.h"
#include "engine/Connection.h"
#include "engine/EngineError.h"
#include "engine/Query.h"
#include "store/CsvExport.h"
#include "ui/DataGrid.h"
#include "ui/Dialogs.h"
#include "ui/FlatButton.h"
#include "ui/Guard.h"
#include "ui/LabeledEdit.h"
#include "ui/OptionalDate.h"

#include <QDir>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QShortcut>
#include <QTimer>

namespace {

constexpr int findPauseMs = 250;

QString quietStyle()
{
    return QString();
}

QString warningStyle()
{
    return QStringLiteral("color: #c00000;");
}

} // namespace

void TForm1::BuildFindRow(QWidget* page, FindRow& row, const char* prefix, int x, int y)
{
    const QString name = QString::fromLatin1(prefix);
    auto* panel = new QWidget(page);
    panel->setObjectName(name + QStringLiteral("FindRow"));
    panel->setGeometry(x, y, 224, 262);

    row.words = new ui::LabeledEdit(QStringLiteral("搜尋 (類型、摘要、帳戶、金額)"), panel);
    row.words->setObjectName(QStringLiteral("LE_") + name + QStringLiteral("Find"));
    row.words->edit()->setObjectName(row.words->objectName() + QStringLiteral("_edit"));
    row.words->edit()->setPlaceholderText(QStringLiteral("例:午餐 現金"));
    row.words->edit()->setClearButtonEnabled(true);
    row.words->setGeometry(0, 0, 224, 60);

    auto* dates = new QLabel(QStringLiteral("日期 (起、迄)"), panel);
    dates->setObjectName(name + QStringLiteral("FindDateCaption"));
    dates->setGeometry(0, 64, 224, 22);
    row.from = new ui::OptionalDate(panel);
    row.from->setObjectName(QStringLiteral("DTP_") + name + QStringLiteral("FindFrom"));
    row.from->setGeometry(0, 88, 110, 28);
    row.to = new ui::OptionalDate(panel);
    row.to->setObjectName(QStringLiteral("DTP_") + name + QStringLiteral("FindTo"));
    row.to->setGeometry(114, 88, 110, 28);

    auto* amounts = new QLabel(QStringLiteral("金額 (最低、最高)"), panel);
    amounts->setObjectName(name + QStringLiteral("FindAmountCaption"));
    amounts->setGeometry(0, 122, 224, 22);
    row.least = new QLineEdit(panel);
    row.least->setObjectName(QStringLiteral("LE_") + name + QStringLiteral("FindLeast"));
    row.least->setPlaceholderText(QStringLiteral("不限"));
    row.least->setGeometry(0, 146, 110, 28);
    row.most = new QLineEdit(panel);
    row.most->setObjectName(QStringLiteral("LE_") + name + QStringLiteral("FindMost"));
    row.most->setPlaceholderText(QStringLiteral("不限"));
    row.most->setGeometry(114, 146, 110, 28);

    row.clear = new ui::FlatButton(QStringLiteral("清除"), panel);
    row.clear->setObjectName(QStringLiteral("btn") + name + QStringLiteral("FindClear"));
    row.clear->setGeometry(0, 182, 80, 28);
    row.exportRows = new ui::FlatButton(QStringLiteral("匯出 CSV…"), panel);
    row.exportRows->setObjectName(QStringLiteral("btn") + name + QStringLiteral("FindExport"));
    row.exportRows->setToolTip(QStringLiteral("把表格顯示的資料列存成 CSV 檔"));
    row.exportRows->setGeometry(90, 182, 134, 28);

    row.found = new QLabel(panel);
    row.found->setObjectName(QStringLiteral("Label_") + name + QStringLiteral("Found"));
    row.found->setWordWrap(true);
    row.found->setGeometry(0, 216, 224, 46);

    row.pause = new QTimer(this);
    row.pause->setSingleShot(true);
    row.pause->setInterval(findPauseMs);
    row.count = new QTimer(this);
    row.count->setSingleShot(true);
    row.count->setInterval(0);
}

void TForm1::BindFindEvents()
{
    for (FindRow* row : {&SpendFind, &SaveFind}) {
        FindRow& r = *row;
        const auto later = [&r] { r.pause->start(); };
        connect(r.words->edit(), &QLineEdit::textEdited, this, later);
        connect(r.words->edit(), &QLineEdit::textChanged, this, [&r](const QString& text) {
            // The line's own clear button empties it at once.
            if (text.isEmpty())
                r.pause->start(0);
        });
        connect(r.from, &QDateEdit::dateChanged, this, later);
        connect(r.to, &QDateEdit::dateChanged, this, later);
        connect(r.least, &QLineEdit::textEdited, this, later);
        connect(r.most, &QLineEdit::textEdited, this, later);
        connect(r.pause, &QTimer::timeout, this, ui::guarded([this, &r] { ApplyFind(r); }));
        connect(r.count, &QTimer::timeout, this, ui::guarded([this, &r] { CountFound(r); }));
        connect(r.clear, &QAbstractButton::clicked, this, ui::guarded([this, &r] { ClearFind(r); }));
        connect(r.exportRows, &QAbstractButton::clicked, this, ui::guarded([this, &r] { ExportFound(r); }));
        // Escape in the search field shows every row again.
        auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), r.words->edit(), nullptr, nullptr,
                                     Qt::WidgetShortcut);
        connect(escape, &QShortcut::activated, this, ui::guarded([this, &r] { ClearFind(r); }));
    }
    // Ctrl+F: the search field of the ledger page shown.
    auto* find = new QShortcut(QKeySequence::Find, this);
    connect(find, &QShortcut::activated, this, [this] {
        FindRow* row = TabPagerMain->currentWidget() == TabPageSpend  ? &SpendFind
                       : TabPagerMain->currentWidget() == TabPageSave ? &SaveFind
                                                                      : nullptr;
        if (!row)
            return;
        row->words->edit()->setFocus(Qt::ShortcutFocusReason);
        row->words->edit()->selectAll();
    });
}

void TForm1::ApplyFind(FindRow& row)
{
    row.pause->stop();
    ledger::EntryFilter filter;
    filter.words = row.words->text();
    filter.from = row.from->value();
    filter.to = row.to->value();
    const bool leastRead = ledger::readBound(row.least->text(), filter.least);
    const bool mostRead = ledger::readBound(row.most->text(), filter.most);
    if (!leastRead || !mostRead) {
        row.found->setStyleSheet(warningStyle());
        row.found->setText(QStringLiteral("金額的範圍請輸入數字,例如 100 或 99.5。"));
        return;
    }
    if (filter.from && filter.to && *filter.from > *filter.to) {
        row.found->setStyleSheet(warningStyle());
        row.found->setText(QStringLiteral("起日在迄日之後,沒有資料列符合。"));
        return;
    }
    if (filter == row.filter) {
        ShowFound(row);
        return;
    }
    row.filter = filter;
    row.planned = ledger::rarestWordFirst(*Connection, row.table, filter);
    ReloadLedgerGrid(row);
}

void TForm1::ClearFind(FindRow& row)
{
    row.words->setText(QString());
    row.from->clear();
    row.to->clear();
    row.least->clear();
    row.most->clear();
    row.pause->stop(); // the clearing above asked for a pause of its own
    const bool filtered = !row.filter.isEmpty();
    row.filter = {};
    row.planned = {};
    if (filtered)
        ReloadLedgerGrid(row);
    else
        ShowFound(row);
}

void TForm1::PutFindBack(FindRow& row)
{
    if (row.filter.isEmpty())
        ShowFound(row);
    else
        ReloadLedgerGrid(row);
}

void TForm1::ReloadLedgerGrid(const FindRow& row)
{
    if (&row == &SpendFind)
        ReloadSpendGrid();
    else
        ReloadSaveGrid();
}

void TForm1::ShowFound(FindRow& row)
{
    if (row.count)
        row.count->start();
}

void TForm1::CountFound(FindRow& row)
{
    if (!row.found || !Connection || !Connection->isOpen())
        return;
    engine::Query sums;
    sums.setConnection(Connection.get());
    sums.setSql(ledger::countAndSumStatement(row.table, row.planned, ledger::textLookupOf(*Connection)));
    sums.open();
    const qint64 count = sums.recordCount() == 1 ? sums.fieldByName(QStringLiteral("筆數")).asLargeInt() : 0;
    const double sum = sums.recordCount() == 1 ? sums.fieldByName(QStringLiteral("合計")).asFloat() : 0;
    row.found->setStyleSheet(quietStyle());
    row.found->setText(ledger::foundText(count, sum));
}

void TForm1::ExportFound(FindRow& row)
{
    engine::Query& shown = *Query[&row == &SpendFind ? role::Spend : role::Save];
    if (!shown.isActive())
        return;
    const QString suggested = QDir::home().filePath(
        row.table == QLatin1String("spend") ? QStringLiteral("支出.csv") : QStringLiteral("收入.csv"));
    const QString path =
        ui::saveFileName(QStringLiteral("匯出顯示的資料列"), suggested, QStringLiteral("CSV 檔 (*.csv)"));
    if (path.isEmpty())
        return;
    if (QFileInfo::exists(path) &&
        !ui::confirm(
            QStringLiteral("%1 已經存在,要以顯示的資料列取代它嗎?").arg(QDir::toNativeSeparators(path))))
        return;
    std::vector<store::CsvColumn> columns;
    for (int c = 0; c < shown.fieldCount(); ++c)
        columns.push_back({shown.column(c).name, shown.column(c).kind});
    // The rows as they are stored, in the order shown: the export writes them as the full
    // export does.
    std::vector<std::vector<QVariant>> rows(size_t(shown.recordCount()));
    for (int r = 0; r < shown.recordCount(); ++r)
        for (int c = 0; c < shown.fieldCount(); ++c)
            rows[size_t(r)].push_back(shown.value(r, c));
    store::writeCsvFile(path, columns, rows);
    ui::showMessage(
        QStringLiteral("已匯出 %1 筆資料列到 %2").arg(rows.size()).arg(QDir::toNativeSeparators(path)));
}
