#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "platform/files.h"

namespace qv {
namespace {

namespace fs = std::filesystem;

TEST(AtomicWrite, ReplacesWholeKeepsModeAndLeavesNoTemporaryFile) {
    fs::path dir = fs::temp_directory_path() / ("qv_atomic_" + std::to_string(getpid()));
    fs::remove_all(dir);
    fs::create_directories(dir);
    std::string target = (dir / "out.ini").string();

    ASSERT_TRUE(write_file_atomic(target, "first\n"));
    ::chmod(target.c_str(), 0600);
    ASSERT_TRUE(write_file_atomic(target, std::string("second\0line\n", 12)));
    std::string back;
    ASSERT_TRUE(read_file(target, back, 1 << 20));
    EXPECT_EQ(back, std::string("second\0line\n", 12));
    struct stat st {};
    ASSERT_EQ(::stat(target.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 1);

    // A missing folder or a directory as target fails and destroys nothing.
    EXPECT_FALSE(write_file_atomic((dir / "missing" / "x.ini").string(), "x"));
    fs::create_directories(dir / "sub");
    EXPECT_FALSE(write_file_atomic((dir / "sub").string(), "x"));
    EXPECT_TRUE(fs::is_directory(dir / "sub"));
    EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 2);

    // Reading: limits, directories and missing files.
    EXPECT_FALSE(read_file(target, back, 4));
    EXPECT_FALSE(read_file((dir / "sub").string(), back, 100));
    EXPECT_FALSE(read_file((dir / "nothing").string(), back, 100));
    fs::remove_all(dir);
}

}  // namespace
}  // namespace qv
