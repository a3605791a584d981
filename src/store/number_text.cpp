#include "store/number_text.h"

#include <charconv>
#include <cmath>
#include <limits>
#include <string>

namespace dravesse {
namespace {

bool isDigit(QChar c) {
    return c >= u'0' && c <= u'9';
}

}  // namespace

// Read with from_chars, which always takes "." as the decimal point: the C library's own
// conversion follows the person's locale once Qt has set it, and would stop at "." under a
// locale that writes a decimal comma.
double ReadLeadingNumber(QStringView text) {
    std::string number;  // the digits and the point, without sign and blanks
    bool negative = false;
    qsizetype i = 0;
    const qsizetype n = text.size();
    auto skipBlanks = [&] {
        while (i < n && text[i] == u' ') ++i;
    };
    skipBlanks();
    if (i < n && (text[i] == u'+' || text[i] == u'-')) {
        negative = text[i] == u'-';
        ++i;
    }
    bool anyDigit = false;
    bool seenPoint = false;
    bool wholePart = false;  // a digit other than 0 before the point
    for (;;) {
        skipBlanks();
        if (i >= n) break;
        if (isDigit(text[i])) {
            number += static_cast<char>(text[i].unicode());
            anyDigit = true;
            wholePart = wholePart || (!seenPoint && text[i] != u'0');
        } else if (text[i] == u'.' && !seenPoint) {
            number += '.';
            seenPoint = true;
        } else {
            break;
        }
        ++i;
    }
    if (!anyDigit) return 0.0;
    double value = 0.0;
    const std::from_chars_result read = std::from_chars(
        number.data(), number.data() + number.size(), value, std::chars_format::fixed);
    if (read.ec == std::errc::result_out_of_range)  // too large, or too close to 0, for a double
        value = wholePart ? std::numeric_limits<double>::infinity() : 0.0;
    return negative ? -value : value;
}

std::optional<qint16> ToInt16HalfEven(double value) {
    if (!std::isfinite(value)) return std::nullopt;
    const double rounded = std::nearbyint(value);  // the default rounding mode: halves to even
    if (rounded < std::numeric_limits<qint16>::min() ||
        rounded > std::numeric_limits<qint16>::max())
        return std::nullopt;
    return static_cast<qint16>(rounded);
}

qint16 ReadCount(QStringView text) {
    const double value = ReadLeadingNumber(text);  // leading blanks are skipped there
    if (auto count = ToInt16HalfEven(value)) return *count;
    return value < 0 ? std::numeric_limits<qint16>::min() : std::numeric_limits<qint16>::max();
}

}  // namespace dravesse
