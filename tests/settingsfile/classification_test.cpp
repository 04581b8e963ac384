#include <gtest/gtest.h>

#include <string>

#include "sources/input_classification.h"
#include "test_support.h"

namespace qv {
namespace {

using testing_support::prepare;
using testing_support::ScratchDir;
using testing_support::write_text;

struct Outcome {
    bool is_script;
    bool is_project;
    int32_t version;
    bool version_ok;
    bool files_found;
    const char* library;  // nullptr: not checked
};

struct ClassifyCase {
    const char* name;
    const char* file_name;
    std::string content;  // "$DIR" stands for the scratch folder
    Outcome expected;
};

std::string expand(std::string text, const std::string& dir) {
    for (std::size_t at; (at = text.find("$DIR")) != std::string::npos;) text.replace(at, 4, dir);
    return text;
}

TEST(ClassifyInput, Cases) {
    const ClassifyCase cases[] = {
        {"script", "clip.avs", "Version()\n", {true, false, 0, true, true, nullptr}},
        {"script in capitals", "CLIP.AVS", "", {true, false, 0, true, true, nullptr}},
        {"neither", "clip.avsx", "", {false, false, 0, true, true, nullptr}},
        {"no extension", "avs", "", {false, false, 0, true, true, nullptr}},
        {"version 13, no files", "p.d2v", "DGIndexProjectFile13\n0\n",
         {false, true, 13, true, true, "DGDecode13.dll"}},
        {"negative count", "p.d2v", "DGIndexProjectFile12\n-3\n",
         {false, true, 12, true, true, "DGDecode12.dll"}},
        {"version 6 line: field, blank, path", "p.d2v",
         "DVD2AVIProjectFile 6\n1\n12 $DIR/a.vob\n", {false, true, 6, true, true, "DGDecode06.dll"}},
        {"version 6 line with leading blanks", "p.d2v", "X06\n1\n   $DIR/a.vob   \n",
         {false, true, 6, true, true, nullptr}},
        {"version 10 takes the whole line", "p.d2v", "DGIndexProjectFile10\n1\n12 $DIR/a.vob\n",
         {false, false, 10, false, false, "DGDecode10.dll"}},
        {"version 11, files present, CR LF", "P.D2V",
         "DGIndexProjectFile11\r\n2 files\r\n  $DIR/a.vob\r\n$DIR/b.vob\r\nmore\r\n",
         {false, true, 11, true, true, "DGDecode11.dll"}},
        {"a missing file stops the check", "p.d2v",
         "DGIndexProjectFile12\n3\n$DIR/a.vob\n$DIR/none.vob\n$DIR/b.vob\n",
         {false, false, 12, false, false, "DGDecode12.dll"}},
        {"version 7", "p.d2v", "DGIndexProjectFile07\n0\n", {false, false, 7, false, true, ""}},
        {"version 9", "p.d2v", "DGIndexProjectFile 9\n0\n", {false, false, 9, false, true, ""}},
        {"version 16", "p.d2v", "DGIndexProjectFile16\n0\n", {false, false, 16, false, true, ""}},
        {"version 5", "p.d2v", "DGIndexProjectFile05\n0\n", {false, false, 5, false, true, ""}},
        {"empty project", "p.d2v", "", {false, false, 0, false, true, ""}},
        {"header not digits", "p.d2v", "DGIndexProjectFile\n0\n", {false, false, 0, false, true, ""}},
        {"no count", "p.d2v", "DGIndexProjectFile12\nfiles\n", {false, false, 12, false, true, ""}},
        {"only a header", "p.d2v", "DGIndexProjectFile12\n", {false, false, 12, false, true, ""}},
        {"fewer lines than the count", "p.d2v", "DGIndexProjectFile12\n3\n$DIR/a.vob\n",
         {false, false, 12, false, true, nullptr}},
        {"binary junk", "p.d2v", std::string("\x00\xff\n\x00\n", 5),
         {false, false, 0, false, true, ""}},
    };
    for (const ClassifyCase& c : cases) {
        SCOPED_TRACE(c.name);
        ScratchDir dir;
        Core core;
        prepare(core, dir);
        write_text(dir.file("a.vob"), "v");
        write_text(dir.file("b.vob"), "v");
        const std::string path = dir.file(c.file_name);
        write_text(path, expand(c.content, dir.path()));
        core.settings.input_path = path;
        core.source.decoder_library_path.clear();
        classify_input(core);
        const SourceState& src = core.source;
        EXPECT_EQ(src.is_script, c.expected.is_script);
        EXPECT_EQ(src.is_project, c.expected.is_project);
        EXPECT_EQ(src.project_version, c.expected.version);
        EXPECT_EQ(src.project_version_ok, c.expected.version_ok);
        EXPECT_EQ(src.project_files_found, c.expected.files_found);
        if (c.expected.library) {
            std::string library = *c.expected.library ? core.env.decoder_dir + c.expected.library : "";
            EXPECT_EQ(src.decoder_library_path, library);
        }
        EXPECT_EQ(core.settings.input_path, path);  // kept as written
    }
}

TEST(ClassifyInput, RelativeSourcePathsAreCheckedFromTheCurrentFolder) {
    ScratchDir dir;
    Core core;
    prepare(core, dir);
    write_text(dir.file("a.vob"), "v");
    write_text(dir.file("p.d2v"), "DGIndexProjectFile12\n1\na.vob\n");
    core.settings.input_path = dir.file("p.d2v");
    char previous[4096];
    ASSERT_NE(::getcwd(previous, sizeof previous), nullptr);
    ASSERT_EQ(::chdir(dir.path().c_str()), 0);
    classify_input(core);
    EXPECT_TRUE(core.source.is_project);
    ASSERT_EQ(::chdir("/"), 0);
    classify_input(core);
    EXPECT_FALSE(core.source.project_files_found);
    ASSERT_EQ(::chdir(previous), 0);
}

}  // namespace
}  // namespace qv
