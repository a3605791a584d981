// Typing into the grid: the cell editor, the sheet's lock and protection, and the keys the grid
// adds to Qt's own.
#include <QCoreApplication>
#include <QKeyEvent>
#include <QPointer>
#include <QStyledItemDelegate>

#include "controls/secret_edit.h"
#include "controls/spread.h"

namespace dravesse {
namespace {

// Ctrl+Tab and Ctrl+Shift+Tab: the keys that move the focus out of a widget that keeps Tab for
// itself.
bool isCtrlTab(const QKeyEvent& key) {
    return (key.key() == Qt::Key_Tab || key.key() == Qt::Key_Backtab) &&
           (key.modifiers() & Qt::ControlModifier);
}

}  // namespace

// The standard delegate, remembering the editor it opened last so that the grid can close it.
class EditorDelegate : public QStyledItemDelegate {
  public:
    using QStyledItemDelegate::QStyledItemDelegate;
    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                          const QModelIndex& index) const override {
        QWidget* editor = QStyledItemDelegate::createEditor(parent, option, index);
        lastEditor = editor;
        nameForReaders(editor, index);
        if (editor) HintSecretInput(editor);  // a cell may hold a password, shown as typed
        return editor;
    }
    mutable QPointer<QWidget> lastEditor;

  protected:
    // A screen reader names the editor after its column's title.
    static void nameForReaders(QWidget* editor, const QModelIndex& index) {
        if (editor)
            editor->setAccessibleName(
                index.model()->headerData(index.column(), Qt::Horizontal).toString());
    }

    // The standard editor takes every Tab as a move to the next cell; Ctrl+Tab goes to the grid,
    // which lets the focus go.
    bool eventFilter(QObject* editor, QEvent* event) override {
        if (event->type() == QEvent::KeyPress && isCtrlTab(*static_cast<QKeyEvent*>(event))) {
            QCoreApplication::sendEvent(parent(), event);
            return true;
        }
        return QStyledItemDelegate::eventFilter(editor, event);
    }
};

void Spread::setUpEditing() {
    delegate_ = new EditorDelegate(this);
    setItemDelegate(delegate_);
}

void Spread::SetLock(bool locked) {
    if (locked) CommitEdit();
    lock_ = locked;
}

void Spread::SetProtect(bool on) {
    if (on && lock_) CommitEdit();
    protect_ = on;
}

bool Spread::edit(const QModelIndex& index, EditTrigger trigger, QEvent* event) {
    if (protect_ && lock_) return false;
    return QTableWidget::edit(index, trigger, event);
}

void Spread::CommitEdit() {
    QWidget* editor = delegate_->lastEditor;
    if (!editor || state() != QAbstractItemView::EditingState) return;
    commitData(editor);
    closeEditor(editor, QAbstractItemDelegate::NoHint);
}

// Keys of the grid beyond Qt's own: Ctrl+Tab lets the focus go, Shift+Space chooses a row.
void Spread::keyPressEvent(QKeyEvent* event) {
    if (letFocusGo(*event) || chooseRowByKey(*event))
        event->accept();
    else
        QTableWidget::keyPressEvent(event);
}

// Tab moves from cell to cell; Ctrl+Tab and Ctrl+Shift+Tab move the focus to the window's next and
// previous control, keeping what was typed into an open editor.
bool Spread::letFocusGo(const QKeyEvent& key) {
    if (!isCtrlTab(key)) return false;
    CommitEdit();
    QWidget::focusNextPrevChild(key.key() == Qt::Key_Tab && !(key.modifiers() & Qt::ShiftModifier));
    return true;
}

// Shift+Space chooses the current cell's row as a click on its name does.
bool Spread::chooseRowByKey(const QKeyEvent& key) {
    if (key.key() != Qt::Key_Space || key.modifiers() != Qt::ShiftModifier || currentRow() < 0)
        return false;
    const qint32 row = currentRow() + 1;
    setActive(row, 0);
    emit Click(0, row);
    return true;
}

}  // namespace dravesse
