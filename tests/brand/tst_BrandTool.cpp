// The reseller's tool, run as a program: its verbs, exit codes and messages, and that a failed
// decryption writes no output.

#include "brand/SettingsFile.h"
#include "crypto/AesLib.h"
#include "util/FileEncryption.h"

#include "FullDisk.h"
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

// stdoutFile: where standard output goes instead of being read back.
Run Tool(const QStringList& arguments, const QString& stdoutFile = {}) {
    QProcess process;
    if (!stdoutFile.isEmpty())
        process.setStandardOutputFile(stdoutFile);
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

// A brand that lints clean when "banner1.dat" stands beside it.
const QByteArray BrandText("<%%ApplicationName%%>Acme<%%/ApplicationName%%>\r\n"
                           "<%%BranderType%%>Master<%%/BranderType%%>\r\n"
                           "<%%AffiliateURL%%>http://a/?id=%%AFFILIATEID%%<%%/AffiliateURL%%>\r\n"
                           "<%%AffiliateID%%>77<%%/AffiliateID%%>\r\n"
                           "<%%MasterNewsBaseURL%%>http://news/<%%/MasterNewsBaseURL%%>\r\n"
                           "<%%MasterPublID%%>pub<%%/MasterPublID%%>\r\n"
                           "<%%Banner1%%>ad.gif^http://banner<%%/Banner1%%>\r\n"
                           "<%%Link1%%>One^http://one<%%/Link1%%>\r\n"
                           "<%%Link2%%>Two^http://two<%%/Link2%%>\r\n");

// A picture the program shows as the banner of BrandText.
QByteArray Gif() {
    return velmora::testing::readTestData(QStringLiteral("brand/banner-10x10.gif"));
}

// A 1 x 1 icon of one 32-bit bitmap, written out by hand: this test links no picture writer.
QByteArray Icon() {
    // Icon header with one image of 1 x 1, 32 bits, 48 bytes from offset 22; the bitmap header
    // (twice the height); the pixel; the mask row. Pairs of value and size in bytes.
    const quint32 fields[] = {0,  2, 1,  2, 1, 2, 1, 1, 1, 1, 0,  2, 1, 2,  32,         2, 48, 4,
                              22, 4, 40, 4, 1, 4, 2, 4, 1, 2, 32, 2, 0, 24, 0xff2060c0, 4, 0,  4};
    QByteArray bytes;
    for (std::size_t f = 0; f < std::size(fields); f += 2)
        for (quint32 i = 0; i < fields[f + 1]; ++i)
            bytes.append(char(i < 4 ? (fields[f] >> (8 * i)) & 0xff : 0));
    return bytes;
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
        QVERIFY(run.out.contains("lint PLAIN [--dir DIR]"));
        QVERIFY(run.out.contains("gzip -9 -c skin.qss > mainskin.dat"));
    }

    void usageErrors_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::newRow("nothing") << QStringList{};
        QTest::newRow("unknown verb") << QStringList{QStringLiteral("sign"), QStringLiteral("x")};
        QTest::newRow("encrypt, one file") << QStringList{QStringLiteral("encrypt"), QStringLiteral("x")};
        QTest::newRow("check, two files")
            << QStringList{QStringLiteral("check"), QStringLiteral("x"), QStringLiteral("y")};
        QTest::newRow("lint, no file") << QStringList{QStringLiteral("lint")};
        QTest::newRow("--dir without a folder")
            << QStringList{QStringLiteral("lint"), QStringLiteral("x"), QStringLiteral("--dir")};
        QTest::newRow("--dir where it has no meaning") << QStringList{
            QStringLiteral("check"), QStringLiteral("x"), QStringLiteral("--dir"), QStringLiteral("d")};
        QTest::newRow("--force for lint")
            << QStringList{QStringLiteral("lint"), QStringLiteral("x"), QStringLiteral("--force")};
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
        QVERIFY(check.out.contains("is intact: 74 bytes of settings text as stored, in a file of 94 bytes"));

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
        // The reasons the window's status bar gives too.
        const QByteArray password = "the password check failed (the file was made with another password, or "
                                    "its first bytes are damaged)";
        const QByteArray damaged = "the authentication check failed (the file is damaged or truncated)";
        QTest::newRow("other password") << StreamWithOtherPassword() << password;
        QTest::newRow("verifier damaged") << verifierFlipped << password;
        QTest::newRow("text damaged") << flipped << damaged;
        QTest::newRow("truncated") << good.left(good.size() - 3) << damaged;
        QTest::newRow("too short") << good.left(12)
                                   << QByteArray("the file is truncated (12 bytes, at least 20 needed)");
        QTest::newRow("empty") << QByteArray() << QByteArray("the file is empty");
    }

    void refusedFiles() {
        QFETCH(QByteArray, contents);
        QFETCH(QByteArray, reason);
        velmora::testing::writeFileForTest(path("bad.dat"), contents);
        QFile::remove(path("bad.txt"));

        const Run check = Tool({QStringLiteral("check"), path("bad.dat")});
        QCOMPARE(check.exitCode, 1);
        QCOMPARE(check.err, "velmora-brand: \"" + QFile::encodeName(path("bad.dat")) +
                                "\" could not be read: " + reason + "\n");

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
        QTest::newRow("lint") << QStringList{QStringLiteral("lint"), QStringLiteral("/nonexistent/x")};
        QTest::newRow("pack") << QStringList{QStringLiteral("pack"), QStringLiteral("/nonexistent/x"),
                                             QStringLiteral("/nonexistent/y.dat")};
        QTest::newRow("show") << QStringList{QStringLiteral("show"), QStringLiteral("/nonexistent/x.dat")};
    }

    void missingFiles() {
        QFETCH(QStringList, arguments);
        const Run run = Tool(arguments);
        QCOMPARE(run.exitCode, 3);
        QVERIFY2(run.err.startsWith("velmora-brand: Cannot open file \"/nonexistent/x"), run.err.constData());
    }

    // lint and pack on the same texts: the exit status, the findings' place, and whether the
    // packed file exists and reads back as the program reads it.
    void lintAndPack_data() {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<bool>("bannerBeside"); // else only in the folder given with --dir
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QByteArray>("finding");
        QTest::addColumn<bool>("packed");
        const QStringList none;
        const QStringList force{QStringLiteral("--force")};
        QByteArray oneField = BrandText;
        oneField.replace("ad.gif^http://banner", "ad.gif");
        QTest::newRow("clean") << BrandText << true << none << 0 << QByteArray() << true;
        QTest::newRow("banner file in --dir") << BrandText << false << none << 0 << QByteArray() << true;
        QTest::newRow("error refuses")
            << oneField << true << none << 1
            << QByteArray("plain.txt:7: error: Banner1: List index out of bounds (1)") << false;
        QTest::newRow("error, forced")
            << oneField << true << force << 1 << QByteArray("error: Banner1") << true;
        QTest::newRow("warning packs")
            << BrandText + "<%%Colour%%>red<%%/Colour%%>" << true << none << 1
            << QByteArray("plain.txt:10: warning: unknown tag <%%Colour%%>") << true;
    }

    void lintAndPack() {
        QFETCH(QByteArray, text);
        QFETCH(bool, bannerBeside);
        QFETCH(QStringList, options);
        QFETCH(int, exitCode);
        QFETCH(QByteArray, finding);
        QFETCH(bool, packed);
        QTemporaryDir brand;
        QTemporaryDir other;
        velmora::testing::writeFileForTest(brand.filePath(QStringLiteral("plain.txt")), text);
        velmora::testing::writeFileForTest(
            (bannerBeside ? brand : other).filePath(QStringLiteral("banner1.dat")), Gif());
        const QStringList dir =
            bannerBeside ? QStringList{} : QStringList{QStringLiteral("--dir"), other.path()};
        const QString plain = brand.filePath(QStringLiteral("plain.txt"));
        const QString out = brand.filePath(QStringLiteral("dbsettings.dat"));

        const Run lint = Tool(QStringList{QStringLiteral("lint"), plain} + dir);
        QCOMPARE(lint.exitCode, exitCode);
        QVERIFY2(finding.isEmpty() ? !lint.out.contains(": error:") && !lint.out.contains(": warning:")
                                   : lint.out.contains(finding),
                 lint.out.constData());

        const Run pack = Tool(QStringList{QStringLiteral("pack"), plain, out} + dir + options);
        QCOMPARE(pack.exitCode, exitCode);
        QCOMPARE(QFile::exists(out), packed);
        if (packed) {
            const velmora::app::SettingsText read = velmora::app::ReadSettingsText(out);
            QCOMPARE(read.state, velmora::app::SettingsState::Read);
            QVERIFY(read.text.startsWith("<%%ApplicationName%%>Acme"));
        }
    }

    void lintWarnsOfAnUnreadableSkin() {
        QTemporaryDir brand;
        velmora::testing::writeFileForTest(brand.filePath(QStringLiteral("plain.txt")), BrandText);
        velmora::testing::writeFileForTest(brand.filePath(QStringLiteral("banner1.dat")), Gif());
        velmora::testing::writeFileForTest(brand.filePath(QStringLiteral("mainskin.dat")), "QLabel { }");
        const Run lint = Tool({QStringLiteral("lint"), brand.filePath(QStringLiteral("plain.txt"))});
        QCOMPARE(lint.exitCode, 1);
        QVERIFY2(lint.out.contains("holds no readable skin"), lint.out.constData());
    }

    // A banner or icon file that the program reports at start is an error of lint too.
    void lintReadsTheBrandPictures_data() {
        QTest::addColumn<QByteArray>("banner"); // banner1.dat
        QTest::addColumn<QByteArray>("icon");   // main.ico; empty: none
        QTest::addColumn<QByteArrayList>("errors");
        QTest::newRow("banner and icon that read") << Gif() << Icon() << QByteArrayList{};
        QTest::newRow("banner that is not a picture")
            << QByteArray("GIF89a") << QByteArray()
            << QByteArrayList{"plain.txt:7: error: Banner1: The banner picture file", "readable GIF picture"};
        QTest::newRow("icon that is not an icon")
            << Gif() << QByteArray("not an icon") << QByteArrayList{"error: The icon file", "main.ico"};
        QTest::newRow("icon cut short") << Gif() << Icon().left(30) << QByteArrayList{"readable icon"};
    }

    void lintReadsTheBrandPictures() {
        QFETCH(QByteArray, banner);
        QFETCH(QByteArray, icon);
        QFETCH(QByteArrayList, errors);
        QTemporaryDir brand;
        velmora::testing::writeFileForTest(brand.filePath(QStringLiteral("plain.txt")), BrandText);
        velmora::testing::writeFileForTest(brand.filePath(QStringLiteral("banner1.dat")), banner);
        if (!icon.isEmpty())
            velmora::testing::writeFileForTest(brand.filePath(QStringLiteral("main.ico")), icon);
        const Run lint = Tool({QStringLiteral("lint"), brand.filePath(QStringLiteral("plain.txt"))});
        QCOMPARE(lint.exitCode, errors.isEmpty() ? 0 : 1);
        QCOMPARE(lint.out.count(": error:"), errors.isEmpty() ? 0 : 1);
        for (const QByteArray& fragment : errors)
            QVERIFY2(lint.out.contains(fragment), lint.out.constData());
    }

    void show() {
        velmora::testing::writeFileForTest(path("brand.txt"), BrandText);
        QCOMPARE(Tool({QStringLiteral("encrypt"), path("brand.txt"), path("brand.dat")}).exitCode, 0);
        const Run show = Tool({QStringLiteral("show"), path("brand.dat")});
        QCOMPARE(show.exitCode, 0);
        for (const char* line :
             {"  ApplicationName        \"Acme\"\n", "  AffiliateURL           \"http://a/?id=77\"\n",
              "  caption                \"Acme v2.0\"\n",
              "  news button            visible: follows the Master tier",
              "  news requests          publisher id \"pub\", product type BM",
              "Banner candidates: 1\n  Banner1                \"ad.gif\" -> \"http://banner\"",
              "Link candidates: 2\n  Link1                  \"One\" -> \"http://one\"\n"
              "  Link2                  \"Two\" -> \"http://two\"\n"})
            QVERIFY2(show.out.contains(line),
                     qPrintable(QLatin1StringView(line) + QLatin1StringView(show.out)));

        // check counts the text as stored, show as the program reads it, its lines ended with CR LF.
        velmora::testing::writeFileForTest(path("lines.txt"), "a\nb\n");
        QCOMPARE(Tool({QStringLiteral("encrypt"), path("lines.txt"), path("lines.dat")}).exitCode, 0);
        QVERIFY(Tool({QStringLiteral("check"), path("lines.dat")})
                    .out.contains(": 4 bytes of settings text as stored"));
        QVERIFY(Tool({QStringLiteral("show"), path("lines.dat")})
                    .out.contains(": 6 bytes of settings text as the program reads it"));

        velmora::testing::writeFileForTest(path("refused.dat"), StreamWithOtherPassword());
        const Run refused = Tool({QStringLiteral("show"), path("refused.dat")});
        QCOMPARE(refused.exitCode, 1);
        QVERIFY2(refused.err.contains("password check"), refused.err.constData());
    }
    // A full disk: the old file keeps every byte, the tool says why and exits 3.
    void fullDisk_data() {
        QTest::addColumn<QString>("command");
        QTest::newRow("encrypt") << QStringLiteral("encrypt");
        QTest::newRow("decrypt") << QStringLiteral("decrypt");
    }

    void fullDisk() {
        QFETCH(QString, command);
        velmora::testing::FullDisk disk;
        const QString out = disk.filePath(QStringLiteral("out"));
        const QByteArray old(3000, 'o');
        if (disk.unavailable().isEmpty())
            velmora::testing::writeFileForTest(out, old);
        VELMORA_REQUIRE_FULL_DISK(disk);
        velmora::util::EncryptFileToFile(path("plain.txt"), path("source.dat"));
        const QString source =
            command == QLatin1StringView("decrypt") ? path("source.dat") : path("plain.txt");

        const Run run = Tool({command, source, out});
        QCOMPARE(run.exitCode, 3);
        QVERIFY2(run.err.contains("No space left on device"), run.err.constData());
        QCOMPARE(velmora::testing::readFileOrMarker(out), old);
        QCOMPARE(QDir(disk.path()).entryList(QDir::Files | QDir::Hidden),
                 QStringList({QStringLiteral("filler"), QStringLiteral("out")}));
    }

    // Output that does not reach standard output is a failed write, not a success.
    void fullStandardOutput_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::newRow("--help") << QStringList{QStringLiteral("--help")};
        QTest::newRow("check") << QStringList{QStringLiteral("check"), path("dbsettings.dat")};
        QTest::newRow("encrypt to -")
            << QStringList{QStringLiteral("encrypt"), path("plain.txt"), QStringLiteral("-")};
    }

    void fullStandardOutput() {
        QFETCH(QStringList, arguments);
        if (!QFile::exists(QStringLiteral("/dev/full")))
            QSKIP("no /dev/full on this system");
        velmora::util::EncryptFileToFile(path("plain.txt"), path("dbsettings.dat"));
        const Run run = Tool(arguments, QStringLiteral("/dev/full"));
        QCOMPARE(run.exitCode, 3);
        QVERIFY2(run.err.contains("standard output: No space left on device"), run.err.constData());
    }

    // "-" as the output file is standard output; the report then goes to standard error.
    void dashIsStandardOutput() {
        QFile::remove(QStringLiteral("-")); // one an older build left
        const Run encrypt = Tool({QStringLiteral("encrypt"), path("plain.txt"), QStringLiteral("-")});
        QCOMPARE(encrypt.exitCode, 0);
        QVERIFY(encrypt.err.contains("into standard output"));
        velmora::testing::writeFileForTest(path("piped.dat"), encrypt.out);
        const velmora::app::SettingsText read = velmora::app::ReadSettingsText(path("piped.dat"));
        QCOMPARE(read.state, velmora::app::SettingsState::Read);

        const Run decrypt = Tool({QStringLiteral("decrypt"), path("piped.dat"), QStringLiteral("-")});
        QCOMPARE(decrypt.exitCode, 0);
        QCOMPARE(decrypt.out, SettingsText);
        QVERIFY(!QFile::exists(QStringLiteral("-")));
    }
};

QTEST_GUILESS_MAIN(TestBrandTool)
#include "tst_BrandTool.moc"
