#include "platform/FileSystem.h"
#include "platform/FileSystemInternal.h"
#include "platform/NameCodec.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <QStringList>

#include <algorithm>
#include <functional>
#include <sys/stat.h>
#include <unistd.h>

using namespace quelt::platform;
using quelt::test::ReadBytes;
using quelt::test::TempDir;
using quelt::test::WriteBytes;

namespace {

class Rename : public ::testing::Test {
protected:
    QString path(const char* name) const { return dir_.file(QString::fromUtf8(name)); }
    QByteArray bytes(const char* name) const { return EncodeName(path(name)); }
    std::string raw(const char* name) const { return bytes(name).toStdString(); }

    void file(const char* name, const QByteArray& content) const { WriteBytes(raw(name), content); }
    QByteArray content(const char* name) const { return ReadBytes(raw(name)); }
    void folder(const char* name) const { ASSERT_EQ(::mkdir(raw(name).c_str(), 0755), 0) << name; }

    QStringList names() const
    {
        std::vector<DirEntry> entries;
        EXPECT_TRUE(ListFolder(dir_.path(), entries));
        QStringList out;
        for (const DirEntry& e : entries)
            out << e.name;
        out.sort();
        return out;
    }

    ino_t inode(const char* name) const
    {
        struct stat st {};
        return ::lstat(raw(name).c_str(), &st) == 0 ? st.st_ino : 0;
    }

    TempDir dir_;
};

// The three ways a rename can go; each must leave an existing target alone.
using RenameFn = std::function<OpResult(const QByteArray&, const QByteArray&)>;
struct Route {
    const char* label;
    RenameFn fn;
};

const Route Routes[] = {
    {"renameat2", [](const QByteArray& a, const QByteArray& b) {
         return RenameNoReplace(DecodeName(a), DecodeName(b));
     }},
    {"folder handle", [](const QByteArray& a, const QByteArray& b) {
         // Names below the handle's folder; one with a "/" takes the full-path way.
         const QByteArray folder = a.left(a.lastIndexOf('/') + 1);
         if (!b.startsWith(folder))
             return RenameNoReplace(DecodeName(a), DecodeName(b));
         return FolderHandle(DecodeName(folder)).renameNoReplace(a.mid(folder.size()), b.mid(folder.size()));
     }},
    {"fallback", internal::RenameWithoutNoReplaceFlag},
    {"link", internal::RenameByLink},
    {"check", internal::RenameAfterCheck},
};

} // namespace

TEST_F(Rename, FileToFreeName)
{
    for (const Route& r : Routes) {
        file("old", "payload");
        const OpResult result = r.fn(bytes("old"), bytes("new"));
        EXPECT_TRUE(result.ok()) << r.label << ": " << result.code << ' ' << result.description.toStdString();
        EXPECT_EQ(names(), QStringList{QStringLiteral("new")}) << r.label;
        EXPECT_EQ(content("new"), "payload") << r.label;
        ::unlink(raw("new").c_str());
    }
}

TEST_F(Rename, ExistingTargetFileGives58AndBothStayIntact)
{
    for (const Route& r : Routes) {
        file("a", "first file");
        file("b", "second file");
        const OpResult result = r.fn(bytes("a"), bytes("b"));
        EXPECT_EQ(result.code, 58) << r.label;
        EXPECT_FALSE(result.description.isEmpty()) << r.label;
        EXPECT_EQ(content("a"), "first file") << r.label;
        EXPECT_EQ(content("b"), "second file") << r.label;
        EXPECT_EQ(names(), (QStringList{QStringLiteral("a"), QStringLiteral("b")})) << r.label;
        ::unlink(raw("a").c_str());
        ::unlink(raw("b").c_str());
    }
}

TEST_F(Rename, ExistingEmptyFolderIsNotReplacedByAFolder)
{
    // A plain rename() would silently replace the empty target folder.
    for (const Route& r : Routes) {
        folder("src");
        file("src/inside", "kept");
        folder("dst");
        const ino_t target = inode("dst");
        EXPECT_EQ(r.fn(bytes("src"), bytes("dst")).code, 58) << r.label;
        EXPECT_EQ(content("src/inside"), "kept") << r.label;
        EXPECT_EQ(inode("dst"), target) << r.label;
        ::unlink(raw("src/inside").c_str());
        ::rmdir(raw("src").c_str());
        ::rmdir(raw("dst").c_str());
    }
}

TEST_F(Rename, FileOntoFolderAndFolderOntoFileGive58)
{
    file("f", "file");
    folder("d");
    EXPECT_EQ(RenameNoReplace(path("f"), path("d")).code, 58);
    EXPECT_EQ(RenameNoReplace(path("d"), path("f")).code, 58);
    EXPECT_EQ(internal::RenameWithoutNoReplaceFlag(bytes("f"), bytes("d")).code, 58);
    EXPECT_EQ(internal::RenameWithoutNoReplaceFlag(bytes("d"), bytes("f")).code, 58);
    EXPECT_EQ(content("f"), "file");
    EXPECT_TRUE(FolderExists(path("d")));
}

TEST_F(Rename, FolderWithContents)
{
    for (const Route& r : {Routes[0], Routes[1]}) {
        folder("album");
        file("album/track.mp3", "music");
        EXPECT_TRUE(r.fn(bytes("album"), bytes("Album 2001")).ok()) << r.label;
        EXPECT_EQ(content("Album 2001/track.mp3"), "music") << r.label;
        EXPECT_FALSE(PathExists(path("album"))) << r.label;
        ::unlink(raw("Album 2001/track.mp3").c_str());
        ::rmdir(raw("Album 2001").c_str());
    }
}

TEST_F(Rename, FolderIntoItselfFails)
{
    folder("x");
    const OpResult result = RenameNoReplace(path("x"), path("x/y"));
    EXPECT_EQ(result.code, 75);
    EXPECT_EQ(internal::RenameWithoutNoReplaceFlag(bytes("x"), bytes("x/y")).code, 75);
    EXPECT_TRUE(FolderExists(path("x")));
}

TEST_F(Rename, MissingSourceGives53)
{
    for (const Route& r : Routes)
        EXPECT_EQ(r.fn(bytes("missing"), bytes("new")).code, 53) << r.label;
    EXPECT_EQ(RenameNoReplace(path("missing/inner"), path("new")).code, 53);
}

TEST_F(Rename, SymlinkIsRenamedNotItsTarget)
{
    for (const Route& r : Routes) {
        ASSERT_EQ(::symlink("nowhere", raw("link").c_str()), 0);
        EXPECT_TRUE(r.fn(bytes("link"), bytes("renamed")).ok()) << r.label;
        char target[64] = {};
        ASSERT_EQ(::readlink(raw("renamed").c_str(), target, sizeof target - 1), 7) << r.label;
        EXPECT_STREQ(target, "nowhere") << r.label;
        ::unlink(raw("renamed").c_str());
    }
}

TEST_F(Rename, SameNameIsNoChange)
{
    file("same", "data");
    EXPECT_TRUE(RenameNoReplace(path("same"), path("same")).ok());
    EXPECT_EQ(content("same"), "data");
    EXPECT_EQ(RenameNoReplace(path("gone"), path("gone")).code, 53);
}

TEST_F(Rename, CaseChangeOnlyRenames)
{
    file("photo.jpg", "jpeg");
    EXPECT_TRUE(RenameNoReplace(path("photo.jpg"), path("Photo.JPG")).ok());
    EXPECT_EQ(names(), QStringList{QStringLiteral("Photo.JPG")});
    EXPECT_EQ(content("Photo.JPG"), "jpeg");
}

TEST_F(Rename, CaseChangeOntoAnotherFileGives58)
{
    // Case-sensitive file system: "a.txt" and "A.txt" are two files.
    file("a.txt", "lower");
    file("A.txt", "upper");
    EXPECT_EQ(RenameNoReplace(path("a.txt"), path("A.txt")).code, 58);
    EXPECT_EQ(content("a.txt"), "lower");
    EXPECT_EQ(content("A.txt"), "upper");
}

TEST_F(Rename, SameItemInOtherCaseGoesThroughTemporaryAndNeverReplaces)
{
    // A hard link in other letter case looks like a case-insensitive file system's
    // view of one file: same inode. Here it is a real second name, so the rename
    // must fail with both names still there and no temporary name left over.
    file("song.mp3", "music");
    ASSERT_EQ(::link(raw("song.mp3").c_str(), raw("SONG.mp3").c_str()), 0);
    EXPECT_TRUE(internal::IsCaseChangeOfSameItem(bytes("song.mp3"), bytes("SONG.mp3")));
    EXPECT_EQ(RenameNoReplace(path("song.mp3"), path("SONG.mp3")).code, 58);
    EXPECT_EQ(names(), (QStringList{QStringLiteral("SONG.mp3"), QStringLiteral("song.mp3")}));
    EXPECT_EQ(content("song.mp3"), "music");
}

TEST_F(Rename, ThroughTemporaryChangesCaseAndLeavesNothingBehind)
{
    file("readme", "text");
    EXPECT_TRUE(internal::RenameThroughTemporary(bytes("readme"), bytes("README")).ok());
    EXPECT_EQ(names(), QStringList{QStringLiteral("README")});
    EXPECT_EQ(content("README"), "text");

    folder("docs");
    EXPECT_TRUE(internal::RenameThroughTemporary(bytes("docs"), bytes("Docs")).ok());
    EXPECT_EQ(names(), (QStringList{QStringLiteral("Docs"), QStringLiteral("README")}));
}

TEST_F(Rename, CaseChangeDetection)
{
    file("a.txt", "a");
    file("b.txt", "b");
    folder("sub");
    struct Case {
        const char* from;
        const char* to;
        bool same;
    };
    const Case cases[] = {
        {"a.txt", "a.txt", false},     // no change at all
        {"a.txt", "b.txt", false},     // another name
        {"a.txt", "A.TXT", false},     // other case, but nothing there
        {"a.txt", "sub/a.txt", false}, // another folder
    };
    for (const Case& c : cases)
        EXPECT_EQ(internal::IsCaseChangeOfSameItem(bytes(c.from), bytes(c.to)), c.same) << c.from << " -> " << c.to;
}

TEST_F(Rename, FolderHandleAnswersAsTheFullPathsDo)
{
    file("a", "A");
    file("ro", "R");
    ::chmod(raw("ro").c_str(), 0444);
    ASSERT_EQ(::symlink("nowhere", raw("dangling").c_str()), 0);
    folder("sub");
    file("sub/x", "X");
    const FolderHandle handle(dir_.path());
    for (const char* name : {"a", "ro", "dangling", "missing", "sub", "sub/x", "sub/missing", ""}) {
        const ItemPresence viaHandle = handle.presence(EncodeName(QString::fromUtf8(name)));
        const ItemPresence viaPath = ReadItemPresence(path(name));
        EXPECT_EQ(viaHandle.exists, viaPath.exists) << name;
        EXPECT_EQ(viaHandle.readOnly, viaPath.readOnly) << name;
    }
    EXPECT_TRUE(handle.presence("ro").readOnly);
    EXPECT_FALSE(handle.presence("dangling").readOnly);
    EXPECT_TRUE(handle.presence("dangling").exists);
    EXPECT_FALSE(handle.presence(QByteArray("a\0b", 3)).exists);
    EXPECT_EQ(handle.renameNoReplace(QByteArray("a\0b", 3), "c").code, 53);
    EXPECT_EQ(handle.renameNoReplace("a", "a").code, 0);
    EXPECT_EQ(content("a"), "A");
    ::chmod(raw("ro").c_str(), 0644);
}

TEST_F(Rename, FolderHandleOfAMissingFolderFailsAsItsPathsDo)
{
    const FolderHandle handle(dir_.file("gone/"));
    EXPECT_FALSE(handle.presence("a").exists);
    EXPECT_EQ(handle.renameNoReplace("a", "b").code, 53);
}

TEST_F(Rename, FolderHandleStaysOnItsFolderWhenTheFolderIsRenamed)
{
    folder("sub");
    file("sub/x", "X");
    const FolderHandle handle(dir_.file("sub/"));
    ASSERT_TRUE(RenameNoReplace(path("sub"), path("moved")).ok());
    EXPECT_TRUE(handle.presence("x").exists);
    EXPECT_TRUE(handle.renameNoReplace("x", "y").ok());
    EXPECT_EQ(content("moved/y"), "X");
}
