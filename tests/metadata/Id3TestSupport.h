#pragma once
// Helpers of the ID3 tests: the fixtures made by tests/fixtures/make_id3_fixtures.py
// and what mutagen (Debian's, through /usr/bin/python3) reads from a file.

#include <QByteArray>
#include <QJsonObject>
#include <QString>

#include <ostream>

namespace quelt::test {

/// Path of a committed ID3 fixture.
QString Id3Fixture(const QString& name);
/// Copies a committed fixture into `folder` (ending in "/") and returns the copy's path.
QString CopyId3Fixture(const QString& name, const QString& folder);
/// Makes the 200 KB picture fixtures in `folder`; false (and a test failure) when
/// the script fails.
bool MakeBigPictureFixtures(const QString& folder);
/// What mutagen reads from the file (see tests/fixtures/id3_mutagen_dump.py); an
/// empty object, and a test failure, when it cannot be run.
QJsonObject MutagenDump(const QString& path);

QByteArray FileContents(const QString& path);
void SetFileContents(const QString& path, const QByteArray& bytes);

} // namespace quelt::test

/// Lets GoogleTest print texts in failure messages.
inline void PrintTo(const QString& text, std::ostream* out)
{
    *out << '"' << text.toStdString() << '"';
}
