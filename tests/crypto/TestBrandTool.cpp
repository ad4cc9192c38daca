// The reseller's tool, run as a program: its verbs, exit codes and messages, and that a failed
// decryption writes no output.

#include "crypto/AesLib.h"
#include "util/FileEncryption.h"

#include "TestSupport.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

namespace {

struct Run {
    int exitCode;
    QByteArray out;
    QByteArray err;
};

Run Tool(const QStringList& arguments) {
    QProcess process;
    process.start(QStringLiteral(VELMORA_BRAND_TOOL), arguments);
    if (!process.waitForFinished(60000))
        return {-1, {}, "did not finish"};
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -2,
            process.readAllStandardOutput(), process.readAllStandardError()};
}

// Another ten-byte password with a fixed salt, so the verifier is known to differ.
QByteArray StreamWithOtherPassword() {
    const QByteArray password("0123456789");
    const QByteArray salt("saltsalt");
    QByteArray text("<BranderName>Someone Else</BranderName>\r\n");
    velmora::crypto::TCryptContext context;
    std::uint8_t verifier[2];
    velmora::crypto::CryptInit(1, reinterpret_cast<const std::uint8_t*>(password.constData()), 10,
                               reinterpret_cast<const std::uint8_t*>(salt.constData()), verifier, context);
    velmora::crypto::CryptEncrypt(reinterpret_cast<std::uint8_t*>(text.data()), std::size_t(text.size()),
                                  context);
    std::uint8_t mac[10];
    velmora::crypto::CryptEnd(mac, context);
    return salt + QByteArray(reinterpret_cast<const char*>(verifier), 2) + text +
           QByteArray(reinterpret_cast<const char*>(mac), 10);
}

const QByteArray
    SettingsText("<BranderName>Example Reseller</BranderName>\r\n<LastNewsId>17</LastNewsId>\r\n");

} // namespace

class TestBrandTool : public QObject {
    Q_OBJECT

private:
    QTemporaryDir dir_;
    QString path(const char* name) const { return dir_.filePath(QString::fromLatin1(name)); }

private slots:
    void initTestCase() {
        QVERIFY(dir_.isValid());
        velmora::testing::writeFileForTest(path("plain.txt"), SettingsText);
    }

    void help() {
        const Run run = Tool({QStringLiteral("--help")});
        QCOMPARE(run.exitCode, 0);
        QVERIFY(run.out.contains("encrypt PLAIN OUT"));
        QVERIFY(run.out.contains("check ENCRYPTED"));
    }

    void usageErrors_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::newRow("nothing") << QStringList{};
        QTest::newRow("unknown verb") << QStringList{QStringLiteral("sign"), QStringLiteral("x")};
        QTest::newRow("encrypt, one file") << QStringList{QStringLiteral("encrypt"), QStringLiteral("x")};
        QTest::newRow("check, two files")
            << QStringList{QStringLiteral("check"), QStringLiteral("x"), QStringLiteral("y")};
    }

    void usageErrors() {
        QFETCH(QStringList, arguments);
        const Run run = Tool(arguments);
        QCOMPARE(run.exitCode, 2);
        QVERIFY(run.err.startsWith("velmora-brand: "));
    }

    void encryptCheckDecrypt() {
        const Run encrypt = Tool({QStringLiteral("encrypt"), path("plain.txt"), path("dbsettings.dat")});
        QCOMPARE(encrypt.exitCode, 0);
        QCOMPARE(QFileInfo(path("dbsettings.dat")).size(), SettingsText.size() + 20);

        const Run check = Tool({QStringLiteral("check"), path("dbsettings.dat")});
        QCOMPARE(check.exitCode, 0);
        QVERIFY(check.out.contains("intact"));

        const Run decrypt = Tool({QStringLiteral("decrypt"), path("dbsettings.dat"), path("back.txt")});
        QCOMPARE(decrypt.exitCode, 0);
        QCOMPARE(velmora::testing::readFileOrMarker(path("back.txt")), SettingsText);

        // What the program's own routine reads is what the tool wrote.
        QVERIFY(velmora::util::DecryptFileToFile(path("dbsettings.dat"), path("program.sim")));
        QCOMPARE(velmora::testing::readFileOrMarker(path("program.sim")), SettingsText);
    }

    // Each damaged file fails check and decrypt alike, with one line naming the failure, and
    // decrypt neither creates nor touches its output.
    void refusedFiles_data() {
        QTest::addColumn<QByteArray>("contents");
        QTest::addColumn<QByteArray>("reason");
        velmora::util::EncryptFileToFile(path("plain.txt"), path("good.dat"));
        const QByteArray good = velmora::testing::readFileOrMarker(path("good.dat"));

        QByteArray verifierFlipped = good;
        verifierFlipped[8] = static_cast<char>(verifierFlipped[8] ^ 0xFF);
        QByteArray flipped = good;
        flipped[20] = static_cast<char>(flipped[20] ^ 0x01);
        QTest::newRow("other password") << StreamWithOtherPassword() << QByteArray("password check");
        QTest::newRow("verifier damaged") << verifierFlipped << QByteArray("password check");
        QTest::newRow("text damaged") << flipped << QByteArray("authentication check");
        QTest::newRow("truncated") << good.left(good.size() - 3) << QByteArray("authentication check");
        QTest::newRow("too short") << good.left(12) << QByteArray("too short");
        QTest::newRow("empty") << QByteArray() << QByteArray("too short");
    }

    void refusedFiles() {
        QFETCH(QByteArray, contents);
        QFETCH(QByteArray, reason);
        velmora::testing::writeFileForTest(path("bad.dat"), contents);
        QFile::remove(path("bad.txt"));

        const Run check = Tool({QStringLiteral("check"), path("bad.dat")});
        QCOMPARE(check.exitCode, 1);
        QVERIFY2(check.err.contains(reason), check.err.constData());
        QCOMPARE(check.err.count('\n'), 1);

        const Run decrypt = Tool({QStringLiteral("decrypt"), path("bad.dat"), path("bad.txt")});
        QCOMPARE(decrypt.exitCode, 1);
        QVERIFY(decrypt.err.contains(reason));
        QVERIFY(!QFile::exists(path("bad.txt")));

        velmora::testing::writeFileForTest(path("bad.txt"), "kept");
        QCOMPARE(Tool({QStringLiteral("decrypt"), path("bad.dat"), path("bad.txt")}).exitCode, 1);
        QCOMPARE(velmora::testing::readFileOrMarker(path("bad.txt")), QByteArray("kept"));
    }

    void missingFiles_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::newRow("check") << QStringList{QStringLiteral("check"), QStringLiteral("/nonexistent/x.dat")};
        QTest::newRow("decrypt") << QStringList{QStringLiteral("decrypt"),
                                                QStringLiteral("/nonexistent/x.dat"),
                                                QStringLiteral("/nonexistent/y")};
        QTest::newRow("encrypt") << QStringList{QStringLiteral("encrypt"), QStringLiteral("/nonexistent/x"),
                                                QStringLiteral("/nonexistent/y.dat")};
    }

    void missingFiles() {
        QFETCH(QStringList, arguments);
        const Run run = Tool(arguments);
        QCOMPARE(run.exitCode, 3);
        QVERIFY2(run.err.startsWith("velmora-brand: Cannot open file \"/nonexistent/x"), run.err.constData());
    }
};

QTEST_GUILESS_MAIN(TestBrandTool)
#include "TestBrandTool.moc"
