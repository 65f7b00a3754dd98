#include "Id3TestSupport.h"

#include "TestSupport.h"

#include <QJsonDocument>
#include <QProcess>
#include <QStringList>
#include <optional>
#include <gtest/gtest.h>

namespace quelt::test {
namespace {

const QString Python = QStringLiteral("/usr/bin/python3");

QString FixtureScript(const char* name)
{
    return QStringLiteral(QUELT_FIXTURES "/") + QLatin1String(name);
}

// Runs a fixture script; its stdout, or nullopt (and a test failure) when it fails.
std::optional<QByteArray> RunScript(const char* script, const QStringList& arguments)
{
    QProcess process;
    process.start(Python, QStringList{FixtureScript(script)} + arguments);
    if (!process.waitForFinished(120'000) || process.exitStatus() != QProcess::NormalExit
        || process.exitCode() != 0) {
        ADD_FAILURE() << script << " failed: " << process.readAllStandardError().toStdString();
        return std::nullopt;
    }
    return process.readAllStandardOutput();
}

} // namespace

QString Id3Fixture(const QString& name)
{
    return QStringLiteral(QUELT_FIXTURES "/id3/") + name;
}

QString CopyId3Fixture(const QString& name, const QString& folder)
{
    const QString copy = folder + name;
    SetFileContents(copy, FileContents(Id3Fixture(name)));
    return copy;
}

bool MakeBigPictureFixtures(const QString& folder)
{
    return RunScript("make_id3_fixtures.py", {QStringLiteral("--big-picture"), folder}).has_value();
}

QJsonObject MutagenDump(const QString& path)
{
    const std::optional<QByteArray> out = RunScript("id3_mutagen_dump.py", {path});
    if (!out)
        return {};
    QJsonParseError error;
    const QJsonDocument doc = QJsonDocument::fromJson(*out, &error);
    if (!doc.isObject()) {
        ADD_FAILURE() << "mutagen output is not JSON: " << error.errorString().toStdString();
        return {};
    }
    return doc.object();
}

QByteArray FileContents(const QString& path)
{
    return ReadBytes(path.toStdString());
}

void SetFileContents(const QString& path, const QByteArray& bytes)
{
    WriteBytes(path.toStdString(), bytes);
}

} // namespace quelt::test
