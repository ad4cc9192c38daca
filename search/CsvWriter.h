#pragma once

#include "search/AdRow.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>

class QIODevice;

namespace velmora::search {

// Captions of the results list's columns, in column order; the CSV header repeats them.
QList<QByteArray> ResultColumnCaptions();

// One line of the CSV file: every cell enclosed in double quotes, cells separated by
// commas, the line ended by CR LF. Cell bytes are written unchanged, except that a double
// quote inside a cell is doubled (RFC 4180), so that a quote in a title does not end its
// field early for a reader.
QByteArray CsvLine(const QList<QByteArray>& cells);

// The whole CSV file for the results: the header line with the given captions, then one
// line per row in order (Ad Title, Ad Text, Ad URL, Used Keyword, Position).
QByteArray ResultsCsv(const QList<AdRow>& rows, const QList<QByteArray>& captions = ResultColumnCaptions());

// Writes ResultsCsv to an open device. False, with a reason in *errorMessage when given,
// when the device does not take every byte.
bool WriteResultsCsv(QIODevice* device, const QList<AdRow>& rows, QString* errorMessage = nullptr,
                     const QList<QByteArray>& captions = ResultColumnCaptions());

// Writes the CSV file, creating it or replacing it as a whole: the old file stays as it was
// unless the new one was written completely. False, with a reason, on any failure.
bool SaveResultsCsvFile(const QString& fileName, const QList<AdRow>& rows, QString* errorMessage = nullptr,
                        const QList<QByteArray>& captions = ResultColumnCaptions());

} // namespace velmora::search
