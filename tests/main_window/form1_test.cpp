// The window itself and its entry box: the two sizes, the label's double-click, login, edit
// unlocking, renaming and wrong passwords.
#include <QProcess>
#include <QWindow>
#include <array>
#include <cmath>
#include <sstream>

#include "controls/twips.h"
#include "main_window/form1_fixture.h"
#include "support/child_process.h"
#include "support/folder_snapshot.h"

namespace dravesse::test {
namespace {

using InsideSizes = std::array<int, 4>;  // small width and height, large width and height

// In a child started under a scale factor: the window's inside, small and then large, in the
// screen's pixels.
int printInsideSizes() {
    ResetSharedState();
    PutInSharedState(SampleTable());
    const QTemporaryDir folder;
    AppPath = folder.path();
    Form1 form;
    form.show();
    if (!QTest::qWaitForWindowExposed(&form)) return 1;
    for (const char* size : {"S", "L"}) {
        form.FormSize(QString::fromLatin1(size));
        QCoreApplication::processEvents();  // the fit to the frame, once it is known, is queued
        QCoreApplication::processEvents();
        const double dpr = form.devicePixelRatioF();
        std::printf("%ld %ld ", std::lround(form.width() * dpr), std::lround(form.height() * dpr));
    }
    return 0;
}
const bool insideSizesChild = RegisterChild("inside-sizes", printInsideSizes);

InsideSizes insideSizesAt(const char* scaleFactor, const QString& platform) {
    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_SCALE_FACTOR"), QString::fromLatin1(scaleFactor));
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), platform);
    child.setProcessEnvironment(env);
    child.start(QCoreApplication::applicationFilePath(), {"--child", "inside-sizes"});
    InsideSizes sizes{};
    if (child.waitForFinished(60'000) && child.exitCode() == 0)
        std::istringstream(child.readAllStandardOutput().toStdString()) >> sizes[0] >> sizes[1] >>
            sizes[2] >> sizes[3];
    return sizes;
}

// Every scale factor gives the 1x window scaled, inside included (to 2 pixels): the frame, which
// the platform draws at its own scale (2 pixels on each side here), takes no more of the window
// than at 1x. At 1x the outer sizes are the twips': 8670 wide, 4320 high when large; the small
// window's inside ends at the button bar (2190).
TEST(Form1Scale, EveryScaleFactorGivesTheOneTimesWindowScaled) {
    QTemporaryDir dir;
    const QString config = dir.filePath(QStringLiteral("offscreen.json"));
    WriteBytes(config, R"({"windowFrameMargins": true, "screens": [{"name": "screen", "x": 0,
                    "y": 0, "width": 1920, "height": 1080, "logicalDpi": 96, "dpr": 1}]})");
    const QString framed = QStringLiteral("offscreen:configfile=") + config;
    const InsideSizes one = insideSizesAt("1", framed);
    const int width = TwipsToPixels(8670) - 4;
    EXPECT_EQ(one, (InsideSizes{width, TwipsToPixels(2190), width, TwipsToPixels(4320) - 4}));
    for (const char* factor : {"1.25", "1.5", "2"}) {
        const InsideSizes scaled = insideSizesAt(factor, framed);
        for (size_t i = 0; i < one.size(); ++i)
            EXPECT_NEAR(scaled[i], one[i] * std::atof(factor), 2) << factor << "x, size " << i;
    }
}

// Outer heights count the frame that the platform reports, or the design frame until it does.
// The small layout leaves the button bar below the inside, out of reach of clicks and Tab. The
// label's first double-click makes the window small and masks and locks everything, the second
// makes it large again. Ctrl+L anywhere in the window does what the double-click does.
TEST_F(Form1Test, SizesAndLabelDoubleClicks) {
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
    const QSize small = form->size();
    form->FormSize(QStringLiteral("s"));
    EXPECT_EQ(messages.shown(), (std::vector<ShownMessage>{{QStringLiteral("Program Error!"), 16,
                                                            QStringLiteral("FormSize/Dravesse")}}));
    EXPECT_EQ(form->size(), small);

    for (int round = 1; round <= 2; ++round) {  // after the next edit unlock it hides again
        if (round == 1) unlock(true, true);
        if (round == 2) enter(EditPass), form->SSCommand1->click(), form->SSCommand1->click();
        if (round == 1) QTest::keyClick(form->vaSpread1, Qt::Key_L, Qt::ControlModifier);
        if (round == 2) QTest::mouseDClick(form->Label1, Qt::LeftButton);
        EXPECT_EQ(SizeFlag * 100 + GridMode * 10 + EditFlag, 100);  // small, masked, editing off
        EXPECT_FALSE(form->SSCommand1->isEnabled());
        EXPECT_GE(form->SSPanel2->y(), form->height());
        EXPECT_EQ(cell(1, 1), QStringLiteral("********"));
    }
    QTest::mouseDClick(form->Label1, Qt::LeftButton);  // large again; Display stays disabled
    EXPECT_EQ(SizeFlag, 0);
    EXPECT_LE(form->SSPanel2->geometry().bottom(), form->height());
    EXPECT_FALSE(form->SSCommand1->isEnabled());
}

// row2Name: Enter in full view renames grid row CurRow = 2. The grid is filled when it is first
// shown, at the login: the locked window's grid is still empty.
TEST_F(Form1Test, EnterTakesTheBranchForItsStateAndInput) {
    enum State { Locked, LoggedIn, Unlocked, FullView };
    // clang-format off
    struct Case { State state; const char *input, *row2Name; bool panels, display, emptied; int fails; };
    const Case cases[] = {
        {Locked, "login!", "Mail", true, false, true, 0},   {Locked, "edit!", "", false, false, false, 1},
        {Locked, "Login!", "", false, false, false, 1},     {Locked, "login! ", "", false, false, false, 1},
        {Locked, "", "", false, false, false, 1},           {LoggedIn, "edit!", "Mail", true, true, true, 0},
        {LoggedIn, "nope", "Mail", true, false, false, 0},  {Unlocked, "nope", "Mail", true, true, false, 0},
        {FullView, "Post", "Post", true, true, false, 0},   {FullView, "login!", "login!", true, true, false, 0},
    };
    // clang-format on
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "state " << c.state << ", input '" << c.input << "'");
        open();
        if (c.state == LoggedIn) enter(LoginPass);
        if (c.state >= Unlocked) unlock(c.state == FullView);
        CurRow = 2;
        enter(QString::fromUtf8(c.input));
        EXPECT_EQ(std::pair(form->SSPanel1->isHidden(), form->SSPanel2->isHidden()),
                  std::pair(!c.panels, !c.panels));
        EXPECT_EQ(form->SSCommand1->isEnabled(), c.display);
        EXPECT_EQ(FailCount, c.fails);
        EXPECT_EQ(form->Text1->text(), c.emptied ? QString() : QString::fromUtf8(c.input));
        EXPECT_EQ(cell(0, 2), QString::fromUtf8(c.row2Name));
        EXPECT_TRUE(messages.shown().empty());
    }
}

// The count of failures saturates; the hint comes at the third, the finder message at the
// seventh to ninth, and the tenth locks the entry box for good.
TEST_F(Form1Test, WrongLoginsBringTheHintTheFinderMessageAndTheLockOut) {
    FailCount = 32767;
    enter(QStringLiteral("x"));
    EXPECT_EQ(FailCount, 32767);
    open();
    const QString title = QStringLiteral("Password Entry");
    const std::vector<ShownMessage> none,
        hint{
            {QStringLiteral("Did you forget the password?\r\nPssword Hint: \r\nstars"), 32, title}},
        finder{{QStringLiteral("Is this Dravesse yours ?\r\nPlease return this Tamblet to the "
                               "owner. \r\nmn(_\"_)nm"),
                16, title}};
    for (int n = 1; n <= 12; ++n) {
        messages.clear();
        QTest::keyClicks(form->Text1, QStringLiteral("x"));  // no input reaches a disabled box
        QTest::keyClick(form->Text1, Qt::Key_Return);
        EXPECT_EQ(messages.shown(), n == 3 ? hint : n >= 7 && n <= 9 ? finder : none) << n;
        EXPECT_EQ(FailCount, std::min(n, 10)) << n;
        EXPECT_EQ(form->Text1->isEnabled(), n < 10) << n;
    }
    EXPECT_TRUE(form->LockedOut());
    enter(LoginPass);  // the right password no longer helps
    EXPECT_TRUE(form->SSPanel1->isHidden());
    EXPECT_TRUE(form->close());  // the window can still be closed
}

}  // namespace
}  // namespace dravesse::test
