// Reading whole numbers out of text: the header's counts and the create dialog's count boxes.
#pragma once

#include <QStringView>
#include <QtGlobal>
#include <optional>

namespace dravesse {

// The number that the text begins with: blanks (U+0020) before and between its characters are
// skipped, then an optional sign, ASCII digits, an optional "." and fraction. Reading stops at
// the first other character. Text that begins with no number gives 0. Very long digit runs give
// an infinite value rather than failing. The point is "." in every locale.
double ReadLeadingNumber(QStringView text);

// Rounds to a whole number, halves going to the even neighbour (4.5 gives 4, 5.5 gives 6).
// Empty when the result lies outside the 16-bit signed range.
std::optional<qint16> ToInt16HalfEven(double value);

// A count typed into a box: blanks trimmed, the leading number, rounded half to even into
// 16 bits. A number beyond the 16-bit range saturates, so that it counts as above every maximum
// (or below every minimum when negative).
qint16 ReadCount(QStringView text);

}  // namespace dravesse
