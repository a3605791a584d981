// The window itself: controls and layout, the two sizes, the caption, the label's double-click and
// closing.
#include <QStyle>
#include <QWindow>

#include "controls/colors.h"
#include "controls/twips.h"
#include "main_window/form1_fixture.h"

namespace dravesse::test {
namespace {

TEST_F(Form1Test, CaptionKeepsEveryBlank) {
    open();
    EXPECT_EQ(form->windowTitle(), QStringLiteral("    Dravesse") + QString(31, u' ') +
                                       QStringLiteral("Ver 1.40        Dec. 26 '10"));
}

TEST_F(Form1Test, OpensLockedWithOnlyThePasswordBox) {
    open();
    EXPECT_TRUE(form->SSPanel1->isHidden());
    EXPECT_TRUE(form->SSPanel2->isHidden());
    EXPECT_EQ(form->Label1->text(), QStringLiteral("Password"));
    EXPECT_EQ(form->Label1->buddy(), form->Text1);
    EXPECT_EQ(form->Text1->echoMode(), QLineEdit::Password);
    EXPECT_EQ(form->Text1->style()->styleHint(QStyle::SH_LineEdit_PasswordCharacter, nullptr,
                                              form->Text1),
              '*');
    EXPECT_TRUE(form->SSCommand2->isEnabled());
    for (Button3D* b : {form->SSCommand1, form->SSCommand3, form->SSCommand4, form->SSCommand5,
                        form->SSCommand6}) {
        EXPECT_FALSE(b->isEnabled()) << qPrintable(b->text());
        EXPECT_EQ(b->BackColor(), kButtonFace);
        EXPECT_TRUE(b->font().bold());
    }
    EXPECT_EQ(form->vaSpread1->MaxRows(), 4);
    EXPECT_EQ(form->vaSpread1->MaxCols(), 3);
    EXPECT_TRUE(form->vaSpread1->Lock());
    EXPECT_TRUE(form->vaSpread1->Protect());
    EXPECT_EQ(form->Text1->font().family(), QStringLiteral(u"ＭＳ Ｐゴシック"));
    EXPECT_EQ(LoginPass, QStringLiteral("login!"));  // the credentials were read
}

TEST_F(Form1Test, TabVisitsTheControlsInTheirTabOrder) {
    open();
    form->FormSize(QStringLiteral("L"));
    QWidget* expected[] = {form->vaSpread1,  form->Text1,      form->SSCommand2, form->SSCommand4,
                           form->SSCommand3, form->SSCommand1, form->SSCommand5, form->SSCommand6};
    // The next widget in the focus chain that Tab can reach.
    auto nextTabStop = [](QWidget* w) {
        do w = w->nextInFocusChain();
        while (!(w->focusPolicy() & Qt::TabFocus));
        return w;
    };
    for (size_t i = 0; i + 1 < std::size(expected); ++i)
        EXPECT_EQ(nextTabStop(expected[i]), expected[i + 1]) << i;
}

// Outer size = inside size + the frame that the platform reports (or the design frame).
int outerHeight(Form1& f) {
    QMargins m = f.windowHandle()->frameMargins();
    if (m.isNull()) m = QMargins(0, TwipsToPixels(360), 0, TwipsToPixels(45));
    return f.height() + m.top() + m.bottom();
}

TEST_F(Form1Test, FormSizeSetsOuterHeightsAndHidesTheButtonBarWhenSmall) {
    open();
    showPanels();
    form->FormSize(QStringLiteral("L"));
    EXPECT_NEAR(outerHeight(*form), TwipsToPixels(4320), 1);
    EXPECT_EQ(form->SSPanel1->height(), TwipsToPixels(2595));
    EXPECT_EQ(form->vaSpread1->height(), TwipsToPixels(2355));
    EXPECT_EQ(form->SSPanel2->y(), TwipsToPixels(3090));
    EXPECT_LE(form->SSPanel2->geometry().bottom(), form->height());
    EXPECT_EQ(form->SSCommand1->focusPolicy(), Qt::StrongFocus);

    form->FormSize(QStringLiteral("S"));
    EXPECT_LE(outerHeight(*form), TwipsToPixels(2565) + 1);
    EXPECT_EQ(form->SSPanel1->height(), TwipsToPixels(1695));
    EXPECT_EQ(form->vaSpread1->height(), TwipsToPixels(1455));
    EXPECT_EQ(form->SSPanel2->y(), TwipsToPixels(2190));
    EXPECT_GE(form->SSPanel2->y(), form->height());  // wholly below the inside
    for (Button3D* b : form->SSPanel2->findChildren<Button3D*>())
        EXPECT_EQ(b->focusPolicy(), Qt::NoFocus) << qPrintable(b->text());
    EXPECT_TRUE(messages.shown().empty());
}

TEST_F(Form1Test, FormSizeRefusesAnyOtherArgument) {
    open();
    const QSize before = form->size();
    for (const char* arg : {"s", "l", "", "SL"}) {
        messages.clear();
        form->FormSize(QString::fromLatin1(arg));
        EXPECT_EQ(messages.shown(),
                  (std::vector<ShownMessage>{
                      {QStringLiteral("Program Error!"), 16, QStringLiteral("FormSize/Dravesse")}}))
            << arg;
        EXPECT_EQ(form->size(), before);
    }
}

TEST_F(Form1Test, LabelDoubleClicksAlternateBetweenHideAndLockAndLarge) {
    open();
    showPanels();
    form->FormSize(QStringLiteral("L"));
    form->SSCommand1->setEnabled(true);
    GridMode = 2;
    form->SSCommand1->SetBackColor(kCyan);

    QTest::mouseDClick(form->Label1, Qt::LeftButton);  // hide and lock
    EXPECT_EQ(SizeFlag, 1);
    EXPECT_EQ(GridMode, 0);
    EXPECT_FALSE(form->SSCommand1->isEnabled());
    EXPECT_EQ(form->SSCommand1->BackColor(), kButtonFace);
    EXPECT_EQ(form->SSPanel2->y(), TwipsToPixels(2190));
    EXPECT_EQ(cell(1, 1), QStringLiteral("********"));
    EXPECT_EQ(form->Label1->text(), QStringLiteral("Password"));

    QTest::mouseDClick(form->Label1, Qt::LeftButton);  // large again, Display stays disabled
    EXPECT_EQ(SizeFlag, 0);
    EXPECT_EQ(form->SSPanel2->y(), TwipsToPixels(3090));
    EXPECT_FALSE(form->SSCommand1->isEnabled());
}

TEST_F(Form1Test, FirstLabelDoubleClickAfterStartHidesEvenWhenSmall) {
    open();
    form->Label1_DblClick();
    EXPECT_EQ(SizeFlag, 1);
    EXPECT_EQ(form->SSPanel2->y(), TwipsToPixels(2190));
    EXPECT_EQ(GridMode, 0);
    EXPECT_EQ(EditFlag, 0);
}

TEST_F(Form1Test, ClosingEmptiesTheClipboard) {
    open();
    showPanels();
    clickCell(2, 1);
    ASSERT_EQ(clipboardText(), QStringLiteral("s3cret"));
    EXPECT_TRUE(form->close());
    EXPECT_EQ(clipboardText(), QString());
}

}  // namespace
}  // namespace dravesse::test
