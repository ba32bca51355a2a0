#include "FolderList.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

using testsupport::TempDir;

// Creates each file in dir (empty: the list never reads them).
void Touch(const TempDir& dir, std::initializer_list<const char*> names)
{
    for (const char* name : names)
        std::ofstream(dir.Path() / name).put('\0');
}

// Changes the current folder for the length of a test.
class CurrentFolder {
public:
    explicit CurrentFolder(const fs::path& folder) : saved_(fs::current_path()) { fs::current_path(folder); }
    ~CurrentFolder() { fs::current_path(saved_); }
    CurrentFolder(const CurrentFolder&) = delete;
    CurrentFolder& operator=(const CurrentFolder&) = delete;

private:
    fs::path saved_;
};

::testing::AssertionResult Opens(const NavigationStep& step, const std::string& path)
{
    if (step.kind == NavigationStep::Kind::Open && step.path == path)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "kind " << int(step.kind) << " path \"" << step.path << "\"";
}

bool Beeps(const NavigationStep& step) { return step.kind == NavigationStep::Kind::Beep; }
bool DoesNothing(const NavigationStep& step) { return step.kind == NavigationStep::Kind::Nothing; }

bool Inert(FolderList& list)
{
    return !list.CanPrevious() && !list.CanNext() && DoesNothing(list.Previous()) && DoesNothing(list.Next()) &&
           DoesNothing(list.First()) && DoesNothing(list.Last());
}

}  // namespace

TEST(FolderList, ListsRpfFilesOfAnyCaseInByteOrder)
{
    TempDir dir;
    Touch(dir, {"img2.rpf", "a_b.rpf", "a.rpf", "img10.rpf", "B.rpf", "aZ.rpf", "a1.rpf", "X.RPF", "y.Rpf",
               ".hidden.rpf", "notes.txt", "a.rpf.bak", "x.rpfx", "rpf"});
    fs::create_directory(dir.Path() / "x.rpf");
    fs::create_directory(dir.Path() / "real");
    fs::create_symlink(dir.Path() / "a.rpf", dir.Path() / "link.rpf");
    fs::create_symlink(dir.Path() / "real", dir.Path() / "folderlink.rpf");
    fs::create_symlink(dir.Path() / "gone", dir.Path() / "dangling.rpf");

    FolderList list;
    list.BeginOpen();
    list.Rebuild(dir.File("a1.rpf"));
    EXPECT_TRUE(list.IsReady());
    std::vector<std::string> expected;
    for (const char* name : {".hidden.rpf", "B.rpf", "X.RPF", "a.rpf", "a1.rpf", "aZ.rpf", "a_b.rpf", "img10.rpf",
                             "img2.rpf", "link.rpf", "y.Rpf"})
        expected.push_back(dir.File(name));
    EXPECT_EQ(std::vector<std::string>(list.FolderFiles().begin(), list.FolderFiles().end()), expected);
    EXPECT_EQ(list.CurrentFile(), dir.File("a1.rpf"));
}

TEST(FolderList, StepsWithinTheListWithoutWrapping)
{
    TempDir dir;
    Touch(dir, {"a.rpf", "b.rpf", "c.rpf"});
    FolderList list;
    list.BeginOpen();
    list.Rebuild(dir.File("b.rpf"));
    EXPECT_TRUE(list.CanPrevious());
    EXPECT_TRUE(list.CanNext());

    EXPECT_TRUE(Opens(list.Next(), dir.File("c.rpf")));
    EXPECT_TRUE(list.CanPrevious());
    EXPECT_FALSE(list.CanNext());
    EXPECT_TRUE(Beeps(list.Next()));
    EXPECT_EQ(list.CurrentFile(), dir.File("c.rpf"));

    EXPECT_TRUE(Opens(list.Previous(), dir.File("b.rpf")));
    EXPECT_TRUE(Opens(list.Previous(), dir.File("a.rpf")));
    EXPECT_FALSE(list.CanPrevious());
    EXPECT_TRUE(list.CanNext());
    EXPECT_TRUE(Beeps(list.Previous()));
    EXPECT_EQ(list.CurrentFile(), dir.File("a.rpf"));

    // First is the smallest, Last the largest, and both ask to open the
    // file already shown.
    EXPECT_TRUE(Opens(list.Last(), dir.File("c.rpf")));
    EXPECT_TRUE(Opens(list.Last(), dir.File("c.rpf")));
    EXPECT_TRUE(Opens(list.First(), dir.File("a.rpf")));
    EXPECT_TRUE(Opens(list.First(), dir.File("a.rpf")));
    EXPECT_TRUE(list.IsReady());
}

TEST(FolderList, OneFileFolder)
{
    TempDir dir;
    Touch(dir, {"only.rpf", "readme.txt"});
    FolderList list;
    list.Rebuild(dir.File("only.rpf"));
    EXPECT_FALSE(list.CanPrevious());
    EXPECT_FALSE(list.CanNext());
    EXPECT_TRUE(Beeps(list.Previous()));
    EXPECT_TRUE(Beeps(list.Next()));
    EXPECT_TRUE(Opens(list.First(), dir.File("only.rpf")));
    EXPECT_TRUE(Opens(list.Last(), dir.File("only.rpf")));
}

TEST(FolderList, SnapshotIsWalkedPastFilesThatFailToOpen)
{
    TempDir dir;
    Touch(dir, {"a.rpf", "b.rpf", "c.rpf"});
    FolderList list;
    list.Rebuild(dir.File("a.rpf"));
    fs::remove(dir.Path() / "b.rpf");
    Touch(dir, {"ab.rpf"});

    // The caller's open of b.rpf fails; the position stays on it and the
    // next step goes on past it. The new file is not seen.
    EXPECT_TRUE(Opens(list.Next(), dir.File("b.rpf")));
    EXPECT_EQ(list.CurrentFile(), dir.File("b.rpf"));
    EXPECT_TRUE(list.IsReady());
    EXPECT_TRUE(Opens(list.Next(), dir.File("c.rpf")));
    EXPECT_TRUE(Opens(list.Previous(), dir.File("b.rpf")));
    EXPECT_TRUE(Opens(list.Previous(), dir.File("a.rpf")));
    EXPECT_EQ(list.FolderFiles().size(), 3u);
}

TEST(FolderList, RelativePathsAreFoundFromTheCurrentFolder)
{
    TempDir dir;
    Touch(dir, {"a.rpf", "b.rpf"});
    fs::create_directory(dir.Path() / "sub");
    std::ofstream(dir.Path() / "sub" / "s.rpf").put('\0');
    CurrentFolder here(dir.Path());

    FolderList list;
    list.Rebuild("b.rpf");
    EXPECT_EQ(list.CurrentFile(), dir.File("b.rpf"));
    EXPECT_TRUE(Opens(list.Previous(), dir.File("a.rpf")));

    list.Rebuild("./sub/../a.rpf");
    EXPECT_EQ(list.CurrentFile(), dir.File("a.rpf"));
    EXPECT_EQ(list.FolderFiles().size(), 2u);

    list.Rebuild("sub/s.rpf");
    EXPECT_EQ(list.CurrentFile(), (dir.Path() / "sub" / "s.rpf").string());
    EXPECT_EQ(list.FolderFiles().size(), 1u);
}

TEST(FolderList, PathNotInTheListLeavesThePositionPastTheEnd)
{
    TempDir dir;
    Touch(dir, {"a.rpf", "b.rpf", "c.rpf"});
    FolderList list;
    // Letter case differs from the name on disk: the lookup is by bytes.
    list.Rebuild(dir.File("B.RPF"));
    EXPECT_EQ(list.CurrentFile(), std::nullopt);
    EXPECT_EQ(list.FolderFiles().size(), 3u);
    EXPECT_TRUE(list.CanPrevious());
    EXPECT_TRUE(Opens(list.Previous(), dir.File("c.rpf")));

    // Next goes to the first entry that sorts after the opened path.
    list.Rebuild(dir.File("b.RPF"));
    EXPECT_TRUE(list.CanNext());
    EXPECT_TRUE(Opens(list.Next(), dir.File("b.rpf")));
    list.Rebuild(dir.File("B.RPF"));
    EXPECT_TRUE(Opens(list.Next(), dir.File("a.rpf")));
    list.Rebuild(dir.File("B.RPF"));
    EXPECT_TRUE(Opens(list.First(), dir.File("a.rpf")));
    list.Rebuild(dir.File("B.RPF"));
    EXPECT_TRUE(Opens(list.Last(), dir.File("c.rpf")));

    // Nothing sorts after it: Next is disabled and beeps if it arrives.
    list.Rebuild(dir.File("d.rpf"));
    EXPECT_FALSE(list.CanNext());
    EXPECT_TRUE(Beeps(list.Next()));
    EXPECT_EQ(list.CurrentFile(), std::nullopt);
    EXPECT_TRUE(Opens(list.Previous(), dir.File("c.rpf")));
}

TEST(FolderList, ReadyWithAnEmptyListDoesNothing)
{
    TempDir dir;
    Touch(dir, {"picture.png"});
    FolderList list;
    list.Rebuild(dir.File("picture.png"));
    EXPECT_TRUE(list.IsReady());
    EXPECT_TRUE(list.FolderFiles().empty());
    EXPECT_TRUE(Inert(list));

    list.Rebuild(dir.File("missing/a.rpf"));
    EXPECT_TRUE(list.IsReady());
    EXPECT_TRUE(list.FolderFiles().empty());
    EXPECT_TRUE(Inert(list));
}

TEST(FolderList, NotReadyFromStartAndWhileAnOpenHasNotSucceeded)
{
    TempDir one, two;
    Touch(one, {"a.rpf", "b.rpf", "c.rpf"});
    Touch(two, {"z.rpf"});
    FolderList list;
    EXPECT_FALSE(list.IsReady());
    EXPECT_TRUE(Inert(list));

    list.Rebuild(one.File("b.rpf"));
    // An open that fails leaves the old list but disables navigation.
    list.BeginOpen();
    EXPECT_FALSE(list.IsReady());
    EXPECT_EQ(list.FolderFiles().size(), 3u);
    EXPECT_TRUE(Inert(list));
    EXPECT_EQ(list.CurrentFile(), one.File("b.rpf"));

    // The next successful open replaces the list.
    list.BeginOpen();
    list.Rebuild(two.File("z.rpf"));
    EXPECT_TRUE(list.IsReady());
    EXPECT_EQ(std::vector<std::string>(list.FolderFiles().begin(), list.FolderFiles().end()),
              std::vector<std::string>{two.File("z.rpf")});
}

TEST(FolderList, AnAbandonedOpenGivesBackTheListAndThePlace)
{
    TempDir dir;
    Touch(dir, {"a.rpf", "b.rpf", "c.rpf"});
    FolderList list;
    // Before any open succeeded there is nothing to give back.
    list.BeginOpen();
    list.AbandonOpen();
    EXPECT_TRUE(Inert(list));

    list.BeginOpen();
    list.Rebuild(dir.File("b.rpf"));
    list.BeginOpen();
    list.AbandonOpen();
    EXPECT_TRUE(list.IsReady());
    EXPECT_EQ(list.CurrentFile(), dir.File("b.rpf"));
    EXPECT_TRUE(Opens(list.Next(), dir.File("c.rpf")));
}

TEST(FolderList, DotDotAfterALinkLeadsWhereTheFileSystemGoes)
{
    TempDir dir;
    fs::create_directories(dir.Path() / "a" / "b");
    Touch(dir, {"x.rpf", "a/x.rpf", "a/w.rpf", "a/b/v.rpf"});
    fs::create_directory_symlink(dir.Path() / "a" / "b", dir.Path() / "link");

    // link/.. is the folder above the link's target, a; cutting the text
    // would give the decoy x.rpf beside the link.
    FolderList list;
    list.BeginOpen();
    list.Rebuild(dir.File("link/../x.rpf"));
    EXPECT_EQ(list.CurrentFile(), dir.File("a/x.rpf"));
    EXPECT_EQ(std::vector<std::string>(list.FolderFiles().begin(), list.FolderFiles().end()),
              (std::vector<std::string>{dir.File("a/w.rpf"), dir.File("a/x.rpf")}));
    EXPECT_TRUE(Opens(list.Previous(), dir.File("a/w.rpf")));
}
