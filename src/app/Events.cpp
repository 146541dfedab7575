// Which handler each event of the window calls. Every handler is connected through the guard,
// which turns an error it lets escape into the standard error box.
#include "TForm1.h"

#include "ui/Guard.h"
#include "ui/DataGrid.h"
#include "ui/ImageButton.h"
#include "ui/LabeledEdit.h"
#include "ui/PickList.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QRegularExpressionValidator>

namespace {

// Runs a key-press handler on the characters typed into an edit; what it refuses never
// reaches the edit. A validator keeps pasted and dropped text to the same digits.
class KeyPressFilter : public QObject
{
public:
    KeyPressFilter(QLineEdit* edit, std::function<bool(QChar)> handler) : QObject(edit), m_handler(std::move(handler))
    {
        edit->installEventFilter(this);
        edit->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), edit));
    }

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() != QEvent::KeyPress)
            return false;
        const QString text = static_cast<QKeyEvent*>(event)->text();
        if (text.isEmpty())
            return false;
        const QChar key = text.front();
        if (!key.isPrint() && key.unicode() != 8)
            return false; // shortcuts such as copy and paste
        bool allowed = true;
        ui::guarded([&] { allowed = m_handler(key); })();
        return !allowed;
    }

private:
    std::function<bool(QChar)> m_handler;
};

} // namespace

void TForm1::BindEvents()
{
    using ui::guarded;
    connect(btnAddSpend, &QAbstractButton::clicked, this, guarded([this] { btnAddSpendClick(); }));
    connect(btnAddSave, &QAbstractButton::clicked, this, guarded([this] { btnAddSaveClick(); }));
    connect(Combobox_Spend, &ui::PickList::changed, this, guarded([this] { Combobox_SpendChange(); }));
    new KeyPressFilter(LE_Cost->edit(), [this](QChar key) { return LE_CostKeyPress(key); });
    new KeyPressFilter(LE_TransferMoney->edit(), [this](QChar key) { return LE_CostKeyPress(key); });
    new KeyPressFilter(LE_Save->edit(), [this](QChar key) { return LE_SaveKeyPress(key); });

    connect(DBGrid_spend, &ui::DataGrid::keyDown, this,
            guarded([this](int key, Qt::KeyboardModifiers shift) { DBGrid_spendKeyDown(key, shift); }));
    connect(DBGrid_save, &ui::DataGrid::keyDown, this,
            guarded([this](int key, Qt::KeyboardModifiers shift) { DBGrid_saveKeyDown(key, shift); }));
    connect(DBGrid_spend, &ui::DataGrid::titleClicked, this,
            guarded([this](int column, const QString& title) { DBGrid_spendTitleClick(column, title); }));
    connect(DBGrid_save, &ui::DataGrid::titleClicked, this,
            guarded([this](int column, const QString& title) { DBGrid_saveTitleClick(column, title); }));
    connect(DBGrid_Weight, &ui::DataGrid::titleClicked, this,
            guarded([this](int column, const QString& title) { DBGrid_WeightTitleClick(column, title); }));
}
