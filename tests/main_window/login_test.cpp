// Enter in the entry box: login, edit unlocking, renaming, and wrong passwords.
#include "main_window/form1_fixture.h"

namespace dravesse::test {
namespace {

enum class State { Locked, LoggedIn, Unlocked, FullView };

struct EnterCase {
    const char* what;
    State state;
    QString input;
    // Expected afterwards.
    bool panelsShown;
    bool displayEnabled;
    qint16 failCount;
    bool boxEmptied;
    QString row2Name;  // name in the header of grid row 2 (CurRow is 2)
};

class EnterTest : public Form1Test, public testing::WithParamInterface<EnterCase> {};

TEST_P(EnterTest, TakesTheBranchForItsStateAndInput) {
    const EnterCase& c = GetParam();
    open();
    if (c.state != State::Locked) enter(LoginPass);
    if (c.state == State::Unlocked) enter(EditPass);
    if (c.state == State::FullView) fullView();
    CurRow = 2;
    enter(c.input);
    EXPECT_EQ(!form->SSPanel1->isHidden(), c.panelsShown);
    EXPECT_EQ(!form->SSPanel2->isHidden(), c.panelsShown);
    EXPECT_EQ(form->SSCommand1->isEnabled(), c.displayEnabled);
    EXPECT_EQ(FailCount, c.failCount);
    EXPECT_EQ(form->Text1->text(), c.boxEmptied ? QString() : c.input);
    EXPECT_EQ(cell(0, 2), c.row2Name);
    EXPECT_TRUE(messages.shown().empty());
}

const QString login = QStringLiteral("login!");
const QString edit = QStringLiteral("edit!");
const QString mail = QStringLiteral("Mail");

INSTANTIATE_TEST_SUITE_P(
    Branches, EnterTest,
    testing::Values(
        EnterCase{"login", State::Locked, login, true, false, 0, true, mail},
        EnterCase{"edit while locked", State::Locked, edit, false, false, 1, false, mail},
        EnterCase{"other case", State::Locked, "Login!", false, false, 1, false, mail},
        EnterCase{"leading blank", State::Locked, " login!", false, false, 1, false, mail},
        EnterCase{"trailing blank", State::Locked, "login! ", false, false, 1, false, mail},
        EnterCase{"empty", State::Locked, "", false, false, 1, false, mail},
        EnterCase{"login again", State::LoggedIn, login, true, false, 0, true, mail},
        EnterCase{"edit unlock", State::LoggedIn, edit, true, true, 0, true, mail},
        EnterCase{"wrong after login", State::LoggedIn, "nope", true, false, 0, false, mail},
        EnterCase{"wrong when unlocked", State::Unlocked, "nope", true, true, 0, false, mail},
        EnterCase{"rename", State::FullView, "Post", true, true, 0, false, "Post"},
        EnterCase{"login renames", State::FullView, login, true, true, 0, false, login},
        EnterCase{"empty renames", State::FullView, "", true, true, 0, false, ""}),
    [](const auto& info) {
        QString name = QString::fromLatin1(info.param.what);
        name.replace(u' ', u'_');
        return name.toStdString();
    });

TEST_F(Form1Test, WrongLoginsBringTheHintTheFinderMessageAndTheLockOut) {
    HintWord = QStringLiteral("stars");
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
        EXPECT_EQ(form->LockedOut(), n >= 10) << n;
        EXPECT_EQ(form->Text1->isEnabled(), n < 10) << n;
    }
    EXPECT_TRUE(form->SSPanel1->isHidden());
    enter(LoginPass);  // the right password no longer helps
    EXPECT_TRUE(form->SSPanel1->isHidden());

    QGuiApplication::clipboard()->setText(QStringLiteral("x"));
    EXPECT_TRUE(form->close());  // the window can still be closed, and clears the clipboard
    EXPECT_EQ(clipboardText(), QString());
}

TEST_F(Form1Test, HintWithAnEmptyHintWordEndsWithAnEmptyLine) {
    HintWord.clear();
    ItemTable[2][1].clear();  // the credentials row's hint word
    open();
    for (int n = 0; n < 3; ++n) enter(QStringLiteral("x"));
    ASSERT_EQ(messages.shown().size(), 1u);
    EXPECT_TRUE(messages.shown()[0].prompt.endsWith(QStringLiteral("Pssword Hint: \r\n")));
}

TEST_F(Form1Test, FailCountStopsAtItsLargestValue) {
    open();
    FailCount = 32767;
    form->Text1->setText(QStringLiteral("x"));
    qint16 enterKey = 13;
    form->Text1_KeyPress(enterKey);
    EXPECT_EQ(FailCount, 32767);
    EXPECT_EQ(enterKey, 13);
}

TEST_F(Form1Test, SamePasswordsNeverUnlockEditing) {
    ItemTable[2][3] = ItemTable[2][2];
    open();
    enter(QStringLiteral("login!"));
    enter(QStringLiteral("login!"));
    EXPECT_FALSE(form->SSCommand1->isEnabled());
}

TEST_F(Form1Test, RenameWritesOnlyInsideTheGrid) {
    open();
    fullView();
    CurRow = 0;
    enter(QStringLiteral("corner"));
    EXPECT_EQ(cell(0, 0), QStringLiteral("corner"));
    for (qint32 row : {-1, 5, 100}) {
        CurRow = row;
        enter(QStringLiteral("outside"));
    }
    EXPECT_EQ(names(), (QStringList{"Bank", "Mail", "LoginPassword", "Card"}));
    EXPECT_EQ(ItemTable[0][0], QStringLiteral("Bank"));  // renames reach the table only by Save
}

TEST_F(Form1Test, ClickingIntoTheBoxEmptiesIt) {
    open();
    QTest::keyClicks(form->Text1, QStringLiteral("log"));
    QTest::mouseClick(form->Text1, Qt::LeftButton);
    EXPECT_EQ(form->Text1->text(), QString());
}

}  // namespace
}  // namespace dravesse::test
