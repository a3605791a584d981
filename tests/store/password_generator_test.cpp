#include "store/password_generator.h"

#include <gtest/gtest.h>

#include <QSet>
#include <cmath>
#include <map>

#include "store/item_file_format.h"

namespace dravesse {
namespace {

// 1,000 passwords: each can be stored, has every kind, none repeats, and the characters come up
// as often as a uniform draw of passwords with every kind makes them: by inclusion-exclusion, a
// character of a kind is a little likelier the smaller its kind. The chi-square sum has 91 degrees
// of freedom; 180 is exceeded by chance about once in ten million runs, and by far by a generator
// with a modulo bias, one that never draws some characters, or one that picks the kind first.
TEST(GeneratePassword, ThousandPasswordsAreStorableCompleteUniqueAndUniform) {
    SaveInput in;
    in.rowCount = 1;
    in.colCount = 1;
    in.table[0][0] = QStringLiteral("Item");
    QSet<QString> seen;
    std::map<QChar, int> counts;
    for (int i = 0; i < 1000; ++i) {
        const QString password = GeneratePassword();
        ASSERT_EQ(password.size(), kGeneratedLength);
        in.table[0][1] = password;
        EXPECT_FALSE(CheckForSave(in)) << password.toStdString();
        for (std::string_view kind : kPasswordKinds)
            EXPECT_TRUE(std::any_of(password.begin(), password.end(), [&](QChar ch) {
                return kind.find(char(ch.unicode())) != std::string_view::npos;
            })) << password.toStdString();
        seen.insert(password);
        for (QChar ch : password) ++counts[ch];
    }
    EXPECT_EQ(seen.size(), 1000);
    const int all = 92, kinds = 4;
    auto covers = [&](int n, int except) {  // chance that n draws hold every kind but except
        double p = 0;
        for (int missing = 0; missing < (1 << kinds); ++missing) {
            if (missing & (1 << except)) continue;
            int left = all, sign = 1;
            for (int k = 0; k < kinds; ++k)
                if (missing & (1 << k)) left -= int(kPasswordKinds[k].size()), sign = -sign;
            p += sign * std::pow(double(left) / all, n);
        }
        return p;
    };
    double chiSquare = 0;
    for (int k = 0; k < kinds; ++k) {
        const double expected = 1000.0 * kGeneratedLength * covers(kGeneratedLength - 1, k) /
                                covers(kGeneratedLength, kinds) / all;
        for (char ch : kPasswordKinds[k])
            chiSquare += std::pow(counts[QChar(ch)] - expected, 2) / expected;
    }
    EXPECT_LT(chiSquare, 180.0);
    EXPECT_EQ(counts.size(), size_t(all));  // nothing outside the alphabet was drawn
}

}  // namespace
}  // namespace dravesse
