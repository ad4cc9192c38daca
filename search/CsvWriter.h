#pragma once

#include "search/AdRow.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>

class QIODevice;

namespace velmora::search {

// Captions of the results list's columns, in column order (AdColumns); the CSV header repeats them.
QList<QByteArray> ResultColumnCaptions();

// One line of the CSV file: every cell enclosed in double quotes, cells separated by
// commas, the line ended by CR LF. Cell bytes are written unchanged, except that a double
// quote inside a cell is doubled (RFC 4180), so that a quote in a title does not end its
// field early for a reader.
QByteArray CsvLine(const QList<QByteArray>& cells);

// The whole CSV file for the results: the header line with the given captions, then one
// line per row in order, its cells in the order of AdColumns.
QByteArray ResultsCsv(const QList<AdRow>& rows, const QList<QByteArray>& captions = ResultColumnCaptions());

// Writes ResultsCsv to an open device. False, with a reason in *errorMessage when given,
// when the device does not take every byte.
bool WriteResultsCsv(QIODevice* device, const QList<AdRow>& rows, QString* errorMessage = nullptr,
                     const QList<QByteArray>& captions = ResultColumnCaptions());

// Writes the CSV file, creating it or replacing it as a whole: the old file stays as it was
// unless the new one was written completely. False, with a reason, on any failure.
bool SaveResultsCsvFile(const QString& fileName, const QList<AdRow>& rows, QString* errorMessage = nullptr,
                        const QList<QByteArray>& captions = ResultColumnCaptions());

// Writes each row as its CSV line the moment it comes, so that neither the rows nor the CSV
// text pile up in memory, however many there are. After the first failed write the rest is
// dropped and failed() says so.
class CsvRowWriter final : public AdRowSink {
public:
    explicit CsvRowWriter(QIODevice* device) : m_device(device) {}

    // The header line of the captions.
    void writeHeader();
    void appendRow(const AdRow& row) override;

    bool failed() const { return m_failed; }
    // Why the device refused, as it says; empty when it said nothing.
    const QString& errorString() const { return m_errorString; }

private:
    void write(const QByteArray& line);

    QIODevice* m_device;
    bool m_failed = false;
    QString m_errorString;
};

} // namespace velmora::search
