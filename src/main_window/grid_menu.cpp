// The grid's menu and keys, and what an open cell editor may not do. A value leaves the grid only
// the way the Copy button sends it: the stored value of the chosen cell, marked as a secret and
// taken away again after a while. Qt's own ways out (the view's copy key, the editor's copying
// keys and menu, the X11 selection of the editor's text; see controls/secret_edit.h) are closed.
// While editing is on, the menu and Ctrl+G also put a new password into an item's value cell.
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QMenu>

#include "app/shared_state.h"
#include "controls/secret_edit.h"
#include "controls/spread.h"
#include "main_window/form1.h"
#include "main_window/grid_routines.h"
#include "main_window/main_window_texts.h"
#include "store/password_generator.h"

namespace dravesse {

namespace {

bool isGenerateKey(const QKeyEvent* key) {
    return key->key() == Qt::Key_G && key->modifiers() == Qt::ControlModifier;
}

}  // namespace

std::unique_ptr<QMenu> Form1::GridMenu(qint32 row, qint32 col) {
    auto menu = std::make_unique<QMenu>(this);
    QAction* copy = menu->addAction(kCopyCaption, this, [this, row, col] { copyCellAt(row, col); });
    copy->setEnabled(storedValue(row, col) != nullptr);
    QAction* generate =
        menu->addAction(kGenerateCaption, this, [this, row, col] { generatePassword(row, col); });
    generate->setEnabled(canGeneratePassword(row, col));
    return menu;
}

// Only a value cell of an item row, while editing is on: never a name, a title or the row that
// holds the passwords the window itself checks.
bool Form1::canGeneratePassword(qint32 row, qint32 col) {
    return EditFlag == 1 && row >= 1 && row <= vaSpread1->MaxRows() && col >= 1 &&
           col <= ColCount && ReadCell(*vaSpread1, row, 0) != kCredentialsName;
}

// The new password goes into the grid as typed text would: Save stores it, a refill drops it.
// It is never copied and never shown anywhere else.
void Form1::generatePassword(qint32 row, qint32 col) {
    if (!canGeneratePassword(row, col)) return;
    vaSpread1->CommitEdit();
    vaSpread1->SetText(col, row, GeneratePassword());
}

void Form1::showGridMenu(qint32 row, qint32 col, const QPoint& globalPos) {
    GridMenu(row, col)->exec(globalPos);
}

// The copy key copies as the Copy button does, in every display mode.
bool Form1::gridKey(QKeyEvent* key) {
    if (key->matches(QKeySequence::Copy)) {
        copyCellAt(vaSpread1->ActiveRow(), vaSpread1->ActiveCol());
        return true;
    }
    if (isGenerateKey(key)) {
        generatePassword(vaSpread1->ActiveRow(), vaSpread1->ActiveCol());
        return true;
    }
    return false;
}

bool Form1::gridEvent(QObject* watched, QEvent* event) {
    QWidget* viewport = vaSpread1->viewport();
    const QEvent::Type type = event->type();
    if (watched == vaSpread1) {
        if (type == QEvent::KeyPress) return gridKey(static_cast<QKeyEvent*>(event));
        if (type == QEvent::ContextMenu) {  // the menu key: the active cell; not the headers
            if (static_cast<QContextMenuEvent*>(event)->reason() != QContextMenuEvent::Keyboard)
                return true;
            const QModelIndex current = vaSpread1->currentIndex();
            const QRect at = current.isValid() ? vaSpread1->visualRect(current) : QRect();
            showGridMenu(vaSpread1->ActiveRow(), vaSpread1->ActiveCol(),
                         viewport->mapToGlobal(at.center()));
            return true;
        }
    } else if (watched == viewport) {
        if (type == QEvent::ChildAdded) {  // a cell editor opens
            QObject* child = static_cast<QChildEvent*>(event)->child();
            if (child->isWidgetType()) {
                GuardSecretEdit(child);  // first, so that it hands every event on to the editor
                child->installEventFilter(this);
            }
        } else if (type == QEvent::ContextMenu) {  // a right click: the cell under the mouse
            const auto* menuEvent = static_cast<QContextMenuEvent*>(event);
            const QModelIndex at = vaSpread1->indexAt(menuEvent->pos());
            if (at.isValid()) showGridMenu(at.row() + 1, at.column() + 1, menuEvent->globalPos());
            return true;
        }
    } else if (watched->parent() == viewport && watched->isWidgetType()) {  // a cell editor
        if (type == QEvent::KeyPress) {
            if (isGenerateKey(static_cast<QKeyEvent*>(event))) {
                const QModelIndex cell = vaSpread1->currentIndex();
                generatePassword(cell.row() + 1, cell.column() + 1);
                return true;
            }
        }
        if (type == QEvent::ContextMenu) {
            const QModelIndex cell = vaSpread1->currentIndex();
            showGridMenu(cell.row() + 1, cell.column() + 1,
                         static_cast<QContextMenuEvent*>(event)->globalPos());
            return true;
        }
    }
    return false;
}

}  // namespace dravesse
