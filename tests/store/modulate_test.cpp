#include "store/modulate.h"

#include <gtest/gtest.h>

namespace dravesse {
namespace {

TEST(Modulate, RoundTripsEveryLengthUpToTheLimit) {
    for (qsizetype n : {0, 1, 2, 3, 100, 500, static_cast<int>(kMaxPlainBytes)}) {
        const QByteArray plain(n, '\xE3');
        const auto line = Modulate(plain, kScramble);
        ASSERT_TRUE(line) << n;
        EXPECT_LT(line->size(), kModulateBuffer);
        for (char ch : *line) {
            const bool urlSafe = (ch >= 'A' && ch <= 'Z') || (ch >= 'a' && ch <= 'z') ||
                                 (ch >= '0' && ch <= '9') || ch == '-' || ch == '_';
            ASSERT_TRUE(urlSafe) << "unexpected character " << int(ch);
        }
        EXPECT_EQ(Modulate(*line, kUnscramble), plain) << n;
    }
    EXPECT_FALSE(Modulate(QByteArray(kMaxPlainBytes + 1, 'a'), kScramble));
}

TEST(Modulate, SameTextScramblesDifferentlyEachTime) {
    const QByteArray plain("Bank,alice,s3cret,hint");
    EXPECT_NE(*Modulate(plain, kScramble), *Modulate(plain, kScramble));
}

// Any change to a scrambled line, and anything that is not one, is refused.
TEST(Modulate, RefusesChangedLinesAndWhatIsNotAScrambledLine) {
    const QByteArray line = *Modulate("Mail,bob,pw,Bank", kScramble);
    for (qsizetype i = 0; i < line.size(); ++i) {
        QByteArray changed = line;
        changed[i] = changed[i] == 'A' ? 'B' : 'A';
        EXPECT_FALSE(Modulate(changed, kUnscramble)) << "position " << i;
    }
    QByteArray otherAlphabet = line;
    otherAlphabet[3] = '+';
    for (const QByteArray& bad :
         {QByteArray(), QByteArray("abc"), QByteArray("a,b"), QByteArray("=="), " " + line,
          line + "==", line + "A", line.chopped(1), otherAlphabet,
          QByteArray(kModulateBuffer, 'A')}) {
        EXPECT_FALSE(Modulate(bad, kUnscramble)) << bad.toStdString();
    }
    EXPECT_FALSE(Modulate("x", 2));
}

}  // namespace
}  // namespace dravesse
