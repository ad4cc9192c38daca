// The reseller's skin file: what counts as a readable gzip style sheet, and the size bound.

#include "brand/SkinFile.h"
#include "util/FileEncryption.h"

#include "BrandedFolder.h"
#include "TestSupport.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

using namespace velmora::app;
using velmora::testing::Gzip;

namespace {

const QByteArray Sheet("QPushButton { color: #123456; } /* { */ QLabel[text=\"}\"] { }\n");

} // namespace

class TestSkinFile : public QObject {
    Q_OBJECT

private slots:
    void decode_data() {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QString>("sheet"); // null: refused
        const QString none;
        const QByteArray packed = Gzip(Sheet);
        QTest::newRow("gzip style sheet") << packed << QString::fromUtf8(Sheet);
        QTest::newRow("two gzip files one after the other")
            << packed + Gzip("QLabel { }") << QString::fromUtf8(Sheet + "QLabel { }");
        QTest::newRow("UTF-8 text") << Gzip("QLabel { font-family: \"Caf\xc3\xa9\"; }")
                                    << QStringLiteral("QLabel { font-family: \"Caf\u00e9\"; }");
        QByteArray atLimit(MaxSkinSize, ' ');
        atLimit.replace(0, 10, "QLabel { }");
        QTest::newRow("exactly the largest size") << Gzip(atLimit) << QString::fromLatin1(atLimit);
        QTest::newRow("one byte more") << Gzip(atLimit + ' ') << none;
        QTest::newRow("Qt's own compression") << qCompress(Sheet) << none;
        QTest::newRow("plain style sheet") << Sheet << none;
        QTest::newRow("truncated") << packed.left(packed.size() - 5) << none;
        QTest::newRow("bytes after the end") << packed + "junk" << none;
        QTest::newRow("checksum damaged") << [&] {
            QByteArray b = packed;
            b[b.size() - 6] = char(b[b.size() - 6] ^ 1);
            return b;
        }() << none;
        QTest::newRow("empty file") << QByteArray() << none;
        QTest::newRow("blank style sheet") << Gzip(" \r\n\t") << none;
        QTest::newRow("NUL byte") << Gzip(QByteArray("QLabel { }\0", 11)) << none;
        QTest::newRow("not UTF-8") << Gzip("QLabel { font-family: Caf\xe9; }") << none;
        QTest::newRow("block left open") << Gzip("QLabel { color: red;") << none;
        QTest::newRow("block closed twice") << Gzip("QLabel { } }") << none;
        QTest::newRow("comment left open") << Gzip("QLabel { } /* x") << none;
        QTest::newRow("string left open") << Gzip("QLabel[text=\"a] { }") << none;
        QTest::newRow("escaped quote inside a string")
            << Gzip("QLabel[text=\"a\\\"}\"] { }") << QStringLiteral("QLabel[text=\"a\\\"}\"] { }");
    }

    void decode() {
        QFETCH(QByteArray, file);
        QFETCH(QString, sheet);
        QString problem;
        const std::optional<QString> decoded = DecodeSkin(file, &problem);
        QCOMPARE(decoded.has_value(), !sheet.isNull());
        QCOMPARE(problem.isEmpty(), decoded.has_value());
        if (decoded)
            QCOMPARE(*decoded, sheet);
    }

    void compressedFileLargerThanTheBound() {
        QByteArray big = Gzip(Sheet);
        big.append(QByteArray(MaxSkinSize, '\0'));
        QString problem;
        QVERIFY(!DecodeSkin(big, &problem));
        QVERIFY2(problem.contains(QStringLiteral("larger")), qPrintable(problem));
    }

    void files() {
        QTemporaryDir dir;
        const QString path = QDir(dir.path()).filePath(QLatin1StringView(SkinFileName));
        QVERIFY(!ReadSkinFile(path));
        velmora::testing::writeFileForTest(path, Gzip(Sheet));
        QCOMPARE(ReadSkinFile(path).value_or(QString()), QString::fromUtf8(Sheet));
        QVERIFY(QFile::remove(path));
        QVERIFY(QDir(dir.path()).mkdir(QLatin1StringView(SkinFileName)));
        QVERIFY_THROWS_EXCEPTION(velmora::util::FileOpenError, ReadSkinFile(path));
    }
};

QTEST_GUILESS_MAIN(TestSkinFile)
#include "tst_SkinFile.moc"
