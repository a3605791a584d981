#include "form2_fixture.h"

namespace dravesse::test {
namespace {

class FocusWalkTest : public Form2Test,
                      public testing::WithParamInterface<std::tuple<int, Qt::Key>> {};

// From box 0 the key visits every shown box in order, then comes back to box 0.
TEST_P(FocusWalkTest, VisitsEveryShownBoxThenWrapsToTheRowCount) {
    const auto [cols, key] = GetParam();
    box(1)->setText(QString::number(cols));
    dialog->ArrangeColumns();
    std::vector<int> visited{0};
    while (visited.size() < 20 && (visited.size() == 1 || visited.back() != 0)) {
        QTest::keyClick(box(visited.back()), key);
        const auto next = std::find(dialog->Text1.begin(), dialog->Text1.end(), focus());
        ASSERT_NE(next, dialog->Text1.end());
        visited.push_back(int(next - dialog->Text1.begin()));
    }
    std::vector<int> expected = Range(0, cols + 4);
    expected.push_back(0);
    EXPECT_EQ(visited, expected);
    EXPECT_TRUE(dialog->isVisible());
}

INSTANTIATE_TEST_SUITE_P(Columns, FocusWalkTest,
                         testing::Combine(testing::Values(3, 5, 7),
                                          testing::Values(Qt::Key_Return, Qt::Key_Enter,
                                                          Qt::Key_Tab)),
                         [](const auto& info) {
                             const Qt::Key key = std::get<1>(info.param);
                             return std::to_string(std::get<0>(info.param)) +
                                    (key == Qt::Key_Tab     ? "Tab"
                                     : key == Qt::Key_Enter ? "Enter"
                                                            : "Return");
                         });

// Text in a count box, the key that confirms it, what the box then shows, and the next box.
struct ConfirmCase {
    int index;
    const char* typed;
    Qt::Key key;
    const char* shown;
};

void PrintTo(const ConfirmCase& c, std::ostream* os) {
    *os << "box " << c.index << " \"" << c.typed << "\" "
        << (c.key == Qt::Key_Tab ? "Tab" : "Enter");
}

class ConfirmCountTest : public Form2Test, public testing::WithParamInterface<ConfirmCase> {};

TEST_P(ConfirmCountTest, HoldsTheCountToItsRange) {
    const ConfirmCase& c = GetParam();
    box(c.index)->setText(QString::fromUtf8(c.typed));
    QTest::keyClick(box(c.index), c.key);
    EXPECT_EQ(box(c.index)->text(), QString::fromUtf8(c.shown));
    EXPECT_EQ(focus(), box(c.index + 1));
    EXPECT_EQ(shownBoxes(), Range(0, box(1)->text().toInt() + 4));
}

INSTANTIATE_TEST_SUITE_P(Counts, ConfirmCountTest,
                         testing::Values(ConfirmCase{0, "40", Qt::Key_Return, "32"},
                                         ConfirmCase{0, "3", Qt::Key_Return, "7"},
                                         ConfirmCase{0, "0", Qt::Key_Tab, "7"},
                                         ConfirmCase{0, "", Qt::Key_Return, "7"},
                                         ConfirmCase{0, "99999", Qt::Key_Return, "32"},
                                         ConfirmCase{0, "-99999", Qt::Key_Tab, "7"},
                                         ConfirmCase{0, "32.5", Qt::Key_Return, "32.5"},
                                         ConfirmCase{1, "9", Qt::Key_Return, "7"},
                                         ConfirmCase{1, "99999", Qt::Key_Tab, "7"},
                                         ConfirmCase{1, "1", Qt::Key_Return, "3"}));

TEST_F(Form2Test, ConfirmingTheRowCountAlsoFitsTheColumnCount) {
    box(1)->setText("9");  // typed, not confirmed
    QTest::keyClick(box(0), Qt::Key_Return);
    EXPECT_EQ(box(1)->text(), QStringLiteral("7"));
    EXPECT_EQ(shownBoxes(), Range(0, 11));
    EXPECT_EQ(focus(), box(1));
}

TEST_F(Form2Test, OtherKeysGoIntoTheBoxAndMoveNothing) {
    for (int i : {0, 1, 4}) {
        box(i)->setFocus();
        box(i)->clear();
        QTest::keyClicks(box(i), QStringLiteral("9a ,"));
        EXPECT_EQ(box(i)->text(), QStringLiteral("9a ,"));
        EXPECT_EQ(focus(), box(i));
    }
    EXPECT_EQ(shownBoxes(), Range(0, 9));  // the column count is fitted only when confirmed
}

// Enter must never reach a button: with "Close" next in the focus order it would end the program
// with nothing written.
TEST_F(Form2Test, EnterNeverClosesTheDialog) {
    dialog->SSCommand2->setFocus();  // a button had the focus before
    for (int i = 0; i < 10; ++i) {
        QTest::keyClick(box(i), Qt::Key_Return);
        QTest::keyClick(box(i), Qt::Key_Enter, Qt::KeypadModifier);
    }
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_TRUE(messages.shown().empty());
}

}  // namespace
}  // namespace dravesse::test
