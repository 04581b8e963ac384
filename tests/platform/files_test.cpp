#include "platform/files.h"

#include <ctime>
#include <filesystem>
#include <gtest/gtest.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

#include "test_dir.h"

namespace {

using qv_test::TempDir;

std::size_t entries_in(const std::string& dir) {
    std::size_t n = 0;
    for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(dir)) ++n;
    return n;
}

TEST(Files, ExistsMeansSomethingOtherThanADirectory) {
    TempDir dir;
    ASSERT_FALSE(dir.path().empty());
    qv_test::write_bytes(dir / "file", "x");
    ::mkdir((dir / "folder").c_str(), 0755);
    ::symlink("file", (dir / "link").c_str());
    ::symlink("gone", (dir / "dangling").c_str());
    EXPECT_TRUE(qv::file_exists(dir / "file"));
    EXPECT_TRUE(qv::file_exists(dir / "link"));
    EXPECT_FALSE(qv::file_exists(dir / "folder"));
    EXPECT_FALSE(qv::file_exists(dir / "dangling"));
    EXPECT_FALSE(qv::file_exists(dir / "missing"));
    EXPECT_FALSE(qv::file_exists(""));
}

TEST(Files, DeleteRemovesFilesOnly) {
    TempDir dir;
    ASSERT_FALSE(dir.path().empty());
    qv_test::write_bytes(dir / "QV.dbs", "left over");
    ::mkdir((dir / "folder").c_str(), 0755);
    EXPECT_TRUE(qv::delete_file(dir / "QV.dbs"));
    EXPECT_FALSE(qv::file_exists(dir / "QV.dbs"));
    EXPECT_FALSE(qv::delete_file(dir / "QV.dbs"));
    EXPECT_FALSE(qv::delete_file(dir / "folder"));
    EXPECT_TRUE(std::filesystem::is_directory(dir / "folder"));
    EXPECT_FALSE(qv::delete_file(""));
}

TEST(Files, CopyReplacesTargetWithExactBytesAndMode) {
    TempDir dir;
    ASSERT_FALSE(dir.path().empty());
    std::string library(200000, '\0');
    for (std::size_t i = 0; i < library.size(); ++i) library[i] = static_cast<char>(i * 31);
    qv_test::write_bytes(dir / "DGDecode10.dll", library);
    ::chmod((dir / "DGDecode10.dll").c_str(), 0750);
    // A longer old target: nothing of it may survive.
    qv_test::write_bytes(dir / "DGDecode.dll", std::string(300000, 'o'));

    ASSERT_TRUE(qv::copy_file_replace(dir / "DGDecode10.dll", dir / "DGDecode.dll"));
    EXPECT_EQ(qv_test::read_bytes(dir / "DGDecode.dll"), library);
    struct stat st {};
    ASSERT_EQ(::stat((dir / "DGDecode.dll").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0750u);
    EXPECT_EQ(entries_in(dir.path()), 2u);  // no temporary file left

    // Into a new name, and an empty source.
    qv_test::write_bytes(dir / "empty", "");
    ASSERT_TRUE(qv::copy_file_replace(dir / "empty", dir / "copy"));
    EXPECT_EQ(qv_test::read_bytes(dir / "copy"), "");
}

TEST(Files, FailedCopyLeavesTargetAndFolderAsTheyWere) {
    TempDir dir;
    ASSERT_FALSE(dir.path().empty());
    qv_test::write_bytes(dir / "DGDecode.dll", "old copy");
    ::mkdir((dir / "folder").c_str(), 0755);
    qv_test::write_bytes(dir / "source", "new");

    EXPECT_FALSE(qv::copy_file_replace(dir / "missing", dir / "DGDecode.dll"));
    EXPECT_FALSE(qv::copy_file_replace(dir / "folder", dir / "DGDecode.dll"));
    EXPECT_FALSE(qv::copy_file_replace(dir / "source", dir / "folder"));
    EXPECT_FALSE(qv::copy_file_replace(dir / "source", dir / "no_such_dir/DGDecode.dll"));
    EXPECT_FALSE(qv::copy_file_replace("", dir / "DGDecode.dll"));
    EXPECT_FALSE(qv::copy_file_replace(dir / "source", ""));

    EXPECT_EQ(qv_test::read_bytes(dir / "DGDecode.dll"), "old copy");
    EXPECT_TRUE(std::filesystem::is_directory(dir / "folder"));
    EXPECT_EQ(entries_in(dir.path()), 3u);  // no temporary file left
}

TEST(Files, BirthTimeOfANewFileIsNow) {
    TempDir dir;
    ASSERT_FALSE(dir.path().empty());
    const std::int64_t before = static_cast<std::int64_t>(std::time(nullptr));
    qv_test::write_bytes(dir / "avisynth.dll", "x");
    std::int64_t born = 0;
    ASSERT_TRUE(qv::file_birth_time(dir / "avisynth.dll", born));
    EXPECT_GE(born, before - 2);
    EXPECT_LE(born, static_cast<std::int64_t>(std::time(nullptr)) + 2);

    born = 99;
    EXPECT_FALSE(qv::file_birth_time(dir / "missing", born));
    EXPECT_EQ(born, 0);
}

}  // namespace
