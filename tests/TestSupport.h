#pragma once
// Helpers shared by the tests: a temporary folder that is removed afterwards, and
// byte-level file helpers that bypass the code under test.

#include <QByteArray>
#include <QString>
#include <QDir>
#include <QTemporaryDir>

#include <fstream>
#include <iterator>
#include <string>

namespace quelt::test {

/// A fresh temporary folder; path() ends in "/".
class TempDir {
public:
    TempDir() : dir_(QDir::tempPath() + QStringLiteral("/quelt-test-XXXXXX")) {}
    QString path() const { return dir_.path() + u'/'; }
    QString file(const QString& name) const { return path() + name; }

private:
    QTemporaryDir dir_;
};

inline void WriteBytes(const std::string& path, const QByteArray& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.constData(), bytes.size());
}

inline QByteArray ReadBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::string s((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    return QByteArray(s.data(), qsizetype(s.size()));
}

} // namespace quelt::test
