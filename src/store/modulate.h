// Scrambling of one item-file line. Mode 0 scrambles plain text into one line of URL-safe base64
// (no comma, double quote, blank, tab, CR or LF); mode 1 undoes it. Each line is sealed with
// XChaCha20-Poly1305 under a key built into the program and a fresh random nonce, so identical
// rows scramble differently and any change to a line is detected.
//
// This keeps the file from being read at a glance or edited by hand. It does not protect against
// anyone who has the program: the key is inside it.
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <optional>

namespace dravesse {

enum ModulateMode : int { kScramble = 0, kUnscramble = 1 };

// A scrambled line must be shorter than this many bytes.
constexpr qsizetype kModulateBuffer = 1024;
// The longest plain text (in bytes) whose scrambled line still fits.
constexpr qsizetype kMaxPlainBytes = 727;

// Empty on failure: plain text too long to scramble, or a line that is not valid URL-safe base64,
// too long, or fails authentication. Never returns garbage.
std::optional<QByteArray> Modulate(QByteArrayView input, int mode);

// Starts libsodium once; ends the program when it has no working random source.
void EnsureSodium();

}  // namespace dravesse
