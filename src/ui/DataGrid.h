#pragma once

#include <QMap>
#include <QStringList>
#include <QTableView>

namespace engine {
class DataSource;
class Query;
} // namespace engine

namespace ui {

class DatasetModel;

// A grid over a data source: a title row made of the result's column names, a row indicator,
// in-place editing with pick lists per column, and the form's key handler called before the
// grid's own handling of every key, also while a cell editor is open.
class DataGrid : public QTableView
{
    Q_OBJECT

public:
    explicit DataGrid(QWidget* parent = nullptr);

    void setDataSource(engine::DataSource* source);
    engine::DataSource* dataSource() const;
    engine::Query* query() const;
    DatasetModel* datasetModel() const { return m_model; }

    // Editing in place with the cell editor shown as soon as a cell is current.
    void setEditingAllowed(bool allowed);
    bool editingAllowed() const { return m_editing; }
    void setRowSelect(bool rowSelect);
    // The grid's own deletion of the current row on Ctrl+Delete, after its own question.
    void setCtrlDeleteAllowed(bool allowed) { m_ctrlDelete = allowed; }
    bool ctrlDeleteAllowed() const { return m_ctrlDelete; }
    void setScrollBarsShown(bool shown);

    int columnCount() const;
    QStringList pickList(int column) const { return m_pickLists.value(column); }
    void clearPickList(int column);
    void appendPickItem(int column, const QString& item);

    // Called by the cell editors' event handling; not for other use. A key pressed in an editor
    // reaches the form's handler first; true when the grid went away meanwhile.
    bool editorKeyDown(QKeyEvent* event);
    // Delivers that key on to the editor, and from it to the grid, without a second call of the handler.
    void dispatchEditorKey(QObject* editor, QKeyEvent* event);
    bool handlerHasSeen(const QKeyEvent* event) const { return event == m_seenKey; }

Q_SIGNALS:
    // A key went down in the grid or in its cell editor; the key goes on to the grid after.
    void keyDown(int key, Qt::KeyboardModifiers modifiers); // a Qt::Key
    void titleClicked(int column, const QString& title);
    // The keyboard focus left the grid.
    void exited();

protected:
    bool edit(const QModelIndex& index, EditTrigger trigger, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void currentChanged(const QModelIndex& current, const QModelIndex& previous) override;
    void closeEditor(QWidget* editor, QAbstractItemDelegate::EndEditHint hint) override;

private:
    void followQueryRow(int row);
    void focusMoved(QWidget* old, QWidget* now);
    bool ownsWidget(const QWidget* widget) const;

    DatasetModel* m_model;
    QMap<int, QStringList> m_pickLists;
    bool m_editing = false;
    bool m_ctrlDelete = true;
    bool m_following = false;
    const QKeyEvent* m_seenKey = nullptr; // the key being delivered that the handler has seen, while it is
};

} // namespace ui
