#include "search/CsvWriter.h"

#include "TestSupport.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace velmora::search;
using Rows = QList<AdRow>;

namespace {

// Takes the first `capacity` bytes, then fails every write like a full disk.
class FailingDevice final : public QIODevice {
public:
    explicit FailingDevice(qint64 capacity) : m_capacity(capacity) {}
    QByteArray data;

protected:
    qint64 readData(char*, qint64) override { return -1; }
    qint64 writeData(const char* bytes, qint64 size) override {
        const qint64 room = m_capacity - data.size();
        if (room <= 0) {
            setErrorString(QStringLiteral("No space left on device"));
            return -1;
        }
        const qint64 n = qMin(room, size);
        data.append(bytes, n);
        return n;
    }

private:
    qint64 m_capacity;
};

const QByteArray kHeader = "\"Ad Title\",\"Ad Text\",\"Ad URL\",\"Used Keyword\",\"Position\"\r\n";

const Rows kWorkedExampleRows{{"Red Shoes", " Best shoes", "ShoeShop", "shoes", "1"},
                              {"Blue Boots", "Warm & dry", "BootBarn", "shoes", "2"},
                              {"Green Hats", "Sun hats", "HatHut", "shoes", "3"}};

} // namespace

class TestCsvWriter : public QObject {
    Q_OBJECT

private slots:
    void writesCsv_data();
    void writesCsv();
    void csvLine_data();
    void csvLine();
    void writesToDevice();
    void reportsDeviceFailure_data();
    void reportsDeviceFailure();
    void refusesClosedDevice();
    void savesAndReplacesFile();
    void failedSaveLeavesNoFile();
    void failedSaveKeepsWhatWasThere();
};

void TestCsvWriter::writesCsv_data() {
    QTest::addColumn<Rows>("rows");
    QTest::addColumn<QByteArray>("expected");

    QTest::newRow("empty list: header only") << Rows{} << kHeader;
    QTest::newRow("worked example") << kWorkedExampleRows
                                    << kHeader +
                                           "\"Red Shoes\",\" Best shoes\",\"ShoeShop\",\"shoes\",\"1\"\r\n"
                                           "\"Blue Boots\",\"Warm & dry\",\"BootBarn\",\"shoes\",\"2\"\r\n"
                                           "\"Green Hats\",\"Sun hats\",\"HatHut\",\"shoes\",\"3\"\r\n";
    QTest::newRow("quote in a cell is doubled")
        << Rows{{"24\" monitor", "\"", "a\"\"b", "say \"hi\"", "1"}}
        << kHeader + "\"24\"\" monitor\",\"\"\"\",\"a\"\"\"\"b\",\"say \"\"hi\"\"\",\"1\"\r\n";
    QTest::newRow("comma stays inside its field")
        << Rows{{"a,b", ",", "", "k", "12"}} << kHeader + "\"a,b\",\",\",\"\",\"k\",\"12\"\r\n";
    QTest::newRow("bytes written unchanged")
        << Rows{{"caf\xe9", "\xc3\xa9\t", "<b>x</b>&amp;", "\x01", "7"}}
        << kHeader + "\"caf\xe9\",\"\xc3\xa9\t\",\"<b>x</b>&amp;\",\"\x01\",\"7\"\r\n";
    QTest::newRow("empty cells") << Rows{{"", "", "", "", ""}} << kHeader + "\"\",\"\",\"\",\"\",\"\"\r\n";
}

void TestCsvWriter::writesCsv() {
    QFETCH(Rows, rows);
    QFETCH(QByteArray, expected);
    QCOMPARE(ResultsCsv(rows), expected);
}

void TestCsvWriter::csvLine_data() {
    QTest::addColumn<QList<QByteArray>>("cells");
    QTest::addColumn<QByteArray>("expected");
    QTest::newRow("one cell") << QList<QByteArray>{"x"} << QByteArray("\"x\"\r\n");
    QTest::newRow("two cells") << QList<QByteArray>{"x", "y"} << QByteArray("\"x\",\"y\"\r\n");
    QTest::newRow("quote only") << QList<QByteArray>{"\"\"\""} << QByteArray("\"\"\"\"\"\"\"\"\r\n");
    QTest::newRow("line break inside a cell stays quoted")
        << QList<QByteArray>{"a\r\nb"} << QByteArray("\"a\r\nb\"\r\n");
}

void TestCsvWriter::csvLine() {
    QFETCH(QList<QByteArray>, cells);
    QFETCH(QByteArray, expected);
    QCOMPARE(CsvLine(cells), expected);
}

void TestCsvWriter::writesToDevice() {
    QBuffer buffer;
    QVERIFY(buffer.open(QIODevice::WriteOnly));
    QString error;
    QVERIFY(WriteResultsCsv(&buffer, kWorkedExampleRows, &error));
    QVERIFY(error.isEmpty());
    QCOMPARE(buffer.data(), ResultsCsv(kWorkedExampleRows));
}

void TestCsvWriter::reportsDeviceFailure_data() {
    QTest::addColumn<bool>("streaming"); // CsvRowWriter, line by line, instead of WriteResultsCsv
    QTest::addColumn<qint64>("capacity");
    const qint64 whole = ResultsCsv(kWorkedExampleRows).size();
    for (const bool streaming : {false, true}) {
        const char* writer = streaming ? "row writer: " : "whole file: ";
        QTest::addRow("%snothing fits", writer) << streaming << qint64(0);
        QTest::addRow("%sheader half written", writer) << streaming << qint64(20);
        QTest::addRow("%sfails on the last byte", writer) << streaming << whole - 1;
        QTest::addRow("%severything fits", writer) << streaming << whole;
    }
}

void TestCsvWriter::reportsDeviceFailure() {
    QFETCH(bool, streaming);
    QFETCH(qint64, capacity);
    FailingDevice device(capacity);
    QVERIFY(device.open(QIODevice::WriteOnly | QIODevice::Unbuffered));
    QString error;
    if (streaming) {
        CsvRowWriter writer(&device);
        writer.writeHeader();
        for (const AdRow& row : kWorkedExampleRows)
            writer.appendRow(row);
        error = writer.errorString();
        QCOMPARE(writer.failed(), capacity < ResultsCsv(kWorkedExampleRows).size());
    } else {
        QCOMPARE(WriteResultsCsv(&device, kWorkedExampleRows, &error),
                 capacity >= ResultsCsv(kWorkedExampleRows).size());
    }
    const QByteArray expected = kHeader + "\"Red Shoes\",\" Best shoes\",\"ShoeShop\",\"shoes\",\"1\"\r\n"
                                          "\"Blue Boots\",\"Warm & dry\",\"BootBarn\",\"shoes\",\"2\"\r\n"
                                          "\"Green Hats\",\"Sun hats\",\"HatHut\",\"shoes\",\"3\"\r\n";
    QCOMPARE(device.data, expected.first(qMin(capacity, expected.size())));
    if (capacity < expected.size())
        QCOMPARE(error, QStringLiteral("No space left on device"));
    else
        QVERIFY(error.isEmpty());
}

void TestCsvWriter::refusesClosedDevice() {
    QBuffer buffer;
    QString error;
    QVERIFY(!WriteResultsCsv(&buffer, kWorkedExampleRows, &error));
    QVERIFY(!error.isEmpty());
    QVERIFY(!WriteResultsCsv(nullptr, kWorkedExampleRows, &error));
}

void TestCsvWriter::savesAndReplacesFile() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("results.csv"));
    {
        QFile old(path);
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.write(QByteArray(10000, 'x')); // longer than the new content
    }
    QString error;
    QVERIFY2(SaveResultsCsvFile(path, kWorkedExampleRows, &error), qPrintable(error));
    QCOMPARE(velmora::testing::readFileOrMarker(path), ResultsCsv(kWorkedExampleRows));
    QVERIFY(SaveResultsCsvFile(path, {}, &error));
    QCOMPARE(velmora::testing::readFileOrMarker(path), kHeader);
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden),
             QStringList{QStringLiteral("results.csv")});
}

void TestCsvWriter::failedSaveLeavesNoFile() {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("missing/results.csv"));
    QString error;
    QVERIFY(!SaveResultsCsvFile(path, kWorkedExampleRows, &error));
    QVERIFY(!error.isEmpty());
    QVERIFY(!QFile::exists(path));
}

void TestCsvWriter::failedSaveKeepsWhatWasThere() {
    // The new file is complete but cannot take the place of what has that name (a folder
    // here): the save fails, and neither the folder nor a half-written file is left changed.
    QTemporaryDir dir;
    QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("results.csv")));
    const QString inner = dir.filePath(QStringLiteral("results.csv/keep.txt"));
    {
        QFile keep(inner);
        QVERIFY(keep.open(QIODevice::WriteOnly));
        keep.write("kept");
    }
    QString error;
    QVERIFY(!SaveResultsCsvFile(dir.filePath(QStringLiteral("results.csv")), kWorkedExampleRows, &error));
    QVERIFY(!error.isEmpty());
    QCOMPARE(velmora::testing::readFileOrMarker(inner), QByteArray("kept"));
    QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
             QStringList{QStringLiteral("results.csv")});
}

QTEST_GUILESS_MAIN(TestCsvWriter)
#include "tst_CsvWriter.moc"
