#include "platform/FileSystem.h"
#include "platform/NameCodec.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

using namespace quelt::platform;
using quelt::test::TempDir;

namespace {

class ItemFixture : public ::testing::Test {
protected:
    QString path(const char* name) const { return dir_.file(QString::fromUtf8(name)); }
    std::string raw(const char* name) const { return EncodeName(path(name)).toStdString(); }
    void file(const char* name, mode_t mode = 0644) const
    {
        quelt::test::WriteBytes(raw(name), "x");
        ASSERT_EQ(::chmod(raw(name).c_str(), mode), 0);
    }
    mode_t mode(const char* name) const
    {
        struct stat st {};
        return ::stat(raw(name).c_str(), &st) == 0 ? (st.st_mode & 07777) : 0;
    }

    TempDir dir_;
};

using Attributes = ItemFixture;
using Times = ItemFixture;

} // namespace

TEST_F(Attributes, ReadTable)
{
    file("plain.txt");
    file("locked.txt", 0444);
    file("group-writable-only", 0464);
    file(".profile");
    ASSERT_EQ(::mkdir(raw("folder").c_str(), 0755), 0);
    ASSERT_EQ(::mkdir(raw(".config").c_str(), 0755), 0);
    ASSERT_EQ(::symlink("nowhere", raw("dangling").c_str()), 0);

    struct Case {
        const char* name;
        unsigned attributes;
    };
    const Case cases[] = {
        {"plain.txt", 0},
        {"locked.txt", AttrReadOnly},
        {"group-writable-only", AttrReadOnly}, // the owner's bit decides
        {".profile", AttrHidden},
        {"folder", AttrDirectory},
        {"folder/", AttrDirectory},
        {".config", AttrDirectory | AttrHidden},
        {".config/", AttrDirectory | AttrHidden},
        {"dangling", 0},
    };
    for (const Case& c : cases) {
        const AttributeInfo info = ReadAttributes(path(c.name));
        EXPECT_TRUE(info.ok) << c.name;
        EXPECT_EQ(info.attributes, c.attributes) << c.name;
    }
    EXPECT_FALSE(ReadAttributes(path("missing")).ok);
}

// The rename's one-call check must give what PathExists and ReadAttributes give.
TEST_F(Attributes, PresenceAgreesWithExistenceAndTheReadOnlyBit)
{
    file("plain.txt");
    file("locked.txt", 0444);
    file("group-writable-only", 0464);
    file("owner-writable-only", 0200);
    ASSERT_EQ(::mkdir(raw("folder").c_str(), 0755), 0);
    ASSERT_EQ(::mkdir(raw("locked-folder").c_str(), 0555), 0);
    ASSERT_EQ(::symlink("locked.txt", raw("link-to-locked").c_str()), 0);
    ASSERT_EQ(::symlink("plain.txt", raw("link-to-plain").c_str()), 0);
    ASSERT_EQ(::symlink("nowhere", raw("dangling").c_str()), 0);
    ASSERT_EQ(::symlink("loop", raw("loop").c_str()), 0);
    // Names are bytes: this one is no UTF-8 and must reach the system call as it is.
    const std::string nonUtf8 = EncodeName(dir_.path()).toStdString() + "\xFF-locked";
    quelt::test::WriteBytes(nonUtf8, "x");
    ASSERT_EQ(::chmod(nonUtf8.c_str(), 0444), 0);

    struct Case {
        const char* name;
        bool exists;
        bool readOnly;
    };
    const Case cases[] = {
        {"plain.txt", true, false},
        {"locked.txt", true, true},
        {"group-writable-only", true, true}, // the owner's bit decides
        {"owner-writable-only", true, false},
        {"folder", true, false},
        {"folder/", true, false},
        {"locked-folder", true, true},
        {"link-to-locked", true, true}, // the target's permissions, as ReadAttributes reads them
        {"link-to-plain", true, false},
        {"dangling", true, false},
        {"loop", true, false},
        {"\xFF-locked", true, true},
        {"missing", false, false},
        {"plain.txt/below", false, false},
    };
    for (const Case& c : cases) {
        const QString item = DecodeName(EncodeName(dir_.path()) + c.name);
        const ItemPresence presence = ReadItemPresence(item);
        EXPECT_EQ(presence.exists, c.exists) << c.name;
        EXPECT_EQ(presence.readOnly, c.readOnly) << c.name;
        EXPECT_EQ(presence.exists, PathExists(item)) << c.name;
        const AttributeInfo info = ReadAttributes(item);
        EXPECT_EQ(presence.readOnly, info.ok && (info.attributes & AttrReadOnly) != 0) << c.name;
    }
}

TEST_F(Attributes, OnlyReadOnlyIsChangeableOutsideFat)
{
    // The test folder is on ext4 or tmpfs, which keep no hidden, system or archive bit.
    file("owned");
    ASSERT_EQ(::symlink("nowhere", raw("dangling").c_str()), 0);
    EXPECT_EQ(ReadAttributes(path("owned")).changeable, unsigned(AttrReadOnly));
    EXPECT_EQ(ReadAttributes(dir_.path()).changeable, unsigned(AttrReadOnly));
    EXPECT_EQ(ReadAttributes(path("dangling")).changeable, 0u);
}

TEST_F(Attributes, ReadOnlyRoundTripOverPermissionBits)
{
    struct Case {
        mode_t start;
        mode_t readOnly;
        mode_t cleared;
    };
    const Case cases[] = {
        {0666, 0444, 0644}, // setting removes every write bit; clearing adds the owner's
        {0644, 0444, 0644},
        {0600, 0400, 0600},
        {0755, 0555, 0755},
        {0620, 0400, 0600},
    };
    for (const Case& c : cases) {
        file("item", c.start);
        EXPECT_TRUE(SetAttributes(path("item"), AttrReadOnly, AttrReadOnly).ok()) << std::oct << c.start;
        EXPECT_EQ(mode("item"), c.readOnly) << std::oct << c.start;
        EXPECT_EQ(ReadAttributes(path("item")).attributes, unsigned(AttrReadOnly)) << std::oct << c.start;
        EXPECT_TRUE(SetAttributes(path("item"), 0, AttrReadOnly).ok()) << std::oct << c.start;
        EXPECT_EQ(mode("item"), c.cleared) << std::oct << c.start;
        EXPECT_EQ(ReadAttributes(path("item")).attributes, 0u) << std::oct << c.start;
        ::unlink(raw("item").c_str());
    }
}

TEST_F(Attributes, ReadOnlyFolder)
{
    ASSERT_EQ(::mkdir(raw("folder").c_str(), 0755), 0);
    EXPECT_TRUE(SetAttributes(path("folder"), AttrReadOnly, AttrReadOnly).ok());
    EXPECT_EQ(ReadAttributes(path("folder")).attributes, unsigned(AttrDirectory | AttrReadOnly));
    EXPECT_TRUE(SetAttributes(path("folder"), 0, AttrReadOnly).ok());
    EXPECT_EQ(mode("folder"), mode_t(0755));
}

TEST_F(Attributes, BitsTheFileSystemLacksFailWith75AndAReason)
{
    file("item.txt", 0644);
    struct Case {
        const char* label;
        unsigned attributes;
        unsigned mask;
        const char* reason;
    };
    const Case cases[] = {
        {"system", AttrSystem, AttrSystem, "the file system does not have the system attribute"},
        {"archive", AttrArchive, AttrArchive, "the file system does not have the archive attribute"},
        {"hidden", AttrHidden, AttrHidden, nullptr},
        {"directory", AttrDirectory, AttrDirectory, "the directory attribute cannot be changed"},
        // A refused bit stops the whole request: read-only is not set either.
        {"read-only with archive", AttrReadOnly | AttrArchive, AttrReadOnly | AttrArchive,
         "the file system does not have the archive attribute"},
    };
    for (const Case& c : cases) {
        const OpResult r = SetAttributes(path("item.txt"), c.attributes, c.mask);
        EXPECT_EQ(r.code, 75) << c.label;
        if (c.reason) {
            EXPECT_EQ(r.description, QString::fromUtf8(c.reason)) << c.label;
        }
        EXPECT_FALSE(r.description.isEmpty()) << c.label;
        EXPECT_EQ(mode("item.txt"), mode_t(0644)) << c.label;
        EXPECT_EQ(ReadAttributes(path("item.txt")).attributes, 0u) << c.label;
    }
}

TEST_F(Attributes, HiddenByNameCannotBeClearedButAskingForItIsNoChange)
{
    file(".secret");
    const OpResult cleared = SetAttributes(path(".secret"), 0, AttrHidden);
    EXPECT_EQ(cleared.code, 75);
    EXPECT_TRUE(cleared.description.contains(QStringLiteral("rename"))) << cleared.description.toStdString();
    EXPECT_TRUE(SetAttributes(path(".secret"), AttrHidden, AttrHidden).ok());
    EXPECT_TRUE(PathExists(path(".secret")));
}

TEST_F(Attributes, AskingForTheCurrentValueIsNoChange)
{
    file("item.txt", 0644);
    ASSERT_EQ(::mkdir(raw("folder").c_str(), 0755), 0);
    const unsigned all = AttrReadOnly | AttrHidden | AttrSystem | AttrArchive | AttrDirectory;
    EXPECT_TRUE(SetAttributes(path("item.txt"), 0, all).ok());
    EXPECT_TRUE(SetAttributes(path("folder"), AttrDirectory, all).ok());
    EXPECT_TRUE(SetAttributes(path("item.txt"), AttrSystem, 0).ok()); // outside the mask
    EXPECT_EQ(mode("item.txt"), mode_t(0644));
    EXPECT_EQ(mode("folder"), mode_t(0755));
}

TEST_F(Attributes, MissingItemGives53)
{
    EXPECT_EQ(SetAttributes(path("missing"), AttrReadOnly, AttrReadOnly).code, 53);
}

TEST_F(Times, RoundTripWithNanoseconds)
{
    file("item");
    struct Case {
        FileTime modified;
        FileTime accessed;
    };
    const Case cases[] = {
        {{1234567890, 123456789}, {1500000000, 987654321}},
        {{0, 1}, {1, 999999999}},
        {{-86400 * 365, 500}, {-1, 0}}, // before 1970
        {{4102444800, 42}, {4102444800, 0}}, // 2100, past the 32-bit range
    };
    for (const Case& c : cases) {
        ASSERT_TRUE(SetFileTimes(path("item"), nullptr, &c.modified, &c.accessed).ok()) << c.modified.seconds;
        const FileTimes t = ReadFileTimes(path("item"));
        ASSERT_TRUE(t.ok);
        EXPECT_EQ(t.modified, c.modified) << c.modified.seconds;
        EXPECT_EQ(t.accessed, c.accessed) << c.modified.seconds;
        if (!t.hasBirthTime) {
            EXPECT_EQ(t.created, t.modified);
        }
    }
}

TEST_F(Times, NullLeavesATimeUnchanged)
{
    file("item");
    const FileTime m{1000000000, 111};
    const FileTime a{1100000000, 222};
    ASSERT_TRUE(SetFileTimes(path("item"), nullptr, &m, &a).ok());
    const FileTime m2{1200000000, 333};
    ASSERT_TRUE(SetFileTimes(path("item"), nullptr, &m2, nullptr).ok());
    EXPECT_EQ(ReadFileTimes(path("item")).accessed, a);
    const FileTime a2{1300000000, 444};
    ASSERT_TRUE(SetFileTimes(path("item"), nullptr, nullptr, &a2).ok());
    EXPECT_EQ(ReadFileTimes(path("item")).modified, m2);
}

TEST_F(Times, CreatedIsTheBirthTimeWhereKept)
{
    file("item");
    const FileTimes before = ReadFileTimes(path("item"));
    ASSERT_TRUE(before.ok);
    const FileTime old{946684800, 0};
    ASSERT_TRUE(SetFileTimes(path("item"), nullptr, &old, &old).ok());
    const FileTimes after = ReadFileTimes(path("item"));
    if (after.hasBirthTime) {
        EXPECT_EQ(after.created, before.created); // setting the others leaves it
        EXPECT_GT(after.created.seconds, old.seconds);
    } else {
        EXPECT_EQ(after.created, old);
    }
}

TEST_F(Times, SettingCreatedFailsWith75AndChangesNothing)
{
    file("item");
    const FileTime m{1234567890, 5};
    ASSERT_TRUE(SetFileTimes(path("item"), nullptr, &m, &m).ok());
    const FileTimes before = ReadFileTimes(path("item"));

    const FileTime created{1000000000, 0};
    const FileTime other{1111111111, 0};
    const OpResult r = SetFileTimes(path("item"), &created, &other, &other);
    EXPECT_EQ(r.code, 75);
    EXPECT_EQ(r.description, QStringLiteral("the file system does not allow setting the creation time"));
    const FileTimes after = ReadFileTimes(path("item"));
    EXPECT_EQ(after.modified, before.modified);
    EXPECT_EQ(after.accessed, before.accessed);

    // Handing back the created time as read is no change.
    EXPECT_TRUE(SetFileTimes(path("item"), &before.created, &other, nullptr).ok());
    EXPECT_EQ(ReadFileTimes(path("item")).modified, other);
}

TEST_F(Times, BadInputs)
{
    file("item");
    const FileTime bad{1000, 1000000000};
    const FileTime negative{1000, -1};
    EXPECT_EQ(SetFileTimes(path("item"), nullptr, &bad, nullptr).code, 75);
    EXPECT_EQ(SetFileTimes(path("item"), nullptr, nullptr, &negative).code, 75);
    const FileTime ok{1000, 0};
    EXPECT_EQ(SetFileTimes(path("missing"), nullptr, &ok, nullptr).code, 53);
    EXPECT_EQ(SetFileTimes(path("missing"), &ok, nullptr, nullptr).code, 53);
    EXPECT_FALSE(ReadFileTimes(path("missing")).ok);
}

TEST_F(Times, FolderAndNonUtf8Name)
{
    const QString odd = dir_.path() + DecodeName("\xFF\xFE-dir");
    ASSERT_EQ(::mkdir(EncodeName(odd).constData(), 0755), 0);
    const FileTime m{1600000000, 123};
    EXPECT_TRUE(SetFileTimes(odd, nullptr, &m, nullptr).ok());
    EXPECT_EQ(ReadFileTimes(odd + u'/').modified, m);
}
