#include "store/number_text.h"

#include <gtest/gtest.h>

#include <QString>
#include <clocale>
#include <limits>

namespace dravesse {
namespace {

using namespace Qt::Literals::StringLiterals;

// The same in a locale that writes a decimal comma (scripts/deps generates it).
TEST(NumberText, ReadCountFollowsTheBoxRulesInEveryLocale) {
    // clang-format off
    const struct {
        QString text;
        int count;
    } cases[] = {
        {u"7"_s, 7}, {u"  12  "_s, 12}, {u"1 2"_s, 12}, {u"- 7"_s, -7}, {u"+4"_s, 4}, {u""_s, 0}, {u"abc"_s, 0},
        {u"12abc"_s, 12}, {u"3x7"_s, 3}, {u"x5"_s, 0}, {u".5"_s, 0}, {u"1e3"_s, 1}, {u"\u00a05"_s, 0}, {u"０"_s, 0},
        {u"4.5"_s, 4}, {u"5.5"_s, 6}, {u"6.5"_s, 6}, {u"2.4999"_s, 2}, {u"1.5.5"_s, 2},
        {u"32767"_s, 32767}, {u"32767.5"_s, 32767}, {u"99999"_s, 32767}, {u"-99999"_s, -32768},
        {QString(400, u'9'), 32767}, {"-0." + QString(400, u'0') + "9", 0}, {u"5."_s, 5}};
    // clang-format on
    for (const char* locale : {"C", "de_DE.UTF-8"}) {
        ASSERT_TRUE(std::setlocale(LC_NUMERIC, locale)) << locale << " is missing";
        for (const auto& c : cases) EXPECT_EQ(ReadCount(c.text), c.count) << c.text.toStdString();
    }
    std::setlocale(LC_NUMERIC, "C");
}

TEST(NumberText, ToInt16HalfEvenRejectsWhatDoesNotFit) {
    EXPECT_EQ(ToInt16HalfEven(-32768.4), -32768);
    EXPECT_EQ(ToInt16HalfEven(-32768.5), -32768);  // halves go to the even neighbour
    EXPECT_FALSE(ToInt16HalfEven(-32769));
    EXPECT_FALSE(ToInt16HalfEven(32767.5));
    EXPECT_FALSE(ToInt16HalfEven(std::numeric_limits<double>::infinity()));
    EXPECT_FALSE(ToInt16HalfEven(std::numeric_limits<double>::quiet_NaN()));
}

}  // namespace
}  // namespace dravesse
