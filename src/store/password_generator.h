// New passwords: 20 characters drawn uniformly from the letters, the digits and the symbols that
// Tamblet.csv can hold, with at least one of each kind.
#pragma once

#include <QString>
#include <array>
#include <string_view>

namespace dravesse {

inline constexpr int kGeneratedLength = 20;

// The four kinds of character, in the order upper-case, lower-case, digits, symbols. The symbols
// are printable ASCII without the comma (the field separator), the double quote and the blank.
inline constexpr std::array<std::string_view, 4> kPasswordKinds = {
    "ABCDEFGHIJKLMNOPQRSTUVWXYZ", "abcdefghijklmnopqrstuvwxyz", "0123456789",
    "!#$%&'()*+-./:;<=>?@[\\]^_`{|}~"};

// A new password, every such password being equally likely. Nothing of it is kept or logged.
QString GeneratePassword();

}  // namespace dravesse
