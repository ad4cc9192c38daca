// The page-text rules and the CSV line over arbitrary bytes. The page text must have no NUL,
// no CR or LF outside CR LF pairs, end with CR LF unless empty, and hold the body's other
// bytes in order. A CSV line must read back, by RFC 4180, into exactly the cells written.

#include "search/CsvWriter.h"
#include "search/PageText.h"

#include <QByteArray>
#include <QList>

#include <cstdint>
#include <cstdlib>

namespace {

void checkPageText(const QByteArray& body) {
    const QByteArray text = velmora::search::PageTextFromBytes(body);
    if (text.contains('\0'))
        std::abort();
    if (!text.isEmpty() && !text.endsWith("\r\n"))
        std::abort();
    QByteArray others;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == '\r') {
            if (i + 1 >= text.size() || text[i + 1] != '\n')
                std::abort();
            ++i;
        } else if (text[i] == '\n') {
            std::abort();
        } else {
            others.append(text[i]);
        }
    }
    QByteArray expected = body.left(body.indexOf('\0') >= 0 ? body.indexOf('\0') : body.size());
    expected.replace('\r', QByteArray()).replace('\n', QByteArray());
    if (others != expected)
        std::abort();
}

// Reads one line as RFC 4180 quoted fields; false when it is not one.
bool parseCsvLine(const QByteArray& line, QList<QByteArray>& cells) {
    if (!line.endsWith("\r\n"))
        return false;
    const qsizetype end = line.size() - 2;
    qsizetype i = 0;
    while (i < end) {
        if (line[i] != '"')
            return false;
        ++i;
        QByteArray cell;
        for (;;) {
            if (i >= end)
                return false;
            if (line[i] == '"') {
                if (i + 1 < end && line[i + 1] == '"') {
                    cell.append('"');
                    i += 2;
                    continue;
                }
                ++i;
                break;
            }
            cell.append(line[i++]);
        }
        cells.append(cell);
        if (i < end) {
            if (line[i] != ',')
                return false;
            ++i;
            if (i == end)
                return false;
        }
    }
    return true;
}

void checkCsvLine(const QByteArray& input) {
    // Cells separated by byte 0x1f in the input, so the fuzzer controls the cell count.
    const QList<QByteArray> cells = input.split('\x1f');
    QList<QByteArray> parsed;
    if (!parseCsvLine(velmora::search::CsvLine(cells), parsed) || parsed != cells)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray input(reinterpret_cast<const char*>(data), qsizetype(size));
    checkPageText(input);
    checkCsvLine(input);
    return 0;
}
