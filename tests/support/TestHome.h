#pragma once

#include <QString>
#include <QTemporaryDir>

namespace sievra::test {

// A private home for one test: XDG_CONFIG_HOME and XDG_DATA_HOME point into a fresh
// temporary folder for as long as the object lives, so the store and the queue file of the
// test never touch the user's own.
class TestHome {
public:
    TestHome();
    ~TestHome();
    TestHome(const TestHome&) = delete;
    TestHome& operator=(const TestHome&) = delete;

    QString Path() const { return dir_.path(); }
    QString ConfigHome() const;
    QString DataHome() const;
    QString StorePath() const;
    // Writes bytes to a file below the home and returns its full path.
    QString WriteFile(const QString& relativePath, const QByteArray& bytes) const;

private:
    QTemporaryDir dir_;
    QByteArray oldConfig_;
    QByteArray oldData_;
};

// Writes bytes to `path`, making its folders; a test that cannot write its input stops there.
void WriteTestFile(const QString& path, const QByteArray& bytes);

// Path of a program built next to the tests (the build tree's root is passed by ctest).
QString BuiltProgram(const QString& relativePath);

} // namespace sievra::test
