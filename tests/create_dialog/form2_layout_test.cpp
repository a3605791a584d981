#include <QLabel>

#include "controls/twips.h"
#include "form2_fixture.h"

namespace dravesse::test {
namespace {

TEST_F(Form2Test, OpensWithFiveTitleBoxesAndFocusInTheRowCount) {
    EXPECT_EQ(shownBoxes(), Range(0, 9));
    for (int k = 0; k < Form2::kFrames; ++k) EXPECT_EQ(dialog->SSFrame1[k]->isHidden(), k > 8) << k;
    EXPECT_TRUE(box(12)->isHidden());
    EXPECT_EQ(dialog->frameGeometry().height(), TwipsToPixels(6165));
    EXPECT_EQ(focus(), box(0));
    for (int i = 0; i < 12; ++i) EXPECT_EQ(dialog->Label1[i]->buddy(), box(i)) << i;
}

// The column count box as typed, what it shows after ArrangeColumns, and the title boxes shown.
// The count is the text's leading number, blanks (not tabs) trimmed, rounded half to even; a
// number beyond 16 bits counts as above (or below) every limit.
struct ArrangeCase {
    const char* typed;
    const char* shown;
    int titles;
};

void PrintTo(const ArrangeCase& c, std::ostream* os) {
    *os << '"' << QString::fromUtf8(c.typed).replace(u'\t', QStringLiteral("\\t")).toStdString()
        << '"';
}

class ArrangeColumnsTest : public Form2Test, public testing::WithParamInterface<ArrangeCase> {};

TEST_P(ArrangeColumnsTest, FitsTheDialogToTheColumnCount) {
    const ArrangeCase& c = GetParam();
    box(1)->setText(QString::fromUtf8(c.typed));
    dialog->ArrangeColumns();
    EXPECT_EQ(box(1)->text(), QString::fromUtf8(c.shown));
    EXPECT_EQ(shownBoxes(), Range(0, c.titles + 4));
    for (int k = 0; k < Form2::kFrames; ++k)
        EXPECT_EQ(dialog->SSFrame1[k]->isHidden(), k > c.titles + 3) << k;
    EXPECT_EQ(dialog->frameGeometry().height(), TwipsToPixels(7425 - (7 - c.titles) * 630));
}

INSTANTIATE_TEST_SUITE_P(
    Counts, ArrangeColumnsTest,
    testing::Values(ArrangeCase{"3", "3", 3}, ArrangeCase{"4", "4", 4}, ArrangeCase{"5", "5", 5},
                    ArrangeCase{"6", "6", 6}, ArrangeCase{"7", "7", 7}, ArrangeCase{"2", "3", 3},
                    ArrangeCase{"", "3", 3}, ArrangeCase{"abc", "3", 3}, ArrangeCase{"12", "7", 7},
                    ArrangeCase{"4.5", "4.5", 4}, ArrangeCase{"5.5", "5.5", 6},
                    ArrangeCase{"6.5", "6.5", 6}, ArrangeCase{"  +4 ", "  +4 ", 4},
                    ArrangeCase{"6cols", "6cols", 6}, ArrangeCase{"4 5", "7", 7},
                    ArrangeCase{"99999", "7", 7}, ArrangeCase{"-99999", "3", 3},
                    ArrangeCase{"\t5", "3", 3}));

// Close, Escape and the title bar's close button all end the dialog and write nothing.
TEST_F(Form2Test, EveryWayOfClosingWritesNothing) {
    const std::vector<std::function<void(Form2&)>> ways{
        [](Form2& d) { QTest::mouseClick(d.SSCommand2, Qt::LeftButton); },
        [](Form2& d) { QTest::keyClick(d.Text1[3], Qt::Key_Escape); },
        [](Form2& d) { d.close(); },
    };
    for (size_t i = 0; i < ways.size(); ++i) {
        Form2 d;
        d.Text1[2]->setText("a");
        d.Text1[3]->setText("b");
        d.show();
        ways[i](d);
        EXPECT_FALSE(d.isVisible()) << i;
        EXPECT_EQ(d.result(), QDialog::Rejected) << i;
    }
    EXPECT_TRUE(folderIsEmpty());
    EXPECT_TRUE(messages.shown().empty());
    EXPECT_TRUE(LoginPass.isEmpty());
}

}  // namespace
}  // namespace dravesse::test
