#include "main_window/form1.h"

#include <QCloseEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QShortcut>

#include "app/msg_box.h"
#include "app/shared_state.h"
#include "controls/button3d.h"
#include "controls/fonts.h"
#include "controls/outer_size.h"
#include "controls/panel3d.h"
#include "controls/secret_edit.h"
#include "controls/spread.h"
#include "controls/twips.h"
#include "main_window/grid_routines.h"
#include "main_window/main_window_texts.h"
#include "store/read_item_file.h"

namespace dravesse {
namespace {

constexpr int kOuterWidth = 8670;
// Until the platform reports the real frame, the frame of the design sizes is assumed: the
// large window is 8670 x 4320 outside and 8580 x 3915 inside.
constexpr int kDesignFrameSide = 45;
constexpr int kDesignFrameTop = 360;
constexpr int kDesignFrameBottom = 45;

struct SizeLayout {
    int outerHeight;
    int panel1Height;
    int spreadHeight;
    int panel2Top;
};
constexpr SizeLayout kSmall{2565, 1695, 1455, 2190};
constexpr SizeLayout kLarge{4320, 2595, 2355, 3090};

Button3D* makeButton(const QString& caption, QWidget* panel, int left, bool enabled) {
    auto* button = new Button3D(caption, panel);
    SetTwipsGeometry(button, left, 120, 1335, 495);
    button->setFont(GothicFont(12, true));
    button->setEnabled(enabled);
    return button;
}

}  // namespace

Form1::Form1(QWidget* parent) : QWidget(parent) {
    createControls();
    Form_Load();
}

void Form1::createControls() {
    outerSize_ = new OuterSize(
        this, QMargins(kDesignFrameSide, kDesignFrameTop, kDesignFrameSide, kDesignFrameBottom));
    setWindowTitle(kDesignCaption);
    resize(TwipsToPixels(8580), TwipsToPixels(3915));

    SSPanel2 = new Panel3D(this);
    SetTwipsGeometry(SSPanel2, 120, 3090, 8355, 735);
    SSPanel2->hide();
    SSCommand2 = makeButton(QStringLiteral("Copy"), SSPanel2, 1470, true);
    SSCommand4 = makeButton(QStringLiteral("Save"), SSPanel2, 6870, false);
    SSCommand3 = makeButton(QStringLiteral("Edit"), SSPanel2, 2820, false);
    SSCommand1 = makeButton(QStringLiteral("Display"), SSPanel2, 120, false);
    SSCommand5 = makeButton(QStringLiteral("Insert"), SSPanel2, 4170, false);
    SSCommand6 = makeButton(QStringLiteral("Delete"), SSPanel2, 5520, false);

    Text1 = new QLineEdit(this);
    SetTwipsGeometry(Text1, 1860, 30, 1995, 330);
    Text1->setFont(GothicFont(11.25));
    Text1->setStyleSheet(QStringLiteral("lineedit-password-character: 42;"));  // "*"
    SetText1PasswordChar(true);

    SSPanel1 = new Panel3D(this);
    SetTwipsGeometry(SSPanel1, 120, 420, 8355, 2595);
    SSPanel1->hide();
    vaSpread1 = new Spread(SSPanel1);
    SetTwipsGeometry(vaSpread1, 120, 120, 8115, 2355);
    vaSpread1->setFont(GothicFont(11.25));
    vaSpread1->setDragDropMode(QAbstractItemView::NoDragDrop);  // a value leaves only by Copy

    Label1 = new QLabel(kPasswordCaption, this);
    SetTwipsGeometry(Label1, 360, 75, 1335, 285);
    Label1->setFont(GothicFont(12));
    Label1->setBuddy(Text1);

    setTabOrder(vaSpread1, Text1);
    setTabOrder(Text1, SSCommand2);
    setTabOrder(SSCommand2, SSCommand4);
    setTabOrder(SSCommand4, SSCommand3);
    setTabOrder(SSCommand3, SSCommand1);
    setTabOrder(SSCommand1, SSCommand5);
    setTabOrder(SSCommand5, SSCommand6);

    connect(SSCommand1, &Button3D::Click, this, &Form1::SSCommand1_Click);
    connect(SSCommand2, &Button3D::Click, this, &Form1::SSCommand2_Click);
    connect(SSCommand3, &Button3D::Click, this, &Form1::SSCommand3_Click);
    connect(SSCommand4, &Button3D::Click, this, &Form1::SSCommand4_Click);
    connect(SSCommand5, &Button3D::Click, this, &Form1::SSCommand5_Click);
    connect(SSCommand6, &Button3D::Click, this, &Form1::SSCommand6_Click);
    connect(vaSpread1, &Spread::Click, this, &Form1::vaSpread1_Click);
    connect(vaSpread1, &Spread::DblClick, this, &Form1::vaSpread1_DblClick);
    Text1->installEventFilter(this);
    Label1->installEventFilter(this);
    vaSpread1->installEventFilter(this);
    vaSpread1->viewport()->installEventFilter(this);
    // Nothing in the window needs the X11 selection, and a cell editor's text is a secret.
    KeepSelectionEmpty(this, [](const QWidget*) { return true; });
    addKeyboardUse();
}

// What the mouse does, the keyboard does too: moving in the grid chooses a cell (Shift+Space a
// row) and Ctrl+L hides and locks as the label's double-click does. Screen readers name the grid;
// the entry box takes its label's caption, the buttons their own.
void Form1::addKeyboardUse() {
    connect(vaSpread1, &Spread::Moved, this, &Form1::vaSpread1_Moved);
    auto* lockKey = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_L), this);
    connect(lockKey, &QShortcut::activated, this, [this] {
        if (Label1->isEnabled()) Label1_DblClick();
    });
    vaSpread1->setAccessibleName(QStringLiteral("Item table"));
    vaSpread1->setAccessibleDescription(QStringLiteral(
        "Tab moves from cell to cell, Shift+Space chooses the row, Ctrl+Tab leaves the table"));
}

void Form1::SetText1PasswordChar(bool masked) {
    Text1->setEchoMode(masked ? QLineEdit::Password : QLineEdit::Normal);
}

// Sizes are outer sizes, title bar and borders included; Qt sizes the inside.
void Form1::FormSize(const QString& size) {
    const SizeLayout* layout = size == QLatin1String("S")   ? &kSmall
                               : size == QLatin1String("L") ? &kLarge
                                                            : nullptr;
    if (!layout) {
        MsgBox(kProgramErrorText, kMbCritical, kFormSizeTitle);
        return;
    }
    // In the small layout the inside ends at the button bar's top at the latest.
    outerSize_->Set(kOuterWidth, layout->outerHeight,
                    layout == &kSmall ? kSmall.panel2Top : INT_MAX);
    SetTwipsHeight(SSPanel1, layout->panel1Height);
    SetTwipsHeight(vaSpread1, layout->spreadHeight);
    SetTwipsTop(SSPanel2, layout->panel2Top);
    setButtonBarReachable(layout == &kLarge);
}

// In the small layout the button bar lies below the window's inside: no click reaches it, and
// Tab must not reach it either.
void Form1::setButtonBarReachable(bool reachable) {
    for (Button3D* button : SSPanel2->findChildren<Button3D*>()) {
        if (!reachable && button->hasFocus()) Text1->setFocus();
        button->setFocusPolicy(reachable ? Qt::StrongFocus : Qt::NoFocus);
    }
}

void Form1::Form_Load() {
    const QString caption = windowTitle();
    setWindowTitle(QString(3, u' ') + caption + QString(31, u' ') + kVersionText);
    FormSize(QStringLiteral("S"));
    FailCount = 0;
    GridMode = 0;
    EditFlag = 0;
    SizeFlag = 0;
    ReadCredentials();
    gridFilled_ = false;  // filled when the grid is first shown: the locked window hides it
    vaSpread1->SetRow(-1);
    vaSpread1->SetCol(-1);
    vaSpread1->SetProtect(true);
    vaSpread1->SetLock(true);
    Text1->setFocus();
}

// Nothing is asked and nothing is saved. A value copied from the table is taken off the clipboard
// before the program ends, so that it is not handed on to a clipboard manager; whatever another
// program put there since stays.
void Form1::Form_Unload(qint16& Cancel) {
    Cancel = 0;
    clipboard_.ClearForClosing();
}

void Form1::closeEvent(QCloseEvent* event) {
    qint16 cancel = 0;
    Form_Unload(cancel);
    if (cancel)
        event->ignore();
    else
        event->accept();
}

void Form1::Form_Click() {}

void Form1::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        Form_Click();
    QWidget::mouseReleaseEvent(event);
}

// The first double-click hides and locks (small window, every value masked, Display disabled
// until the edit password is typed again); the next one makes the window large again.
void Form1::Label1_DblClick() {
    vaSpread1->CommitEdit();
    if (SizeFlag != 0) {
        FormSize(QStringLiteral("L"));
        SizeFlag = 0;
    } else {
        FormSize(QStringLiteral("S"));
        SizeFlag = 1;
        SSCommand1->setEnabled(false);
        GridMode = 2;
        SSCommand1_Click();
    }
}

// Every value as GridMode shows it; unsaved grid changes are dropped.
void Form1::refillGrid() {
    vaSpread1->SetMaxCols(ColCount);
    vaSpread1->SetMaxRows(RowCount);
    FillGrid(*vaSpread1);
    resetStoredRows(RowCount);
    gridFilled_ = true;
}

bool Form1::eventFilter(QObject* watched, QEvent* event) {
    if (watched == vaSpread1 && event->type() == QEvent::Show && !gridFilled_) refillGrid();
    if (gridEvent(watched, event)) return true;
    if (watched == Text1 && Text1->isEnabled()) {
        if (event->type() == QEvent::KeyPress) {
            const auto* key = static_cast<QKeyEvent*>(event);
            const bool enter = key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
            if (enter || !key->text().isEmpty()) {
                qint16 keyAscii = enter ? 13 : static_cast<qint16>(key->text().at(0).unicode());
                Text1_KeyPress(keyAscii);
            }
        } else if (event->type() == QEvent::MouseButtonRelease) {
            const auto* mouse = static_cast<QMouseEvent*>(event);
            if (mouse->button() == Qt::LeftButton &&
                Text1->rect().contains(mouse->position().toPoint()))
                Text1_Click();
        }
    } else if (watched == Label1 && Label1->isEnabled() &&
               event->type() == QEvent::MouseButtonDblClick) {
        Label1_DblClick();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

}  // namespace dravesse
