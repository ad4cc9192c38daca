#include "search/CsvWriter.h"

#include "util/AtomicSave.h"

#include <QIODevice>
#include <QSaveFile>

namespace velmora::search {
namespace {

constexpr QByteArrayView LineEnd = "\r\n";

void appendQuotedCell(QByteArray& line, QByteArrayView cell) {
    line.append('"');
    // RFC 4180, section 2.7: a quote inside a quoted field is written twice.
    qsizetype from = 0;
    for (qsizetype quote = cell.indexOf('"'); quote >= 0; quote = cell.indexOf('"', from)) {
        line.append(cell.sliced(from, quote + 1 - from));
        line.append('"');
        from = quote + 1;
    }
    line.append(cell.sliced(from));
    line.append('"');
}

void appendRowLine(QByteArray& out, const AdRow& row) {
    bool first = true;
    for (const AdColumn& column : AdColumns) {
        if (!first)
            out.append(',');
        first = false;
        appendQuotedCell(out, row.*column.cell);
    }
    out.append(LineEnd);
}

// Writes all of bytes; false, with the device's reason (empty when it gives none), when it
// does not take every byte.
bool writeAll(QIODevice* device, QByteArrayView bytes, QString& reason) {
    for (qsizetype written = 0; written < bytes.size();) {
        const qint64 n = device->write(bytes.constData() + written, bytes.size() - written);
        if (n <= 0) {
            reason = device->errorString();
            return false;
        }
        written += n;
    }
    return true;
}

void setError(QString* errorMessage, const QString& text) {
    if (errorMessage)
        *errorMessage = text;
}

} // namespace

QList<QByteArray> ResultColumnCaptions() {
    return AdColumnCaptions();
}

QByteArray CsvLine(const QList<QByteArray>& cells) {
    QByteArray line;
    for (qsizetype i = 0; i < cells.size(); ++i) {
        if (i > 0)
            line.append(',');
        appendQuotedCell(line, cells[i]);
    }
    line.append(LineEnd);
    return line;
}

QByteArray ResultsCsv(const QList<AdRow>& rows, const QList<QByteArray>& captions) {
    QByteArray out = CsvLine(captions);
    for (const AdRow& row : rows)
        appendRowLine(out, row);
    return out;
}

bool WriteResultsCsv(QIODevice* device, const QList<AdRow>& rows, QString* errorMessage,
                     const QList<QByteArray>& captions) {
    // Build every line first: nothing reaches the device unless the whole text exists.
    const QByteArray csv = ResultsCsv(rows, captions);
    if (!device || !device->isWritable()) {
        setError(errorMessage, QStringLiteral("The output is not open for writing."));
        return false;
    }
    if (QString reason; !writeAll(device, csv, reason)) {
        setError(errorMessage,
                 reason.isEmpty() ? QStringLiteral("Not all of the data could be written.") : reason);
        return false;
    }
    return true;
}

bool SaveResultsCsvFile(const QString& fileName, const QList<AdRow>& rows, QString* errorMessage,
                        const QList<QByteArray>& captions) {
    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly)) {
        setError(errorMessage, file.errorString());
        return false;
    }
    if (!WriteResultsCsv(&file, rows, errorMessage, captions)) {
        file.cancelWriting();
        return false;
    }
    return util::CommitSave(file, errorMessage);
}

void CsvRowWriter::writeHeader() {
    write(CsvLine(AdColumnCaptions()));
}

void CsvRowWriter::appendRow(const AdRow& row) {
    QByteArray line;
    appendRowLine(line, row);
    write(line);
}

void CsvRowWriter::write(const QByteArray& line) {
    if (!m_failed)
        m_failed = !writeAll(m_device, line, m_errorString);
}

} // namespace velmora::search
