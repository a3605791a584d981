#include "store/modulate.h"

#include <sodium.h>

#include <array>
#include <cstdlib>

namespace dravesse {
namespace {

constexpr std::array<unsigned char, crypto_aead_xchacha20poly1305_ietf_KEYBYTES> kKey = {
    0x69, 0x24, 0xff, 0x4f, 0xd4, 0x7a, 0x6a, 0x7e, 0x0a, 0x66, 0x0c, 0xb3, 0xb6, 0xeb, 0x0a, 0x63,
    0x31, 0x49, 0xf0, 0xd1, 0x8a, 0xaa, 0x6b, 0x7e, 0x20, 0x6c, 0xb7, 0xe4, 0x4f, 0x36, 0xb3, 0x0e};
constexpr qsizetype kNonceBytes = crypto_aead_xchacha20poly1305_ietf_NPUBBYTES;
constexpr qsizetype kTagBytes = crypto_aead_xchacha20poly1305_ietf_ABYTES;
constexpr int kVariant = sodium_base64_VARIANT_URLSAFE_NO_PADDING;

std::optional<QByteArray> scramble(QByteArrayView plain) {
    if (plain.size() > kMaxPlainBytes) return std::nullopt;
    QByteArray sealed(kNonceBytes + plain.size() + kTagBytes, Qt::Uninitialized);
    auto* nonce = reinterpret_cast<unsigned char*>(sealed.data());
    randombytes_buf(nonce, kNonceBytes);
    unsigned long long sealedLen = 0;
    crypto_aead_xchacha20poly1305_ietf_encrypt(
        nonce + kNonceBytes, &sealedLen, reinterpret_cast<const unsigned char*>(plain.data()),
        plain.size(), nullptr, 0, nullptr, nonce, kKey.data());
    QByteArray line(sodium_base64_encoded_len(sealed.size(), kVariant), Qt::Uninitialized);
    sodium_bin2base64(line.data(), line.size(),
                      reinterpret_cast<const unsigned char*>(sealed.data()), sealed.size(),
                      kVariant);
    line.chop(1);  // the terminating NUL
    if (line.size() >= kModulateBuffer) return std::nullopt;
    return line;
}

std::optional<QByteArray> unscramble(QByteArrayView line) {
    if (line.size() >= kModulateBuffer) return std::nullopt;
    QByteArray sealed(line.size(), Qt::Uninitialized);  // base64 never grows when decoded
    size_t sealedLen = 0;
    const char* end = nullptr;
    if (sodium_base642bin(reinterpret_cast<unsigned char*>(sealed.data()), sealed.size(),
                          line.data(), line.size(), nullptr, &sealedLen, &end, kVariant) != 0 ||
        end != line.data() + line.size())
        return std::nullopt;
    if (static_cast<qsizetype>(sealedLen) < kNonceBytes + kTagBytes) return std::nullopt;
    const auto* nonce = reinterpret_cast<const unsigned char*>(sealed.constData());
    QByteArray plain(sealedLen - kNonceBytes - kTagBytes, Qt::Uninitialized);
    unsigned long long plainLen = 0;
    if (crypto_aead_xchacha20poly1305_ietf_decrypt(
            reinterpret_cast<unsigned char*>(plain.data()), &plainLen, nullptr, nonce + kNonceBytes,
            sealedLen - kNonceBytes, nullptr, 0, nonce, kKey.data()) != 0)
        return std::nullopt;
    plain.truncate(static_cast<qsizetype>(plainLen));
    return plain;
}

}  // namespace

void EnsureSodium() {
    static const bool ready = sodium_init() >= 0;
    if (!ready) std::abort();  // no safe way on without a working random source
}

std::optional<QByteArray> Modulate(QByteArrayView input, int mode) {
    EnsureSodium();
    switch (mode) {
        case kScramble:
            return scramble(input);
        case kUnscramble:
            return unscramble(input);
        default:
            return std::nullopt;
    }
}

}  // namespace dravesse
