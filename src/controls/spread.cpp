// The grid's sheet: its size, rows and texts, row heights and column widths, the active cell and
// the clicks it reports. Typing into the grid is in spread_editing.cpp.
#include "controls/spread.h"

#include <QAbstractButton>
#include <QEvent>
#include <QHeaderView>
#include <QStyleOptionHeader>
#include <QStylePainter>
#include <algorithm>

#include "controls/twips.h"

namespace dravesse {

namespace {

// Blocks the tracking of the active cell while the grid changes its own rows or cells.
class InternalChange {
  public:
    explicit InternalChange(bool& flag) : flag_(flag), old_(flag) { flag_ = true; }
    ~InternalChange() { flag_ = old_; }
    InternalChange(const InternalChange&) = delete;
    InternalChange& operator=(const InternalChange&) = delete;

  private:
    bool& flag_;
    bool old_;
};

constexpr int kCellPaddingPixels = 8;

}  // namespace

Spread::Spread(QWidget* parent) : QTableWidget(parent) {
    setUpEditing();
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectItems);
    setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                    QAbstractItemView::AnyKeyPressed);

    // A click makes its cell the active one, also when Qt's current cell was already there.
    connect(this, &QTableWidget::cellClicked, this, [this](int r, int c) {
        setActive(r + 1, c + 1);
        emit Click(c + 1, r + 1);
    });
    connect(this, &QTableWidget::cellDoubleClicked, this,
            [this](int r, int c) { emit DblClick(c + 1, r + 1); });
    // The person moved the current cell: by keys, or by pressing a mouse button on a cell.
    connect(this, &QTableWidget::currentCellChanged, this, [this](int r, int c, int, int) {
        if (internalChange_ || r < 0 || c < 0) return;
        setActive(r + 1, c + 1);
        emit Moved(c + 1, r + 1);
    });
    connect(verticalHeader(), &QHeaderView::sectionClicked, this, [this](int r) {
        setActive(r + 1, 0);
        emit Click(0, r + 1);
    });
    connect(verticalHeader(), &QHeaderView::sectionDoubleClicked, this,
            [this](int r) { emit DblClick(0, r + 1); });
    connect(horizontalHeader(), &QHeaderView::sectionClicked, this,
            [this](int c) { emit Click(c + 1, 0); });
    connect(horizontalHeader(), &QHeaderView::sectionDoubleClicked, this,
            [this](int c) { emit DblClick(c + 1, 0); });

    // The corner button shows the corner's text and reports clicks as row 0, column 0.
    corner_ = findChild<QAbstractButton*>();
    if (corner_) {
        corner_->installEventFilter(this);
        connect(corner_, &QAbstractButton::clicked, this, [this] { emit Click(0, 0); });
    }
}

void Spread::SetMaxCols(qint32 n) {
    const InternalChange guard(internalChange_);
    const int old = columnCount();
    setColumnCount(std::max(0, n));
    nameNewCols(old);
    keepActiveInside();
}

void Spread::SetMaxRows(qint32 n) {
    const InternalChange guard(internalChange_);
    const int old = rowCount();
    setRowCount(std::max(0, n));
    nameNewRows(old);
    keepActiveInside();
}

// Empty header items, so that a header never shows Qt's default row or column number.
void Spread::nameNewRows(int from) {
    for (int r = from; r < rowCount(); ++r)
        if (!verticalHeaderItem(r)) setVerticalHeaderItem(r, new QTableWidgetItem(QString()));
}

void Spread::nameNewCols(int from) {
    for (int c = from; c < columnCount(); ++c)
        if (!horizontalHeaderItem(c)) setHorizontalHeaderItem(c, new QTableWidgetItem(QString()));
}

void Spread::SetAction(qint16 action) {
    CommitEdit();
    switch (action) {
        case kActionDeleteRow:
            deleteRowAt(row_);
            break;
        case kActionInsertRow:
            insertRowAt(row_);
            break;
        case kActionClearText:
            if (blockMode_)
                clearText(row_, col_, row2_, col2_);
            else
                clearText(row_, col_, row_, col_);
            break;
        default:
            break;
    }
}

// The grid keeps its row count: the callers change MaxRows themselves around these actions.
void Spread::insertRowAt(qint32 row) {
    if (row < 1 || row > rowCount()) return;
    const InternalChange guard(internalChange_);
    removeRow(rowCount() - 1);
    insertRow(row - 1);
    nameNewRows(0);
    followActive();
}

void Spread::deleteRowAt(qint32 row) {
    if (row < 1 || row > rowCount()) return;
    const InternalChange guard(internalChange_);
    removeRow(row - 1);
    insertRow(rowCount());
    nameNewRows(0);
    followActive();
}

// -1 stands for every data row or every value column; a block's corners may come in any order.
void Spread::clearText(qint32 row1, qint32 col1, qint32 row2, qint32 col2) {
    auto range = [](qint32 a, qint32 b, int max) {
        if (a == -1 || b == -1) return std::pair<int, int>(1, max);
        return std::pair<int, int>(std::max(0, std::min(a, b)), std::min(max, std::max(a, b)));
    };
    const auto [firstRow, lastRow] = range(row1, row2, rowCount());
    const auto [firstCol, lastCol] = range(col1, col2, columnCount());
    const InternalChange guard(internalChange_);
    for (int r = firstRow; r <= lastRow; ++r) {
        for (int c = firstCol; c <= lastCol; ++c) {
            if (r > 0 && c > 0 && !item(r - 1, c - 1)) continue;  // never set: nothing to clear
            SetText(c, r, QString());
        }
    }
}

void Spread::SetText(qint32 col, qint32 row, const QString& value) {
    if (row < 0 || col < 0 || row > rowCount() || col > columnCount()) return;
    const InternalChange guard(internalChange_);
    if (row == 0 && col == 0) {
        cornerText_ = value;
        if (corner_) corner_->update();
    } else if (row == 0) {
        horizontalHeaderItem(col - 1)->setText(value);
    } else if (col == 0) {
        verticalHeaderItem(row - 1)->setText(value);
    } else if (QTableWidgetItem* cell = item(row - 1, col - 1)) {
        cell->setText(value);
    } else {
        setItem(row - 1, col - 1, new QTableWidgetItem(value));
    }
}

bool Spread::GetText(qint32 col, qint32 row, QString& value) const {
    if (row < 0 || col < 0 || row > rowCount() || col > columnCount()) return false;
    const QTableWidgetItem* cell = nullptr;
    if (row == 0 && col == 0) {
        value = cornerText_;
        return !value.isEmpty();
    }
    if (row == 0)
        cell = horizontalHeaderItem(col - 1);
    else if (col == 0)
        cell = verticalHeaderItem(row - 1);
    else
        cell = item(row - 1, col - 1);
    if (!cell || cell->text().isEmpty()) return false;
    value = cell->text();
    return true;
}

double Spread::RowHeight(qint32 row) const {
    const int pixels = (row >= 1 && row <= rowCount()) ? rowHeight(row - 1)
                                                       : verticalHeader()->defaultSectionSize();
    return pixels * 72.0 / LogicalDpi();
}

void Spread::SetRowHeight(qint32 row, double points) {
    const int pixels = std::max(1, static_cast<int>(points * LogicalDpi() / 72.0 + 0.5));
    if (row == -1) {
        verticalHeader()->setMinimumSectionSize(std::min(pixels, fontMetrics().height()));
        verticalHeader()->setDefaultSectionSize(pixels);
        for (int r = 0; r < rowCount(); ++r) setRowHeight(r, pixels);
    } else if (row >= 1 && row <= rowCount()) {
        setRowHeight(row - 1, pixels);
    }
}

double Spread::ColWidth(qint32 col) const {
    int pixels = horizontalHeader()->defaultSectionSize();
    if (col == 0)
        pixels = verticalHeader()->width();
    else if (col >= 1 && col <= columnCount())
        pixels = columnWidth(col - 1);
    return double(pixels - kCellPaddingPixels) / fontMetrics().averageCharWidth();
}

void Spread::SetColWidth(qint32 col, double chars) {
    const int pixels =
        static_cast<int>(chars * fontMetrics().averageCharWidth() + 0.5) + kCellPaddingPixels;
    if (col == -1 || col == 0) verticalHeader()->setFixedWidth(pixels);
    if (col == -1) {
        horizontalHeader()->setDefaultSectionSize(pixels);
        for (int c = 0; c < columnCount(); ++c) setColumnWidth(c, pixels);
    } else if (col >= 1 && col <= columnCount()) {
        setColumnWidth(col - 1, pixels);
    }
}

void Spread::setActive(qint32 row, qint32 col) {
    activeRow_ = row;
    activeCol_ = col;
}

// Qt moves its current cell with the rows; the active cell stays where it was, so the highlight
// is put back on it.
void Spread::followActive() {
    if (activeRow_ >= 1 && activeCol_ >= 1) setCurrentCell(activeRow_ - 1, activeCol_ - 1);
}

void Spread::keepActiveInside() {
    activeRow_ = rowCount() == 0 ? 0 : std::clamp(activeRow_, 1, rowCount());
    activeCol_ = std::clamp(activeCol_, 0, columnCount());
}

bool Spread::eventFilter(QObject* watched, QEvent* event) {
    if (watched == corner_ && corner_) {
        if (event->type() == QEvent::Paint) {
            QStyleOptionHeader option;
            option.initFrom(corner_);
            option.rect = corner_->rect();
            option.text = cornerText_;
            option.textAlignment = Qt::AlignCenter;
            option.position = QStyleOptionHeader::OnlyOneSection;
            QStylePainter painter(corner_);
            painter.drawControl(QStyle::CE_Header, option);
            return true;
        }
        if (event->type() == QEvent::MouseButtonDblClick) emit DblClick(0, 0);
    }
    return QTableWidget::eventFilter(watched, event);
}

}  // namespace dravesse
