#include "store/password_generator.h"

#include <sodium.h>

#include <string>

#include "store/modulate.h"

namespace dravesse {
namespace {

std::string alphabet() {
    std::string all;
    for (std::string_view kind : kPasswordKinds) all += kind;
    return all;
}

bool hasEveryKind(const std::array<char, kGeneratedLength>& chars) {
    for (std::string_view kind : kPasswordKinds) {
        bool found = false;
        for (char ch : chars) found = found || kind.find(ch) != std::string_view::npos;
        if (!found) return false;
    }
    return true;
}

}  // namespace

// Each character is drawn on its own with randombytes_uniform, which has no modulo bias; a draw
// that lacks a kind is thrown away whole (about one in ten), so that every password with all four
// kinds stays equally likely.
QString GeneratePassword() {
    EnsureSodium();
    static const std::string all = alphabet();
    std::array<char, kGeneratedLength> chars{};
    do {
        for (char& ch : chars) ch = all[randombytes_uniform(static_cast<uint32_t>(all.size()))];
    } while (!hasEveryKind(chars));
    const QString password = QString::fromLatin1(chars.data(), chars.size());
    sodium_memzero(chars.data(), chars.size());
    return password;
}

}  // namespace dravesse
