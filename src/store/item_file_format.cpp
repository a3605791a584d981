#include "store/item_file_format.h"

#include <QStringDecoder>

#include "store/modulate.h"
#include "store/next_field.h"
#include "store/number_text.h"

namespace dravesse {
namespace {

constexpr QByteArrayView kBom("\xEF\xBB\xBF");

std::optional<QString> decodeStrict(QByteArrayView bytes) {
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = decoder(bytes);
    if (decoder.hasError() || text.contains(QChar(0))) return std::nullopt;
    return text;
}

// A header count: out of the 16-bit range it keeps its default; then it must lie in 1..max.
std::optional<int> headerCount(QStringView text, int max) {
    const int n = ToInt16HalfEven(ReadLeadingNumber(text)).value_or(max);
    if (n < 1 || n > max) return std::nullopt;
    return n;
}

// Splits the bytes into physical lines, each without its LF and a CR before it.
class LineReader {
  public:
    explicit LineReader(QByteArrayView bytes) : rest_(bytes) {}
    bool atEnd() const { return rest_.isEmpty(); }
    QByteArrayView next() {
        const qsizetype lf = rest_.indexOf('\n');
        QByteArrayView line = lf < 0 ? rest_ : rest_.first(lf);
        rest_ = lf < 0 ? QByteArrayView() : rest_.sliced(lf + 1);
        if (line.endsWith('\r')) line.chop(1);
        return line;
    }

  private:
    QByteArrayView rest_;
};

bool storable(const QString& text) {
    if (text.contains(u',') || text.contains(u'\r') || text.contains(u'\n') ||
        text.contains(QChar(0)))
        return false;
    return QString::fromUtf8(text.toUtf8()) == text;  // no lone surrogates
}

QString plainRow(const SaveInput& in, int r) {
    QString plain = in.table[r][0];
    for (int c = 1; c <= in.colCount; ++c) plain += u',' + in.table[r][c];
    plain += u',' + (r == 0 ? in.hintWord : in.table[r - 1][0]);
    return plain;
}

QString headerLine(const SaveInput& in) {
    QString header = QStringLiteral("%1x%2").arg(in.rowCount).arg(in.colCount);
    for (int c = 1; c <= in.colCount; ++c) header += u',' + in.titles[c];
    return header;
}

QString rowLabel(const SaveInput& in, int r) {
    return QStringLiteral("Row %1 (\"%2\")").arg(r + 1).arg(in.table[r][0]);
}

}  // namespace

std::optional<ItemFileContents> ParseItemFile(QByteArrayView bytes) {
    if (bytes.size() > kMaxFileBytes) return std::nullopt;
    if (bytes.startsWith(kBom)) bytes = bytes.sliced(kBom.size());
    LineReader lines(bytes);

    const QByteArrayView headerBytes = lines.next();
    if (headerBytes.size() > kMaxHeaderBytes) return std::nullopt;
    const std::optional<QString> header = decodeStrict(headerBytes);
    if (!header) return std::nullopt;

    QString counts;
    qsizetype pos = NextField(*header, counts, 1);
    const qsizetype x = counts.indexOf(u'x');
    if (x < 0) return std::nullopt;
    const auto rows = headerCount(counts, kMaxItemRows);
    const auto cols = headerCount(QStringView(counts).sliced(x + 1), kMaxValueCols);
    if (!rows || !cols) return std::nullopt;

    ItemFileContents file;
    file.rowCount = *rows;
    file.colCount = *cols;
    for (int i = 1; i <= file.colCount && pos != 0; ++i)
        pos = NextField(*header, file.titles[i], pos);

    int row = 0;
    while (row < kMaxItemRows && !lines.atEnd()) {
        QByteArrayView line = lines.next();
        while (line.startsWith(' ') || line.startsWith('\t')) line = line.sliced(1);
        const std::optional<QByteArray> plainBytes = Modulate(line, kUnscramble);
        if (!plainBytes) return std::nullopt;
        const std::optional<QString> plain = decodeStrict(*plainBytes);
        if (!plain) return std::nullopt;
        qsizetype at = 1;
        for (int f = 0; f <= file.colCount + 1 && at != 0; ++f)
            at = NextField(*plain, file.table[row][f], at);
        ++row;
    }
    if (row == 0) return std::nullopt;
    file.linesRead = row;
    return file;
}

bool LinksMatch(const Table& table, int rowCount, int colCount) {
    for (int i = 1; i < rowCount; ++i)
        if (table[i][colCount + 1] != table[i - 1][0]) return false;
    return true;
}

bool IsSoundTable(QByteArrayView bytes) {
    const std::optional<ItemFileContents> file = ParseItemFile(bytes);
    return file && file->linesRead >= file->rowCount &&
           LinksMatch(file->table, file->rowCount, file->colCount);
}

std::optional<QString> CheckForSave(const SaveInput& in) {
    if (in.rowCount < 1 || in.rowCount > kMaxItemRows)
        return QStringLiteral("The table has %1 rows; Tamblet.csv holds 1 to %2.")
            .arg(in.rowCount)
            .arg(kMaxItemRows);
    if (in.colCount < 1 || in.colCount > kMaxValueCols)
        return QStringLiteral("The table has %1 columns; Tamblet.csv holds 1 to %2.")
            .arg(in.colCount)
            .arg(kMaxValueCols);
    const QString cannotStore =
        QStringLiteral("holds a comma, a line break or a character that Tamblet.csv cannot store.");
    for (int c = 1; c <= in.colCount; ++c)
        if (!storable(in.titles[c]))
            return QStringLiteral("Column title %1 %2").arg(c).arg(cannotStore);
    if (headerLine(in).toUtf8().size() > kMaxHeaderBytes)
        return QStringLiteral("The column titles are too long to be saved.");
    if (!storable(in.hintWord)) return QStringLiteral("The password hint word %1").arg(cannotStore);
    for (int r = 0; r < in.rowCount; ++r) {
        for (int c = 0; c <= in.colCount; ++c)
            if (!storable(in.table[r][c])) return rowLabel(in, r) + u' ' + cannotStore;
        if (plainRow(in, r).toUtf8().size() > kMaxPlainBytes)
            return QStringLiteral("%1 is too long to be saved: a row holds at most %2 bytes.")
                .arg(rowLabel(in, r))
                .arg(kMaxPlainBytes);
    }
    return std::nullopt;
}

QByteArray FormatItemFile(const SaveInput& in) {
    QByteArray bytes = headerLine(in).toUtf8() + "\r\n";
    for (int r = 0; r < in.rowCount; ++r) {
        const std::optional<QByteArray> line = Modulate(plainRow(in, r).toUtf8(), kScramble);
        if (!line) return {};
        bytes += *line + "\r\n";
    }
    return bytes;
}

}  // namespace dravesse
