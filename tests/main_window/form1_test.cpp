// The window itself and its entry box: the caption, the two sizes, the label's double-click,
// login, edit unlocking, renaming and wrong passwords.
#include <QWindow>

#include "controls/twips.h"
#include "main_window/form1_fixture.h"

namespace dravesse::test {
namespace {

TEST_F(Form1Test, CaptionKeepsEveryBlank) {
    open();
    EXPECT_EQ(form->windowTitle(), QStringLiteral("    Dravesse") + QString(31, u' ') +
                                       QStringLiteral("Ver 1.40        Dec. 26 '10"));
}

// Outer heights count the frame that the platform reports, or the design frame until it does.
// The small layout leaves the button bar below the inside, out of reach of clicks and Tab.
TEST_F(Form1Test, FormSizeSetsOuterHeightsAndRefusesOtherArguments) {
    open();
    auto outerHeight = [&] {
        QMargins m = form->windowHandle()->frameMargins();
        if (m.isNull()) m = QMargins(0, TwipsToPixels(360), 0, TwipsToPixels(45));
        return form->height() + m.top() + m.bottom();
    };
    form->FormSize(QStringLiteral("L"));
    EXPECT_NEAR(outerHeight(), TwipsToPixels(4320), 1);
    EXPECT_LE(form->SSPanel2->geometry().bottom(), form->height());
    EXPECT_EQ(form->SSCommand1->focusPolicy(), Qt::StrongFocus);
    form->FormSize(QStringLiteral("S"));
    EXPECT_LE(outerHeight(), TwipsToPixels(2565) + 1);
    EXPECT_GE(form->SSPanel2->y(), form->height());
    EXPECT_EQ(form->SSCommand1->focusPolicy(), Qt::NoFocus);
    EXPECT_TRUE(messages.shown().empty());

    const QSize small = form->size();
    form->FormSize(QStringLiteral("s"));
    EXPECT_EQ(messages.shown(), (std::vector<ShownMessage>{{QStringLiteral("Program Error!"), 16,
                                                            QStringLiteral("FormSize/Dravesse")}}));
    EXPECT_EQ(form->size(), small);
}

TEST_F(Form1Test, LabelDoubleClicksHideAndLockThenMakeTheWindowLargeAgain) {
    open();
    unlock(true, true);
    QTest::mouseDClick(form->Label1, Qt::LeftButton);  // small, editing off, every value masked
    EXPECT_EQ(SizeFlag, 1);
    EXPECT_EQ(GridMode, 0);
    EXPECT_EQ(EditFlag, 0);
    EXPECT_FALSE(form->SSCommand1->isEnabled());
    EXPECT_GE(form->SSPanel2->y(), form->height());
    EXPECT_EQ(cell(1, 1), QStringLiteral("********"));
    QTest::mouseDClick(form->Label1, Qt::LeftButton);  // large again; Display stays disabled
    EXPECT_EQ(SizeFlag, 0);
    EXPECT_LE(form->SSPanel2->geometry().bottom(), form->height());
    EXPECT_FALSE(form->SSCommand1->isEnabled());
}

TEST_F(Form1Test, EnterTakesTheBranchForItsStateAndInput) {
    enum State { Locked, LoggedIn, Unlocked, FullView };
    struct Case {  // row2Name: Enter in full view renames grid row CurRow = 2
        State state;
        const char *input, *row2Name;
        bool panelsShown, displayEnabled, boxEmptied;
        int failCount;
    };
    const Case cases[] = {
        {Locked, "login!", "Mail", true, false, true, 0},
        {Locked, "edit!", "Mail", false, false, false, 1},
        {Locked, "Login!", "Mail", false, false, false, 1},
        {Locked, "login! ", "Mail", false, false, false, 1},
        {Locked, "", "Mail", false, false, false, 1},
        {LoggedIn, "edit!", "Mail", true, true, true, 0},
        {LoggedIn, "nope", "Mail", true, false, false, 0},
        {Unlocked, "nope", "Mail", true, true, false, 0},
        {FullView, "Post", "Post", true, true, false, 0},
        {FullView, "login!", "login!", true, true, false, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "state " << c.state << ", input '" << c.input << "'");
        open();
        if (c.state == LoggedIn) enter(LoginPass);
        if (c.state >= Unlocked) unlock(c.state == FullView);
        CurRow = 2;
        enter(QString::fromUtf8(c.input));
        EXPECT_EQ(!form->SSPanel1->isHidden(), c.panelsShown);
        EXPECT_EQ(!form->SSPanel2->isHidden(), c.panelsShown);
        EXPECT_EQ(form->SSCommand1->isEnabled(), c.displayEnabled);
        EXPECT_EQ(FailCount, c.failCount);
        EXPECT_EQ(form->Text1->text(), c.boxEmptied ? QString() : QString::fromUtf8(c.input));
        EXPECT_EQ(cell(0, 2), QString::fromUtf8(c.row2Name));
        EXPECT_TRUE(messages.shown().empty());
    }
}

TEST_F(Form1Test, WrongLoginsBringTheHintTheFinderMessageAndTheLockOut) {
    open();
    const ShownMessage hint{
        QStringLiteral("Did you forget the password?\r\nPssword Hint: \r\nstars"), 32,
        QStringLiteral("Password Entry")};
    const ShownMessage finder{
        QStringLiteral("Is this Dravesse yours ?\r\nPlease return this Tamblet to the owner. "
                       "\r\nmn(_\"_)nm"),
        16, QStringLiteral("Password Entry")};
    for (int n = 1; n <= 12; ++n) {
        messages.clear();
        QTest::keyClicks(form->Text1, QStringLiteral("x"));
        QTest::keyClick(form->Text1, Qt::Key_Return);
        std::vector<ShownMessage> expected;
        if (n == 3) expected = {hint};
        if (n >= 7 && n <= 9) expected = {finder};
        EXPECT_EQ(messages.shown(), expected) << n;
        EXPECT_EQ(FailCount, std::min(n, 10)) << n;  // no input reaches the box after the lock-out
        EXPECT_EQ(form->Text1->isEnabled(), n < 10) << n;
    }
    EXPECT_TRUE(form->LockedOut());
    enter(LoginPass);  // the right password no longer helps
    EXPECT_TRUE(form->SSPanel1->isHidden());
    QGuiApplication::clipboard()->setText(QStringLiteral("x"));
    EXPECT_TRUE(form->close());  // the window can still be closed, and empties the clipboard
    EXPECT_EQ(clipboardText(), QString());
}

TEST_F(Form1Test, FailCountStopsAtItsLargestValue) {
    open();
    FailCount = 32767;
    enter(QStringLiteral("x"));
    EXPECT_EQ(FailCount, 32767);
}

}  // namespace
}  // namespace dravesse::test
