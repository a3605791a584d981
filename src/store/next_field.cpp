#include "store/next_field.h"

namespace dravesse {

qsizetype NextField(const QString& text, QString& field, qsizetype start) {
    const qsizetype from = std::max<qsizetype>(start - 1, 0);
    const qsizetype comma = from <= text.size() ? text.indexOf(u',', from) : -1;
    if (comma >= 0) {
        field = text.sliced(from, comma - from);
        return comma + 2;  // 1-based position just after the comma
    }
    field = from < text.size() ? text.sliced(from) : QString();
    return 0;
}

}  // namespace dravesse
