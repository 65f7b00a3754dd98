// Runs the program on the console as a user would: quick rename, dry run and
// disaster recovery, with their output and exit statuses.
#include "TestSupport.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <gtest/gtest.h>

using quelt::test::TempDir;

namespace {

struct RunResult {
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
};

class QuickRenameCli : public ::testing::Test {
protected:
    void SetUp() override
    {
        QDir().mkpath(files.path() + QStringLiteral("My Photos"));
        folder = files.path() + QStringLiteral("My Photos/");
        for (const char* name : {"holiday 1.jpg", "holiday 2.jpg", "notes.txt"})
            touch(folder + QString::fromUtf8(name));
        rules = files.path() + QStringLiteral("rule set.rls");
        writeRules(rules, {"Find and replace text: <Find What=holiday> <Replace With=Trip> <Apply To=Title>"});
    }

    static void touch(const QString& path)
    {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    }

    static void writeRules(const QString& path, std::initializer_list<const char*> ruleTexts)
    {
        QByteArray bytes = "#QUELT_RULES_FILE_V2.1\r\n";
        for (const char* text : ruleTexts)
            bytes += QByteArray("Title & Extension\r\n") + text + "\r\nTrue\r\n\r\n";
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }

    RunResult run(const QStringList& arguments, const QByteArray& input = {})
    {
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QUELT_HOME"), home.path());
        env.remove(QStringLiteral("DISPLAY"));
        env.remove(QStringLiteral("WAYLAND_DISPLAY"));
        p.setProcessEnvironment(env);
        p.start(QStringLiteral(QUELT_EXECUTABLE), arguments);
        p.write(input);
        p.closeWriteChannel();
        EXPECT_TRUE(p.waitForFinished(60000));
        return {p.exitCode(), p.readAllStandardOutput(), p.readAllStandardError()};
    }

    QStringList names() const
    {
        QStringList list = QDir(folder).entryList(QDir::Files, QDir::Name);
        return list;
    }

    QStringList quick(std::initializer_list<const char*> extra = {}) const
    {
        QStringList args = {QStringLiteral("/quickrename"), QStringLiteral("folder=") + folder,
                            QStringLiteral("rules=\"") + rules + u'"'};
        for (const char* e : extra)
            args << QString::fromUtf8(e);
        return args;
    }

    TempDir home;
    TempDir files;
    QString folder;
    QString rules;
};

} // namespace

TEST_F(QuickRenameCli, DryRunPrintsEveryItemAndRenamesNothing)
{
    const RunResult text = run(quick({"--dry-run"}));
    EXPECT_EQ(text.exitCode, 0) << text.err.toStdString();
    const QList<QByteArray> lines = text.out.trimmed().split('\n');
    ASSERT_EQ(lines.size(), 3) << text.out.toStdString();
    EXPECT_TRUE(text.out.contains("OK\t" + folder.toUtf8() + "\tholiday 1.jpg\tTrip 1.jpg\n")) << text.out.toStdString();

    const RunResult json = run(quick({"filter=*.jpg", "--dry-run", "--json"}));
    EXPECT_EQ(json.exitCode, 0);
    const QList<QByteArray> rows = json.out.trimmed().split('\n');
    ASSERT_EQ(rows.size(), 2);
    for (const QByteArray& row : rows) {
        const QJsonObject o = QJsonDocument::fromJson(row).object();
        EXPECT_TRUE(o.value(QStringLiteral("valid")).toBool());
        EXPECT_EQ(o.value(QStringLiteral("folder")).toString(), folder);
        EXPECT_TRUE(o.value(QStringLiteral("newName")).toString().startsWith(QStringLiteral("Trip ")));
    }
    EXPECT_EQ(names(), (QStringList{"holiday 1.jpg", "holiday 2.jpg", "notes.txt"}));
    EXPECT_FALSE(QFile::exists(home.file(QStringLiteral("drinfo.dat"))));
}

TEST_F(QuickRenameCli, RenameThenRestoreFromTheRecoveryFile)
{
    const RunResult renamed = run(quick({"showreport=on"}));
    EXPECT_EQ(renamed.exitCode, 0) << renamed.err.toStdString();
    EXPECT_TRUE(renamed.out.contains("The renaming process has been successfully completed!"));
    EXPECT_EQ(names(), (QStringList{"Trip 1.jpg", "Trip 2.jpg", "notes.txt"}));
    ASSERT_TRUE(QFile::exists(home.file(QStringLiteral("drinfo.dat"))));

    const RunResult declined = run({QStringLiteral("/disasterrecovery")});
    EXPECT_EQ(declined.exitCode, 1) << "no terminal: the safe answer cancels";
    EXPECT_EQ(names(), (QStringList{"Trip 1.jpg", "Trip 2.jpg", "notes.txt"}));

    const RunResult restored = run({QStringLiteral("--disasterrecovery"), QStringLiteral("--yes")});
    EXPECT_EQ(restored.exitCode, 0) << restored.err.toStdString();
    EXPECT_TRUE(restored.err.contains("Undo process has been completed successfully!"));
    EXPECT_EQ(names(), (QStringList{"holiday 1.jpg", "holiday 2.jpg", "notes.txt"}));
    EXPECT_FALSE(QFile::exists(home.file(QStringLiteral("drinfo.dat"))));

    const RunResult nothing = run({QStringLiteral("/disasterrecovery")});
    EXPECT_EQ(nothing.exitCode, 2);
    EXPECT_TRUE(nothing.err.contains("Disaster Recovery file could not be found. No names to restore!"));

    QFile log(home.file(QStringLiteral("events.log")));
    ASSERT_TRUE(log.open(QIODevice::ReadOnly));
    const QByteArray logText = log.readAll();
    EXPECT_TRUE(logText.contains("Quick rename: Renaming complete. 3 file[s] processed."));
    EXPECT_TRUE(logText.contains("Quick rename: Renaming complete. 2 file[s] renamed!") == false)
        << "an unchanged name counts as renamed too";
    EXPECT_TRUE(logText.contains("Quick rename: Renaming complete. 3 file[s] renamed!"));
}

TEST_F(QuickRenameCli, FailedItemGivesStatusOneAndKeepsBothFiles)
{
    touch(folder + QStringLiteral("Trip 2.jpg"));
    const RunResult r = run(quick({"filter=holiday*", "showreport=on"}));
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.out.contains("File name already exists (error #58)")) << r.out.toStdString();
    EXPECT_EQ(names(), (QStringList{"Trip 1.jpg", "Trip 2.jpg", "holiday 2.jpg", "notes.txt"}));
}

TEST_F(QuickRenameCli, CommandLinesThatCannotRunSayWhyWithStatusTwo)
{
    struct Case { QStringList args; const char* mentions; };
    const QString junk = files.file(QStringLiteral("junk.rls"));
    QFile j(junk);
    ASSERT_TRUE(j.open(QIODevice::WriteOnly));
    j.write(QByteArray("\x00\x01\x02 not rules", 14));
    j.close();
    const Case cases[] = {
        {{QStringLiteral("/quickrename"), QStringLiteral("folder=/no/such/folder"), QStringLiteral("rules=") + rules},
         "/no/such/folder"},
        {{QStringLiteral("/quickrename"), QStringLiteral("folder=") + folder, QStringLiteral("rules=/no/such.rls")},
         "/no/such.rls"},
        {{QStringLiteral("/quickrename"), QStringLiteral("folder=") + folder, QStringLiteral("rules=") + junk},
         "no rules could be loaded"},
        {{QStringLiteral("/frobnicate")}, "/frobnicate"},
        {{QStringLiteral("/folder")}, "/folder"},
        {{}, "display"},
    };
    for (const Case& c : cases) {
        const RunResult r = run(c.args);
        EXPECT_EQ(r.exitCode, 2) << c.args.join(u' ').toStdString();
        EXPECT_TRUE(r.err.contains(c.mentions)) << c.mentions << " in: " << r.err.toStdString();
    }
    EXPECT_EQ(names(), (QStringList{"holiday 1.jpg", "holiday 2.jpg", "notes.txt"}));
}

TEST_F(QuickRenameCli, HelpListsTheSwitches)
{
    const RunResult r = run({QStringLiteral("--help")});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_TRUE(r.out.startsWith("Available command line arguments:"));
}
