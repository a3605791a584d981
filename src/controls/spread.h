// The grid the main window shows its table in: a QTableWidget addressed the way the window code
// thinks of it. Column 0 is the row-header column (the item names, Qt's vertical header), row 0
// the header row (the column titles, Qt's horizontal header; the corner is row 0, column 0);
// value cells start at column 1, row 1. -1 for Row or Col addresses all rows or all columns.
#pragma once

#include <QTableWidget>

class QAbstractButton;

namespace dravesse {

// Actions, performed at once when set through SetAction.
enum SpreadAction : qint16 {
    kActionDeleteRow =
        5,  // removes row Row; the rows below move up, an empty row appears at the end
    kActionInsertRow =
        7,  // inserts an empty row at Row; the rows below move down, the last drops off
    kActionClearText = 12,  // clears the text of the cell or block; lock and formats stay
};

class EditorDelegate;

class Spread : public QTableWidget {
    Q_OBJECT
  public:
    explicit Spread(QWidget* parent = nullptr);

    // Number of value columns and of data rows.
    qint32 MaxCols() const { return columnCount(); }
    qint32 MaxRows() const { return rowCount(); }
    void SetMaxCols(qint32 n);
    void SetMaxRows(qint32 n);

    // The cell, row, column or sheet that the next Lock or Action applies to, and the far corner
    // of a block.
    qint32 Row() const { return row_; }
    qint32 Col() const { return col_; }
    qint32 Row2() const { return row2_; }
    qint32 Col2() const { return col2_; }
    void SetRow(qint32 r) { row_ = r; }
    void SetCol(qint32 c) { col_ = c; }
    void SetRow2(qint32 r) { row2_ = r; }
    void SetCol2(qint32 c) { col2_ = c; }

    bool BlockMode() const { return blockMode_; }
    void SetBlockMode(bool on) { blockMode_ = on; }
    void SetAction(qint16 action);

    // The lock applies to the whole sheet: while Protect is on and the sheet is locked, no cell
    // can be typed into.
    bool Lock() const { return lock_; }
    void SetLock(bool locked);
    bool Protect() const { return protect_; }
    void SetProtect(bool on);

    // The cell the user last moved to: (1, 1) at first, column 0 after a row-header click.
    qint32 ActiveRow() const { return activeRow_; }
    qint32 ActiveCol() const { return activeCol_; }

    // Text of one cell. SetText outside the grid does nothing; GetText is false for an empty
    // cell, a cell never set and any place outside the grid.
    void SetText(qint32 col, qint32 row, const QString& value);
    bool GetText(qint32 col, qint32 row, QString& value) const;

    // Row height in points and column width in characters of the grid's font; -1 for all.
    double RowHeight(qint32 row) const;
    void SetRowHeight(qint32 row, double points);
    double ColWidth(qint32 col) const;
    void SetColWidth(qint32 col, double chars);

    // Ends an open cell editor, keeping what was typed, so that the grid's texts are final.
    void CommitEdit();
    bool Editing() const { return state() == QAbstractItemView::EditingState; }

  signals:
    void Click(qint32 Col, qint32 Row);
    void DblClick(qint32 Col, qint32 Row);
    // The person moved the current cell, by keys or by pressing a mouse button on a cell; the
    // grid's own changes to its rows and texts do not count.
    void Moved(qint32 Col, qint32 Row);

  protected:
    bool edit(const QModelIndex& index, EditTrigger trigger, QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

  private:
    void setUpEditing();
    bool letFocusGo(const QKeyEvent& key);
    bool chooseRowByKey(const QKeyEvent& key);
    void clearText(qint32 row1, qint32 col1, qint32 row2, qint32 col2);
    void insertRowAt(qint32 row);
    void deleteRowAt(qint32 row);
    void nameNewRows(int from);
    void nameNewCols(int from);
    void setActive(qint32 row, qint32 col);
    void keepActiveInside();
    void followActive();

    qint32 row_ = 0, col_ = 0, row2_ = 0, col2_ = 0;
    bool blockMode_ = false;
    bool lock_ = true;
    bool protect_ = true;
    qint32 activeRow_ = 1, activeCol_ = 1;
    bool internalChange_ = false;
    QString cornerText_;
    QAbstractButton* corner_ = nullptr;
    EditorDelegate* delegate_ = nullptr;
};

}  // namespace dravesse
