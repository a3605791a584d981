#pragma once

#include <QString>

namespace dravesse {

// Takes the comma-delimited field of `text` that starts at `start` (counting from 1) into
// `field`. Returns the position where the next field starts, or 0 when this field was the last.
qsizetype NextField(const QString& text, QString& field, qsizetype start);

}  // namespace dravesse
