// Reading the header, file count and file lines of an index project.
#include "companions/decoder/project_file.h"
#include "decoder_test_support.h"

#include <gtest/gtest.h>

using namespace qv::decoder;
using namespace qv::decoder_test;

namespace {

TEST(ProjectFile, VersionIsTheLastTwoNonBlankCharacters)
{
    const std::vector<std::pair<std::string, int>> cases = {
        {"DGIndexProjectFile16", 16}, {"QVTestIndexProject06", 6}, {"Project 6", 6},
        {"Project 6   \t", 6},        {"Project13", 13},            {"x10", 10},
        {"6", 6},                      {"", -1},                     {"   ", -1},
        {"Project1x", -1},             {"Projectx1", -1},            {"Project-6", -1},
    };
    for (const auto& [header, version] : cases)
        EXPECT_EQ(project_version_from_header(header), version) << '"' << header << '"';
}

TEST(ProjectFile, OnlyVersionsWithALibraryAreSupported)
{
    for (int v = -1; v <= 20; ++v)
        EXPECT_EQ(is_supported_project_version(v), v == 6 || (v >= 10 && v <= 13)) << v;
}

TEST(ProjectFile, SourcePathLayoutDependsOnTheVersion)
{
    struct Case {
        std::string line;
        int version;
        std::string path;
    };
    const std::vector<Case> cases = {
        {"1 /video/a.m2v", 6, "/video/a.m2v"},
        {"12345   /video/a b.m2v  ", 6, "/video/a b.m2v"},
        {"   /video/a.m2v", 6, "/video/a.m2v"},
        {"/video/a.m2v", 6, ""},
        {"1 /video/a.m2v", 10, "1 /video/a.m2v"},
        {"  /video/a b.m2v \t", 11, "/video/a b.m2v"},
        {"/video/a.m2v", 13, "/video/a.m2v"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(project_source_path(c.line, c.version), c.path) << c.line << " v" << c.version;
}

TEST(ProjectFile, ReadsTheListedFilesInOrderAndResolvesRelativeNames)
{
    TempDir dir;
    write_file(dir / "a.m2v", "a");
    write_file(dir / "b.m2v", "b");
    write_file(dir / "p.d2v", project_text(6, {(dir / "b.m2v").string(), "a.m2v"}));
    ProjectFile project;
    std::string error;
    ASSERT_TRUE(read_project_file(dir / "p.d2v", project, error)) << error;
    EXPECT_EQ(project.version, 6);
    ASSERT_EQ(project.files.size(), 2u);
    EXPECT_EQ(project.files[0], (dir / "b.m2v").string());
    EXPECT_EQ(std::filesystem::path(project.files[1]), dir / "a.m2v");

    write_file(dir / "q.d2v", project_text(12, {"missing.m2v"}));
    EXPECT_FALSE(read_project_file(dir / "q.d2v", project, error));
    EXPECT_NE(error.find("missing.m2v"), std::string::npos) << error;
}

}  // namespace
