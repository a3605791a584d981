#include "store/number_text.h"

#include <gtest/gtest.h>

#include <limits>

#include "store/next_field.h"

namespace dravesse {
namespace {

TEST(NumberText, ReadCountFollowsTheBoxRules) {
    // clang-format off
    const struct {
        const char16_t* text;
        int count;
    } cases[] = {
        {u"7", 7}, {u"  12  ", 12}, {u"1 2", 12}, {u"- 7", -7}, {u"+4", 4}, {u"", 0}, {u"abc", 0},
        {u"12abc", 12}, {u"3x7", 3}, {u"x5", 0}, {u".5", 0}, {u"1e3", 1}, {u"\u00a05", 0}, {u"０", 0},
        {u"4.5", 4}, {u"5.5", 6}, {u"6.5", 6}, {u"2.4999", 2}, {u"1.5.5", 2},
        {u"32767", 32767}, {u"32767.5", 32767}, {u"99999", 32767}, {u"-99999", -32768},
        {u"123456789012345678901234567890", 32767}};
    // clang-format on
    for (const auto& c : cases)
        EXPECT_EQ(ReadCount(QString::fromUtf16(c.text)), c.count)
            << QString::fromUtf16(c.text).toStdString();
}

TEST(NumberText, ToInt16HalfEvenRejectsWhatDoesNotFit) {
    EXPECT_EQ(ToInt16HalfEven(-32768.4), -32768);
    EXPECT_EQ(ToInt16HalfEven(-32768.5), -32768);  // halves go to the even neighbour
    EXPECT_FALSE(ToInt16HalfEven(-32769));
    EXPECT_FALSE(ToInt16HalfEven(32767.5));
    EXPECT_FALSE(ToInt16HalfEven(std::numeric_limits<double>::infinity()));
    EXPECT_FALSE(ToInt16HalfEven(std::numeric_limits<double>::quiet_NaN()));
}

// A trailing comma leaves one empty last field; a start one past the end gives it too.
TEST(NextField, SplitsAtCommasWithOneBasedPositions) {
    // text, start, the field, where the next one starts (0: this was the last)
    const std::tuple<const char*, int, const char*, int> cases[] = {
        {"ab,,c", 1, "ab", 4}, {"ab,,c", 4, "", 5}, {"ab,,c", 5, "c", 0},
        {"a,", 1, "a", 3},     {"a,", 3, "", 0},    {"", 1, "", 0}};
    for (const auto& [text, start, field, next] : cases) {
        QString got = QStringLiteral("untouched");
        EXPECT_EQ(NextField(QString::fromUtf8(text), got, start), next) << text << start;
        EXPECT_EQ(got, QString::fromUtf8(field)) << text << start;
    }
}

}  // namespace
}  // namespace dravesse
