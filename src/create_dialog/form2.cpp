// The create dialog's controls, its fit to the column count, its refusal message and "Close".
#include "create_dialog/form2.h"

#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>

#include "app/msg_box.h"
#include "controls/button3d.h"
#include "controls/fonts.h"
#include "controls/message_box.h"
#include "controls/outer_size.h"
#include "controls/panel3d.h"
#include "controls/secret_edit.h"
#include "controls/twips.h"
#include "store/number_text.h"

namespace dravesse {
namespace {

// Sizes in twips, as the dialog was designed for seven columns.
constexpr int kClientWidth = 7545;
constexpr int kFullOuterHeight = 7425;  // with all seven title boxes
constexpr int kFramePitch = 630;
constexpr int kMinCols = 3;
constexpr int kMaxCols = 7;
constexpr double kFontPoints = 12;

struct Entry {
    const char16_t* caption;
    const char16_t* text;
};

// Box i's label and its text at opening.
constexpr std::array<Entry, Form2::kLabels> kEntries{{
    {u"行数（パスワードの数）（Max32）：", u"7"},
    {u"列数（Ｍａｘ7）：", u"5"},
    {u"ログインパスワード：", u""},
    {u"編集パスワード：", u""},
    {u"パスワード連想言葉", u""},
    {u"第１列項目名：", u"User Name"},
    {u"第２列項目名：", u"Login"},
    {u"第３列項目名：", u"Confirm"},
    {u"第４列項目名：", u"Kouza No"},
    {u"第５列項目名：", u"Card Password"},
    {u"第６列項目名：", u"Phone No"},
    {u"第７列項目名：", u"Aux"},
}};

const QString kCreateTitle = QStringLiteral("Save/ Create Tamblet");

}  // namespace

Form2::Form2(QWidget* parent) : QDialog(parent, kFixedDialogFlags) {
    setWindowTitle(QStringLiteral("Create Tamblet"));
    setFixedWidth(TwipsToPixels(kClientWidth));
    outerSize_ = new OuterSize(this, QMargins());
    buildControls();
    Form_Load();
    Text1[kRowCountBox]->setFocus();
}

void Form2::buildControls() {
    const QFont font = GothicFont(kFontPoints);
    auto makeLabel = [&](int i, QWidget* frame) {
        Label1[i] = new QLabel(QString::fromUtf16(kEntries[i].caption), frame);
        Label1[i]->setTextFormat(Qt::PlainText);
        Label1[i]->setFont(font);
    };
    auto makeBox = [&](int i, QWidget* parent, const char16_t* text) {
        Text1[i] = new QLineEdit(QString::fromUtf16(text), parent);
        Text1[i]->setFont(font);
        if (i == kLoginPassBox || i == kEditPassBox) {  // before any other filter
            GuardSecretEdit(Text1[i]);
            HintSecretInput(Text1[i]);
        }
        Text1[i]->installEventFilter(this);
    };

    for (int k = 0; k < kFrames; ++k) {
        SSFrame1[k] = new Frame3D(this);
        SetTwipsGeometry(SSFrame1[k], 60, 60 + kFramePitch * k, k == 0 ? 7365 : 5565, 585);
    }

    // Frame 0: the two counts side by side.
    makeLabel(kRowCountBox, SSFrame1[0]);
    makeBox(kRowCountBox, SSFrame1[0], kEntries[kRowCountBox].text);
    makeLabel(kColCountBox, SSFrame1[0]);
    makeBox(kColCountBox, SSFrame1[0], kEntries[kColCountBox].text);
    SetTwipsGeometry(Label1[kRowCountBox], 150, 150, 3525, 285);
    SetTwipsGeometry(Text1[kRowCountBox], 3840, 120, 555, 345);
    SetTwipsGeometry(Label1[kColCountBox], 4920, 150, 1545, 285);
    SetTwipsGeometry(Text1[kColCountBox], 6510, 120, 555, 360);

    // Frames 1 to 10: box k with its label in frame k - 1.
    for (int k = 2; k < kLabels; ++k) {
        makeLabel(k, SSFrame1[k - 1]);
        makeBox(k, SSFrame1[k - 1], kEntries[k].text);
        SetTwipsGeometry(Label1[k], 150, 150, 2625, 285);
        SetTwipsGeometry(Text1[k], 2820, 120, 2535, 360);
    }
    for (int k = 0; k < kLabels; ++k) Label1[k]->setBuddy(Text1[k]);  // names the box for readers

    KeepSelectionEmpty(this, [this](const QWidget* focus) { return isPasswordBox(focus); });

    makeBox(kBoxes - 1, this, u"Dummy");
    Text1[kBoxes - 1]->hide();

    SSPanel2 = new Panel3D(this);
    SetTwipsGeometry(SSPanel2, 5760, 690, 1665, 1335);
    const QFont bold = GothicFont(kFontPoints, true);
    SSCommand1 = new Button3D(QStringLiteral("Save"), SSPanel2);
    SSCommand2 = new Button3D(QStringLiteral("Close"), SSPanel2);
    for (Button3D* b : {SSCommand1, SSCommand2}) b->setFont(bold);
    SetTwipsGeometry(SSCommand1, 150, 150, 1335, 495);
    SetTwipsGeometry(SSCommand2, 150, 690, 1335, 495);
    connect(SSCommand1, &Button3D::Click, this, &Form2::SSCommand1_Click);
    connect(SSCommand2, &Button3D::Click, this, &Form2::SSCommand2_Click);

    for (int k = 0; k + 1 < kLabels; ++k) setTabOrder(Text1[k], Text1[k + 1]);
    setTabOrder(Text1[kLabels - 1], SSCommand2);
    setTabOrder(SSCommand2, SSCommand1);
}

void Form2::Form_Load() {
    ArrangeColumns();
}

void Form2::ArrangeColumns() {
    QLineEdit* colBox = Text1[kColCountBox];
    const qint16 asTyped = ReadCount(colBox->text());
    if (asTyped < kMinCols)
        colBox->setText(QString::number(kMinCols));
    else if (asTyped > kMaxCols)
        colBox->setText(QString::number(kMaxCols));
    const int n = ReadCount(colBox->text());

    // Hiding keeps a title box's text, so it comes back unchanged when the count grows again.
    for (int i = 0; i < kLabels; ++i) Text1[i]->setVisible(i < n + kFirstTitleBox);
    for (int i = 0; i < kFrames; ++i) SSFrame1[i]->setVisible(i < n + 4);
    outerSize_->Set(std::nullopt, kFullOuterHeight - (kMaxCols - n) * kFramePitch);
}

void Form2::ShowCreateError(const QString& first, const QString& second) {
    MsgBox(first + QStringLiteral("\r\n") + second, kMbOkOnly | kMbCritical, kCreateTitle);
}

// The login and edit passwords are shown as typed, but they leave the dialog only by Save: their
// boxes cannot copy (see GuardSecretEdit) and show no menu (Qt's has Copy and Cut). The hint word
// and the other boxes hold no secrets.
bool Form2::isPasswordBox(const QObject* object) const {
    return object && (object == Text1[kLoginPassBox] || object == Text1[kEditPassBox]);
}

bool Form2::passwordBoxEvent(QObject* watched, QEvent* event) {
    return isPasswordBox(watched) && event->type() == QEvent::ContextMenu;
}

// Nothing is written and no shared value changes. Escape and the title bar's close button
// reject the dialog in the same way.
void Form2::SSCommand2_Click() {
    reject();
}

}  // namespace dravesse
