#include "store/number_text.h"

#include <cmath>
#include <cstdlib>
#include <limits>
#include <string>

namespace dravesse {
namespace {

bool isDigit(QChar c) {
    return c >= u'0' && c <= u'9';
}

}  // namespace

double ReadLeadingNumber(QStringView text) {
    std::string number;  // the number's characters without the blanks, for strtod
    qsizetype i = 0;
    const qsizetype n = text.size();
    auto skipBlanks = [&] {
        while (i < n && text[i] == u' ') ++i;
    };
    skipBlanks();
    if (i < n && (text[i] == u'+' || text[i] == u'-')) {
        number += static_cast<char>(text[i].unicode());
        ++i;
    }
    bool anyDigit = false;
    bool seenPoint = false;
    for (;;) {
        skipBlanks();
        if (i >= n) break;
        if (isDigit(text[i])) {
            number += static_cast<char>(text[i].unicode());
            anyDigit = true;
        } else if (text[i] == u'.' && !seenPoint) {
            number += '.';
            seenPoint = true;
        } else {
            break;
        }
        ++i;
    }
    if (!anyDigit) return 0.0;
    return std::strtod(number.c_str(), nullptr);
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
