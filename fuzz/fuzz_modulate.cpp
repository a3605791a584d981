// Unscrambling arbitrary lines must fail cleanly; scrambling arbitrary text must round-trip.
#include <cstdint>
#include <cstdlib>

#include "store/modulate.h"

using namespace dravesse;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArrayView input(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    if (auto plain = Modulate(input, kUnscramble)) {
        if (plain->size() > kMaxPlainBytes) std::abort();
    }
    const std::optional<QByteArray> line = Modulate(input, kScramble);
    if (input.size() <= kMaxPlainBytes) {
        if (!line || line->size() >= kModulateBuffer) std::abort();
        for (char ch : *line)
            if (ch == ',' || ch == '"' || ch == ' ' || ch == '\t' || ch == '\r' || ch == '\n')
                std::abort();
        const std::optional<QByteArray> back = Modulate(*line, kUnscramble);
        if (!back || *back != input) std::abort();
    } else if (line) {
        std::abort();
    }
    return 0;
}
