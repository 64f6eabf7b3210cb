#include "TestHome.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace sievra::test {

TestHome::TestHome()
    : oldConfig_(qgetenv("XDG_CONFIG_HOME"))
    , oldData_(qgetenv("XDG_DATA_HOME")) {
    qputenv("XDG_CONFIG_HOME", ConfigHome().toUtf8());
    qputenv("XDG_DATA_HOME", DataHome().toUtf8());
}

TestHome::~TestHome() {
    qputenv("XDG_CONFIG_HOME", oldConfig_);
    qputenv("XDG_DATA_HOME", oldData_);
}

QString TestHome::ConfigHome() const {
    return dir_.path() + QStringLiteral("/config");
}
QString TestHome::DataHome() const {
    return dir_.path() + QStringLiteral("/data");
}
QString TestHome::StorePath() const {
    return ConfigHome() + QStringLiteral("/sievra/settings.db");
}

QString TestHome::WriteFile(const QString& relativePath, const QByteArray& bytes) const {
    const QString path = dir_.path() + QLatin1Char('/') + relativePath;
    WriteTestFile(path, bytes);
    return path;
}

void WriteTestFile(const QString& path, const QByteArray& bytes) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
        file.write(bytes) != bytes.size()) {
        qFatal("cannot write test file %s", qPrintable(path));
    }
}

QString BuiltProgram(const QString& relativePath) {
    const QString root = qEnvironmentVariable("SIEVRA_TEST_BINARY_DIR");
    if (root.isEmpty()) {
        qFatal("SIEVRA_TEST_BINARY_DIR is not set; run the tests through ctest");
    }
    return root + QLatin1Char('/') + relativePath;
}

} // namespace sievra::test
