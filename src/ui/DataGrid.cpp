#include "DataGrid.h"

#include "DatasetModel.h"
#include "Dialogs.h"
#include "engine/DataSource.h"
#include "engine/Query.h"
#include "ui/Guard.h"

#include <QApplication>
#include <QComboBox>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPointer>
#include <QRegularExpressionValidator>
#include <QScopeGuard>
#include <QStyledItemDelegate>

namespace ui {

namespace {

// Cell editors: a line edit, or an editable pick list where the column has one. Keys typed in
// an editor reach the grid's key handler first.
class CellDelegate : public QStyledItemDelegate
{
public:
    explicit CellDelegate(DataGrid* grid) : QStyledItemDelegate(grid), m_grid(grid) {}

    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                          const QModelIndex& index) const override
    {
        QWidget* editor = nullptr;
        const QStringList items = m_grid->pickList(index.column());
        if (!items.isEmpty()) {
            auto* box = new QComboBox(parent);
            box->setEditable(true);
            box->addItems(items);
            connect(box->lineEdit(), &QLineEdit::textEdited, m_grid, [this] { beginEdit(); });
            connect(box, &QComboBox::activated, m_grid, [this] { beginEdit(); });
            editor = box;
        } else {
            auto* edit = new QLineEdit(parent);
            connect(edit, &QLineEdit::textEdited, m_grid, [this] { beginEdit(); });
            // A whole-number column takes only digits and signs: a keypad point pressed to
            // delete the row does not become a number the column refuses.
            const engine::Query* query = m_grid->query();
            if (query && index.column() < query->fieldCount() &&
                query->column(index.column()).kind == engine::ColumnKind::Integer)
                edit->setValidator(
                    new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9+-]*")), edit));
            editor = edit;
        }
        Q_UNUSED(option);
        editor->setFont(m_grid->font());
        m_editor = editor;
        m_editorIndex = index;
        return editor;
    }

    // Hands the text of the open editor to the query's current row. A text the column refuses
    // has been reported already, and the query's store stops there.
    void storeOpenEditor() const
    {
        engine::Query* query = m_grid->query();
        if (m_editor && m_editor->isVisible() && m_editorIndex.isValid() && query &&
            m_editorIndex.row() == query->recNo() && !commit(m_editor, m_editorIndex))
            query->refusePost();
    }

    void setEditorData(QWidget* editor, const QModelIndex& index) const override
    {
        const QString text = index.data(Qt::EditRole).toString();
        if (auto* box = qobject_cast<QComboBox*>(editor))
            box->setEditText(text);
        else if (auto* edit = qobject_cast<QLineEdit*>(editor))
            edit->setText(text);
    }

    void setModelData(QWidget* editor, QAbstractItemModel*, const QModelIndex& index) const override
    {
        commit(editor, index);
    }

protected:
    bool eventFilter(QObject* object, QEvent* event) override
    {
        if (event->type() == QEvent::KeyPress && !m_dispatching &&
            !m_grid->handlerHasSeen(static_cast<QKeyEvent*>(event))) {
            QPointer<QObject> editor(object);
            auto* key = static_cast<QKeyEvent*>(event);
            if (m_grid->editorKeyDown(key) || !editor)
                return true;
            // The key goes on as usual (to the editor, and to the grid when the editor leaves
            // it), with the grid told that the form's handler has seen it already.
            m_dispatching = true;
            m_grid->dispatchEditorKey(object, key);
            m_dispatching = false;
            key->accept();
            return true;
        }
        if (event->type() == QEvent::FocusOut) {
            // A box shown over the window takes the focus for a while; the edit stays open and
            // nothing is stored on its account.
            const QWidget* now = QApplication::focusWidget();
            const auto* editor = qobject_cast<QWidget*>(object);
            if (!now || (editor && now->window() != editor->window()))
                return false;
        }
        return QStyledItemDelegate::eventFilter(object, event);
    }

private:
    void beginEdit() const
    {
        if (engine::Query* query = m_grid->query(); query && query->state() == engine::Query::State::Browse)
            ui::guarded([query] { query->edit(); })();
    }

    // Stores the editor's text in the cell. A text the column refuses is dropped from the editor
    // before its one error box shows, so the box taking the focus cannot commit it again.
    bool commit(QWidget* editor, const QModelIndex& index) const
    {
        QString text;
        if (auto* box = qobject_cast<QComboBox*>(editor))
            text = box->currentText();
        else if (auto* edit = qobject_cast<QLineEdit*>(editor))
            text = edit->text();
        auto* model = qobject_cast<DatasetModel*>(m_grid->model());
        if (m_committing || !model || text == index.data(Qt::EditRole).toString())
            return true;
        m_committing = true;
        std::exception_ptr refused;
        try {
            model->storeText(index, text);
        } catch (...) {
            refused = std::current_exception();
            setEditorData(editor, index);
        }
        m_committing = false;
        if (refused)
            ui::showEscapedError(refused);
        return !refused;
    }

    DataGrid* m_grid;
    mutable bool m_committing = false;
    mutable bool m_dispatching = false;
    mutable QPointer<QWidget> m_editor;
    mutable QPersistentModelIndex m_editorIndex;
};

} // namespace

DataGrid::DataGrid(QWidget* parent) : QTableView(parent), m_model(new DatasetModel(this))
{
    setModel(m_model);
    setItemDelegate(new CellDelegate(this));
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectItems);
    setTabKeyNavigation(true);
    setShowGrid(true);
    setSortingEnabled(false);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    horizontalHeader()->setSectionsClickable(true);
    horizontalHeader()->setHighlightSections(false);
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setDefaultSectionSize(24);
    verticalHeader()->setMinimumWidth(18);
    connect(horizontalHeader(), &QHeaderView::sectionClicked, this, [this](int column) {
        Q_EMIT titleClicked(column, m_model->headerData(column, Qt::Horizontal).toString());
    });
    // A second click soon after the first is a click too: each one sorts.
    connect(horizontalHeader(), &QHeaderView::sectionDoubleClicked, this, [this](int column) {
        if (column >= 0)
            Q_EMIT titleClicked(column, m_model->headerData(column, Qt::Horizontal).toString());
    });
    // A click on a row's indicator makes that row current, in the column the grid was in.
    connect(verticalHeader(), &QHeaderView::sectionPressed, this, [this](int row) {
        if (row < 0 || row >= m_model->rowCount() || m_model->columnCount() == 0)
            return;
        const int column = qBound(0, currentIndex().column(), m_model->columnCount() - 1);
        setCurrentIndex(m_model->index(row, column));
    });
    connect(m_model, &DatasetModel::currentRowChanged, this, &DataGrid::followQueryRow);
    connect(m_model, &DatasetModel::updateRecord, this,
            [this] { static_cast<CellDelegate*>(itemDelegate())->storeOpenEditor(); });
    connect(qApp, &QApplication::focusChanged, this, &DataGrid::focusMoved);
}

void DataGrid::setDataSource(engine::DataSource* source)
{
    m_model->setDataSource(source);
}

engine::DataSource* DataGrid::dataSource() const
{
    return m_model->dataSource();
}

engine::Query* DataGrid::query() const
{
    return m_model->query();
}

void DataGrid::setEditingAllowed(bool allowed)
{
    m_editing = allowed;
    setEditTriggers(allowed ? QAbstractItemView::AllEditTriggers : QAbstractItemView::NoEditTriggers);
}

void DataGrid::setRowSelect(bool rowSelect)
{
    setSelectionBehavior(rowSelect ? QAbstractItemView::SelectRows : QAbstractItemView::SelectItems);
}

void DataGrid::setScrollBarsShown(bool shown)
{
    const Qt::ScrollBarPolicy policy = shown ? Qt::ScrollBarAsNeeded : Qt::ScrollBarAlwaysOff;
    setHorizontalScrollBarPolicy(policy);
    setVerticalScrollBarPolicy(policy);
}

int DataGrid::columnCount() const
{
    return m_model->columnCount();
}

void DataGrid::clearPickList(int column)
{
    m_pickLists.remove(column);
}

void DataGrid::appendPickItem(int column, const QString& item)
{
    m_pickLists[column].append(item);
}

bool DataGrid::editorKeyDown(QKeyEvent* event)
{
    QPointer<DataGrid> self(this);
    const int key = event->key();
    const Qt::KeyboardModifiers modifiers = event->modifiers();
    ui::guarded([&] { Q_EMIT keyDown(key, modifiers); })();
    return !self;
}

void DataGrid::dispatchEditorKey(QObject* editor, QKeyEvent* event)
{
    // Marked only while this one delivery runs: a later key can never be taken for it, even
    // when it is built at the same address.
    const QKeyEvent* outer = m_seenKey;
    m_seenKey = event;
    QPointer<DataGrid> self(this);
    QCoreApplication::sendEvent(editor, event);
    if (self)
        m_seenKey = outer;
}

bool DataGrid::edit(const QModelIndex& index, EditTrigger trigger, QEvent* event)
{
    // The editor shows on the current cell while the grid has the focus; a reload while the
    // user works elsewhere must not pull the focus into the grid.
    if (trigger == QAbstractItemView::CurrentChanged && !ownsWidget(QApplication::focusWidget()))
        return false;
    return QTableView::edit(index, trigger, event);
}

void DataGrid::keyPressEvent(QKeyEvent* event)
{
    QPointer<DataGrid> self(this);
    const int key = event->key();
    const Qt::KeyboardModifiers modifiers = event->modifiers();
    // A key the editor did not use comes on to the grid; the handler has seen it already.
    if (event != m_seenKey)
        ui::guarded([&] { Q_EMIT keyDown(key, modifiers); })();
    if (!self)
        return;
    // The view may hand this same key to a cell editor it opens for it.
    const QKeyEvent* outer = m_seenKey;
    m_seenKey = event;
    const auto restore = qScopeGuard([&] {
        if (self)
            m_seenKey = outer;
    });
    // Escape drops the row's pending edit, as leaving the grid does.
    if (key == Qt::Key_Escape && state() != EditingState) {
        if (engine::Query* q = query();
            q && (q->state() == engine::Query::State::Edit || q->state() == engine::Query::State::Insert))
            ui::guarded([q] { q->cancel(); })();
    }
    if (key == Qt::Key_Delete && (modifiers & Qt::ControlModifier)) {
        engine::Query* q = query();
        if (m_ctrlDelete && m_editing && q && m_model->canEdit() && q->recordCount() > 0 &&
            ui::confirm(QStringLiteral("刪除這筆資料嗎?")))
            ui::guarded([q] { q->deleteCurrent(); })();
        return;
    }
    QTableView::keyPressEvent(event);
}

void DataGrid::closeEditor(QWidget* editor, QAbstractItemDelegate::EndEditHint hint)
{
    // An editor closed while a box over the window holds the focus: when the window is active
    // again its focus belongs to the grid, not to the editor that is gone.
    const QWidget* last = window()->focusWidget();
    const bool heldFocus = editor && last && (last == editor || editor->isAncestorOf(last));
    QTableView::closeEditor(editor, hint);
    if (heldFocus && !hasFocus())
        setFocus(Qt::OtherFocusReason);
}

void DataGrid::currentChanged(const QModelIndex& current, const QModelIndex& previous)
{
    QTableView::currentChanged(current, previous);
    if (m_following || !current.isValid())
        return;
    engine::Query* q = query();
    if (!q || current.row() == q->recNo())
        return;
    // Moving to another row stores a pending edit; if that fails, the grid stays on the row.
    ui::guarded([q, row = current.row()] { q->moveTo(row); })();
    if (q->recNo() != current.row())
        followQueryRow(q->recNo());
}

void DataGrid::followQueryRow(int row)
{
    if (m_following)
        return;
    m_following = true;
    const int column = qMax(0, currentIndex().column());
    if (row >= 0 && row < m_model->rowCount())
        setCurrentIndex(m_model->index(row, qMin(column, qMax(0, m_model->columnCount() - 1))));
    m_following = false;
}

bool DataGrid::ownsWidget(const QWidget* widget) const
{
    for (; widget; widget = widget->parentWidget())
        if (widget == this)
            return true;
    return false;
}

void DataGrid::focusMoved(QWidget* old, QWidget* now)
{
    // A box over the window takes the focus for a while, and another program may: neither is
    // leaving the grid.
    if (!ownsWidget(old) || ownsWidget(now) || !now || now->window() != window())
        return;
    // Leaving the grid drops an edit that was not stored.
    if (engine::Query* q = query();
        q && (q->state() == engine::Query::State::Edit || q->state() == engine::Query::State::Insert))
        q->cancel();
    Q_EMIT exited();
}

} // namespace ui
