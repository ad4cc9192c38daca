#include "TestSupport.h"

#include <QFile>
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

QByteArray readSharedTestData(const QString& relativePath) {
    return readWhole(QStringLiteral(VELMORA_SHARED_TESTDATA "/") + relativePath);
}

} // namespace velmora::testing
