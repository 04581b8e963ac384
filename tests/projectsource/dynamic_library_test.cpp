// Run-time libraries as the decoder binding uses them: load by path, look up by name, release.
#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "platform/dynamic_library.h"

namespace {

bool mapped(const std::string& file_name) {
    std::ifstream maps("/proc/self/maps");
    std::string line;
    while (std::getline(maps, line))
        if (line.find(file_name) != std::string::npos) return true;
    return false;
}

TEST(DynamicLibraryTest, LoadsLooksUpAndReleases) {
    qv::DynamicLibrary lib;
    EXPECT_FALSE(lib.is_open());
    EXPECT_EQ(lib.symbol("getFrame"), nullptr);
    EXPECT_TRUE(lib.close());  // nothing held: nothing to fail

    ASSERT_TRUE(lib.open(QV_FAKE_DECODER_LIBRARY)) << lib.error();
    EXPECT_EQ(lib.path(), QV_FAKE_DECODER_LIBRARY);
    EXPECT_NE(lib.symbol("openMPEG2Source"), nullptr);
    EXPECT_NE(lib.symbol("closeVideo"), nullptr);
    EXPECT_EQ(lib.symbol("release_frame"), nullptr);  // not exported
    EXPECT_EQ(lib.symbol(nullptr), nullptr);
    EXPECT_TRUE(mapped("qv_fake_decoder.dll"));

    EXPECT_TRUE(lib.close());
    EXPECT_FALSE(lib.is_open());
    EXPECT_TRUE(lib.path().empty());
    EXPECT_FALSE(mapped("qv_fake_decoder.dll"));
}

TEST(DynamicLibraryTest, WhatCannotBeLoadedSaysWhy) {
    qv::DynamicLibrary lib;
    for (const std::string name : {"", "/nonexistent/DGDecode10.dll", QV_SOURCE_DIR "/README.md"}) {
        SCOPED_TRACE(name);
        EXPECT_FALSE(lib.open(name));
        EXPECT_FALSE(lib.is_open());
        EXPECT_FALSE(lib.error().empty());
    }
    // A failed open releases what was held before.
    ASSERT_TRUE(lib.open(QV_FAKE_DECODER_LIBRARY));
    EXPECT_FALSE(lib.open("/nonexistent/x.dll"));
    EXPECT_FALSE(mapped("qv_fake_decoder.dll"));
}

}  // namespace
