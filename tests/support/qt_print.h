// Lets test failures print texts and shown messages readably instead of as raw bytes.
#pragma once

#include <QString>
#include <ostream>

#include "app/msg_box.h"

inline void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}

namespace dravesse {
inline void PrintTo(const ShownMessage& m, std::ostream* out) {
    *out << "{\"" << m.prompt.toStdString() << "\", " << m.style << ", \"" << m.title.toStdString()
         << "\"}";
}
}  // namespace dravesse
