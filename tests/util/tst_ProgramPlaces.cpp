// Where the program writes and finds its brand and module: a portable folder keeps everything
// beside the executable; an installed one (a folder it cannot write, or an installed tree) uses
// the user's base directories as the environment names them.

#include "util/ProgramPlaces.h"

#include <QDir>
#include <QFile>
#include <QProcessEnvironment>
#include <QTemporaryDir>
#include <QTest>

using namespace velmora::util;

namespace {

// Placeholders in the expected paths: "@" is the temporary root, "~" the home folder in it.
QString expand(QString path, const QString& root) {
    path.replace(QLatin1Char('~'), root + QStringLiteral("/home"));
    path.replace(QLatin1Char('@'), root);
    return path;
}

QStringList expand(QStringList paths, const QString& root) {
    for (QString& path : paths)
        path = expand(path, root);
    return paths;
}

void touch(const QString& path) {
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    QVERIFY2(file.open(QIODevice::WriteOnly), qPrintable(path));
}

} // namespace

class TestProgramPlaces : public QObject {
    Q_OBJECT

private slots:
    void places_data();
    void places();
};

void TestProgramPlaces::places_data() {
    QTest::addColumn<bool>("writable");
    QTest::addColumn<bool>("installedTree");
    QTest::addColumn<QStringList>("environment"); // NAME=value, paths with @ and ~
    QTest::addColumn<QStringList>("brandFiles");  // settings files made before the choice
    QTest::addColumn<bool>("portable");
    QTest::addColumn<QString>("downloadDir");
    QTest::addColumn<QString>("cacheDir");
    QTest::addColumn<QString>("userSettingsFile");
    QTest::addColumn<QStringList>("brandDirs");
    QTest::addColumn<QString>("brandDir");
    QTest::addColumn<QStringList>("moduleDirs");

    const QStringList home = {QStringLiteral("HOME=~")};
    const QStringList xdgBrands = {QStringLiteral("@/prefix/bin"), QStringLiteral("/etc/xdg/velmora"),
                                   QStringLiteral("~/.config/velmora")};
    const QStringList installedModules = {QStringLiteral("@/prefix/lib/velmora"),
                                          QStringLiteral("@/prefix/bin")};

    QTest::newRow("portable folder: everything beside the executable, whatever the environment")
        << true << false
        << QStringList{QStringLiteral("HOME=~"), QStringLiteral("XDG_CONFIG_HOME=@/cfg"),
                       QStringLiteral("XDG_CACHE_HOME=@/cache"), QStringLiteral("TMPDIR=@/tmp")}
        << QStringList{QStringLiteral("@/cfg/velmora/dbsettings.dat")} << true << "@/prefix/bin"
        << "@/prefix/bin" << QString() << QStringList{QStringLiteral("@/prefix/bin")} << "@/prefix/bin"
        << QStringList{QStringLiteral("@/prefix/bin"), QStringLiteral("@/prefix/lib/velmora")};
    QTest::newRow("folder not writable: the defaults under the home folder")
        << false << false << home << QStringList() << false << "/tmp"
        << "~/.cache/velmora"
        << "~/.config/velmora/usersettings.txt" << xdgBrands << "@/prefix/bin" << installedModules;
    QTest::newRow("installed tree that root can write is still installed")
        << true << true << home << QStringList() << false << "/tmp"
        << "~/.cache/velmora"
        << "~/.config/velmora/usersettings.txt" << xdgBrands << "@/prefix/bin" << installedModules;
    QTest::newRow("base directories redirected by the environment")
        << false << false
        << QStringList{QStringLiteral("HOME=~"), QStringLiteral("XDG_CONFIG_HOME=@/cfg"),
                       QStringLiteral("XDG_CACHE_HOME=@/cache/"), QStringLiteral("TMPDIR=@/tmp"),
                       QStringLiteral("XDG_CONFIG_DIRS=@/sys1::relative:@/sys2")}
        << QStringList() << false << "@/tmp"
        << "@/cache/velmora"
        << "@/cfg/velmora/usersettings.txt"
        << QStringList{QStringLiteral("@/prefix/bin"), QStringLiteral("@/sys1/velmora"),
                       QStringLiteral("@/sys2/velmora"), QStringLiteral("@/cfg/velmora")}
        << "@/prefix/bin" << installedModules;
    QTest::newRow("relative base directories do not count")
        << false << false
        << QStringList{QStringLiteral("HOME=~"), QStringLiteral("XDG_CONFIG_HOME=cfg"),
                       QStringLiteral("XDG_CACHE_HOME=cache"), QStringLiteral("TMPDIR=tmp")}
        << QStringList() << false << "/tmp"
        << "~/.cache/velmora"
        << "~/.config/velmora/usersettings.txt" << xdgBrands << "@/prefix/bin" << installedModules;

    const QStringList redirected = {QStringLiteral("HOME=~"), QStringLiteral("XDG_CONFIG_DIRS=@/sys"),
                                    QStringLiteral("XDG_CONFIG_HOME=@/cfg")};
    const QStringList redirectedBrands = {QStringLiteral("@/prefix/bin"), QStringLiteral("@/sys/velmora"),
                                          QStringLiteral("@/cfg/velmora")};
    QTest::newRow("brand: the system-wide one before the user's")
        << false << false << redirected
        << QStringList{QStringLiteral("@/sys/velmora/dbsettings.dat"),
                       QStringLiteral("@/cfg/velmora/dbsettings.dat")}
        << false << "/tmp"
        << "~/.cache/velmora"
        << "@/cfg/velmora/usersettings.txt" << redirectedBrands << "@/sys/velmora" << installedModules;
    QTest::newRow("brand: the user's when it is the only one")
        << false << false << redirected << QStringList{QStringLiteral("@/cfg/velmora/dbsettings.dat")}
        << false << "/tmp"
        << "~/.cache/velmora"
        << "@/cfg/velmora/usersettings.txt" << redirectedBrands << "@/cfg/velmora" << installedModules;
    QTest::newRow("brand: beside the executable first")
        << false << true << redirected
        << QStringList{QStringLiteral("@/prefix/bin/dbsettings.dat"),
                       QStringLiteral("@/sys/velmora/dbsettings.dat")}
        << false << "/tmp"
        << "~/.cache/velmora"
        << "@/cfg/velmora/usersettings.txt" << redirectedBrands << "@/prefix/bin" << installedModules;
}

void TestProgramPlaces::places() {
    QFETCH(bool, writable);
    QFETCH(bool, installedTree);
    QFETCH(QStringList, environment);
    QFETCH(QStringList, brandFiles);

    QTemporaryDir temporary;
    QVERIFY(temporary.isValid());
    const QString root = temporary.path();
    const QString bin = root + QStringLiteral("/prefix/bin");
    QVERIFY(QDir().mkpath(bin));
    if (installedTree)
        touch(root + QStringLiteral("/prefix/share/applications/org.velmora.Velmora.desktop"));
    for (const QString& file : brandFiles)
        touch(expand(file, root));
    QProcessEnvironment env;
    for (const QString& entry : environment) {
        const qsizetype equals = entry.indexOf(QLatin1Char('='));
        env.insert(entry.left(equals), expand(entry.mid(equals + 1), root));
    }

    const ProgramPlaces places =
        ChooseProgramPlaces(bin + QStringLiteral("/"), writable, env, QStringLiteral("dbsettings.dat"));
    QCOMPARE(places.applicationDir, bin);
    QFETCH(QString, downloadDir);
    QFETCH(QString, cacheDir);
    QFETCH(QString, userSettingsFile);
    QFETCH(QStringList, brandDirs);
    QFETCH(QString, brandDir);
    QFETCH(QStringList, moduleDirs);
    QTEST(places.portable, "portable");
    QCOMPARE(places.downloadDir, expand(downloadDir, root));
    QCOMPARE(places.cacheDir, expand(cacheDir, root));
    QCOMPARE(places.userSettingsFile, expand(userSettingsFile, root));
    QCOMPARE(places.brandDirs, expand(brandDirs, root));
    QCOMPARE(places.brandDir, expand(brandDir, root));
    QCOMPARE(places.moduleDirs, expand(moduleDirs, root));
}

QTEST_GUILESS_MAIN(TestProgramPlaces)
#include "tst_ProgramPlaces.moc"
