// File access: Windows paths find files whatever their case, and the data
// directory is chosen as a whole.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <cstdlib>
#include <string>

#include "file_access.h"

namespace {

class FileAccessTest : public testing::Test {
protected:
    std::string previous, root;

    void SetUp() override {
        char here[PATH_MAX];
        ASSERT_NE(getcwd(here, sizeof here), nullptr);
        previous = here;
        char pattern[] = "/tmp/oc-files-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        root = pattern;
        // work/ is the working directory, installed/ the data directory.
        for (const char *dir : {"/work", "/work/Materials", "/installed", "/installed/Materials"})
            ASSERT_EQ(mkdir((root + dir).c_str(), 0755), 0);
        for (const char *file : {"/work/Materials/tree.x", "/work/Materials/bark.png", "/work/Materials/Dup.png",
                                 "/work/Materials/DUP.png", "/work/out.bmp", "/installed/Materials/tree.x",
                                 "/installed/Materials/skybox.x"})
            Touch(root + file);
        ASSERT_EQ(chdir((root + "/work").c_str()), 0);
    }
    void TearDown() override {
        ASSERT_EQ(chdir(previous.c_str()), 0);
        std::string remove = "rm -rf '" + root + "'";
        ASSERT_EQ(system(remove.c_str()), 0);
    }
    static void Touch(const std::string &path) { fclose(fopen(path.c_str(), "w")); }

    // The resolved path, or "error: <reason>".
    std::string Resolve(const char *path, PathUse use = PathUse::Reading) {
        std::string native, error;
        if (!ResolvePathIn(path, use, root + "/installed", native, error)) return "error: " + error;
        return native.rfind(root, 0) == 0 ? "<root>" + native.substr(root.size()) : native;
    }
};

TEST_F(FileAccessTest, MissingNamesAreFoundIgnoringCaseInTheirDirectory) {
    const std::pair<const char *, std::string> cases[] = {
        {"Materials\\tree.x", "Materials/tree.x"},
        {"materials\\TREE.X", "Materials/tree.x"},
        {"Materials\\BARK.PNG", "Materials/bark.png"},
        {"OUT.bmp", "out.bmp"},
        {"Materials\\Dup.png", "Materials/Dup.png"},  // the exact name wins
        {"Materials\\dup.png", "error: Materials\\dup.png: 'dup.png' matches 2 files in Materials: D"},
        {"Materials\\none.x", "error: Materials\\none.x: no file 'none.x' in Materials"},
        {"Materials\\bark.png\\x", "error: Materials\\bark.png\\x: no file 'x' in Materials/bark.png"},
        {"Materials\\sub\\x", "error: Materials\\sub\\x: no directory 'sub' in Materials"},
        {"", "error: : empty path"},
    };
    for (const auto &[path, expected] : cases) EXPECT_EQ(Resolve(path).substr(0, expected.size()), expected) << path;
    // Both names of a clash are given (in directory order).
    std::string clash = Resolve("Materials\\dup.png");
    EXPECT_NE(clash.find("Dup.png"), std::string::npos) << clash;
    EXPECT_NE(clash.find("DUP.png"), std::string::npos) << clash;
}

TEST_F(FileAccessTest, TheDataDirectoryIsChosenAsAWhole) {
    // The local Materials\ lacks skybox.x: the installed one is not consulted.
    EXPECT_EQ(Resolve("Materials\\skybox.x"), "error: Materials\\skybox.x: no file 'skybox.x' in Materials");
    EXPECT_EQ(Resolve("Materials\\tree.x"), "Materials/tree.x");
    // Without a local Materials\ every file comes from the installed one.
    ASSERT_EQ(system("rm -r Materials"), 0);
    EXPECT_EQ(Resolve("Materials\\skybox.x"), "<root>/installed/Materials/skybox.x");
    EXPECT_EQ(Resolve("MATERIALS\\Tree.X"), "<root>/installed/Materials/tree.x");
    EXPECT_EQ(Resolve("Materials\\bark.png"),
              "error: Materials\\bark.png: no file 'bark.png' in " + root + "/installed/Materials");
    EXPECT_EQ(Resolve("Other\\a.x"), "error: Other\\a.x: no directory 'Other' in the working directory or in " + root +
                                         "/installed");
    // Two local candidates are an error, not a reason to look elsewhere.
    for (const char *dir : {"materials", "MATERIALS"}) ASSERT_EQ(mkdir(dir, 0755), 0);
    EXPECT_EQ(Resolve("Materials\\tree.x").substr(0, 52), "error: Materials\\tree.x: 'Materials' matches 2 files");
    ASSERT_EQ(system("rmdir materials MATERIALS"), 0);
    // Writing stays in the working directory.
    EXPECT_EQ(Resolve("Materials\\new.bmp", PathUse::Writing),
              "error: Materials\\new.bmp: no directory 'Materials' in the working directory");
}

TEST_F(FileAccessTest, WritingMayNameANewFileInAnExistingDirectory) {
    EXPECT_EQ(Resolve("materials\\NEW.bmp", PathUse::Writing), "Materials/NEW.bmp");
    EXPECT_EQ(Resolve("Out.BMP", PathUse::Writing), "out.bmp");  // Windows would overwrite it
    EXPECT_EQ(Resolve("Materials\\new.bmp"), "error: Materials\\new.bmp: no file 'new.bmp' in Materials");
}

}  // namespace
