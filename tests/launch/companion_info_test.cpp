#include "app/companion_info.h"

#include "app/dispatch.h"
#include "launch_fixture.h"
#include "platform/files.h"
#include "platform/system.h"

namespace qv::testing_launch {
namespace {

class Reports : public ProgramDir {
protected:
    void click(int id) { handle_event(core_, PageId::main, id, UiEvent::clicked); }
};

TEST_F(Reports, QvencInfoTellsWhetherTheEncoderIsThereAndItsVersion) {
    struct Case {
        const char* name;
        int encoder;  // 0 missing, 1 the stamped test encoder, 2 a file without a version
        std::string message;
    };
    const std::string path = prog_ + "QVenc_019.exe";
    const Case cases[] = {
        {"stamped", 1, " QVenc found: " + path + ", file version: 0.19.0.0"},
        {"no version", 2, " QVenc found: " + path + ", no file version information available"},
        {"missing", 0, " QV encoder: " + path + " NOT found"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove(dir_ / "QVenc_019.exe");
        if (c.encoder == 1) fs::copy_file(TEST_ENCODER, dir_ / "QVenc_019.exe");
        if (c.encoder == 2) write_text(dir_ / "QVenc_019.exe", "#!/bin/sh\nexit 0\n");
        core_.show(" before");
        click(mainp::QVENC_INFO);
        EXPECT_EQ(message(), c.message);
    }
}

TEST_F(Reports, TheInstallationIsWhatTheSystemLoaderFinds) {
    fs::create_directories(dir_ / "lib");
    const std::string stamped = (dir_ / "lib" / "libavisynth.so").string();
    fs::copy_file(TEST_ENCODER, stamped);  // any file with our version note will do
    const std::string plain = (dir_ / "lib" / "plain" / "libavisynth.so").string();
    fs::create_directories(dir_ / "lib" / "plain");
    write_text(plain, "not a library");
    const std::string gone = (dir_ / "gone" / "libavisynth.so").string();

    // Found, with a version and the library's date.
    ASSERT_TRUE(query_avisynth_install(core_, stamped));
    EXPECT_EQ(message(), " Avisynth installation found: " + dir_.string() + "/lib");
    std::int64_t born = 0;
    ASSERT_TRUE(file_birth_time(stamped, born));
    EXPECT_EQ(core_.env.frameserver_date, format_library_date(born));
    EXPECT_EQ(core_.env.frameserver_path, stamped);

    report_avisynth_info(core_, stamped);
    EXPECT_EQ(message(), " Avisynth installation found: " + dir_.string() +
                             "/lib, file version: 0.19.0.0, creation date: " +
                             format_library_date(born));

    // Found, without a version.
    report_avisynth_info(core_, plain);
    EXPECT_EQ(message(), " Avisynth installation found: " + dir_.string() +
                             "/lib/plain, no file version information available");

    // The installation is named but its library is gone.
    report_avisynth_info(core_, gone);
    EXPECT_EQ(message(), " Avisynth.dll NOT found in " + gone);

    // Nothing installed: the frame server we ship beside the program does not count.
    fs::create_directories(dir_ / "frameserver");
    write_text(dir_ / "frameserver" / "libavisynth.so", "bundled");
    core_.env.frameserver_path = prog_ + "frameserver/libavisynth.so";
    EXPECT_FALSE(query_avisynth_install(core_, ""));
    EXPECT_EQ(message(), " Avisynth installation NOT found");
    core_.show(" before");
    report_avisynth_info(core_, "");
    EXPECT_EQ(message(), " Avisynth installation NOT found");
}

TEST_F(Reports, TheButtonAsksTheSystemLoader) {
    click(mainp::AVISYNTH_INFO);
    const std::string installed = system_library_path("libavisynth.so");
    if (installed.empty()) {
        EXPECT_EQ(message(), " Avisynth installation NOT found");
    } else {
        EXPECT_EQ(message().rfind(" Avisynth installation found: ", 0), 0u) << message();
        EXPECT_EQ(core_.env.frameserver_path, installed);
    }
}

TEST_F(Reports, DgdecodeInfoListsTheVersionsOfTheFiveLibraries) {
    struct Case {
        const char* name;
        std::vector<const char*> files;
        std::string message;
    };
    const std::string found = " DGDecode decoder found, valid project versions: ";
    const Case cases[] = {
        {"none", {}, " DGDecode NOT found"},
        {"only the working copy", {"../DGDecode.dll", "DGDecode.dll"}, " DGDecode NOT found"},
        {"10 and 13", {"DGDecode10.dll", "DGDecode13.dll"}, found + "  10  13"},
        {"6 only", {"DGDecode06.dll"}, found + "  6"},
        {"all five",
         {"DGDecode13.dll", "DGDecode06.dll", "DGDecode12.dll", "DGDecode10.dll",
          "DGDecode11.dll"},
         found + "  6  10  11  12  13"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove_all(dir_ / "DGDecode");
        fs::remove(dir_ / "DGDecode.dll");
        fs::create_directories(dir_ / "DGDecode");
        for (const char* file : c.files) write_text(dir_ / "DGDecode" / file, "library");
        core_.show(" before");
        click(mainp::DGDECODE_INFO);
        EXPECT_EQ(message(), c.message);
    }
}

TEST_F(Reports, AFolderNamedLikeALibraryIsNoLibrary) {
    fs::create_directories(dir_ / "DGDecode" / "DGDecode12.dll");
    click(mainp::DGDECODE_INFO);
    EXPECT_EQ(message(), " DGDecode NOT found");
    fs::remove_all(dir_ / "DGDecode");
    click(mainp::DGDECODE_INFO);
    EXPECT_EQ(message(), " DGDecode NOT found") << "no decoder folder at all";
}

}  // namespace
}  // namespace qv::testing_launch
