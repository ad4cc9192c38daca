#include "TestSupport.h"

#include <QFile>
#include <QTest>
#include <stdexcept>

namespace velmora::testing {
namespace {

QByteArray readWhole(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw std::runtime_error("cannot read test fixture " + path.toStdString());
    return file.readAll();
}

} // namespace

QByteArray readTestData(const QString& relativePath) {
    return readWhole(QStringLiteral(VELMORA_TEST_DATA "/") + relativePath);
}

QByteArray readFileOrMarker(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

QByteArray mappedFiles() {
    QFile maps(QStringLiteral("/proc/self/maps"));
    return maps.open(QIODevice::ReadOnly) ? maps.readAll() : QByteArray();
}

void writeFileForTest(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    QVERIFY2(file.open(QIODevice::WriteOnly | QIODevice::Truncate), qPrintable(path));
    QCOMPARE(file.write(bytes), bytes.size());
}

QByteArray readSharedTestData(const QString& relativePath) {
    return readWhole(QStringLiteral(VELMORA_SHARED_TESTDATA "/") + relativePath);
}

} // namespace velmora::testing
