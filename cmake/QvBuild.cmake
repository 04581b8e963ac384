# Common compile settings for every target of the project.
add_library(qv_options INTERFACE)
target_compile_options(qv_options INTERFACE
# -Wno-restrict: g++ 12 reports false overlaps in inlined std::string assignments at -O2.
    $<$<COMPILE_LANGUAGE:CXX>:-Wall -Wextra -Wpedantic -Wshadow -Wnon-virtual-dtor -Wcast-align
                              -Wno-missing-field-initializers
                              -Wno-restrict>
    $<$<COMPILE_LANGUAGE:C>:-Wall -Wextra>)
if(QV_WERROR)
    target_compile_options(qv_options INTERFACE -Werror)
endif()
if(QV_SANITIZE)
    add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer
                        -fno-sanitize-recover=undefined)
    add_link_options(-fsanitize=address,undefined)
endif()

include(${CMAKE_CURRENT_LIST_DIR}/QvVersionNote.cmake)

# qv_add_gtest(name SOURCES a.cpp b.cpp LIBS lib1 lib2)
# A GoogleTest program whose tests are registered with CTest one by one.
function(qv_add_gtest name)
    cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
    add_executable(${name} ${ARG_SOURCES})
    target_link_libraries(${name} PRIVATE qv_options GTest::gtest GTest::gtest_main ${ARG_LIBS})
    target_compile_definitions(${name} PRIVATE
        QV_SOURCE_DIR="${PROJECT_SOURCE_DIR}" QV_PROGRAM_DIR="${QV_PROGRAM_DIR}"
        QV_BINARY_DIR="${CMAKE_BINARY_DIR}")
    gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST
        PROPERTIES ENVIRONMENT "ASAN_OPTIONS=detect_leaks=0" TIMEOUT 300)
endfunction()

# qv_add_fuzzer(name SOURCE f.cpp LIBS ... CORPUS dir)
# A fuzz entry point; its seed corpus always runs as an ordinary test.
function(qv_add_fuzzer name)
    cmake_parse_arguments(ARG "" "SOURCE;CORPUS" "LIBS" ${ARGN})
    add_executable(${name} ${ARG_SOURCE} ${PROJECT_SOURCE_DIR}/fuzz/corpus_runner.cpp)
    target_link_libraries(${name} PRIVATE qv_options ${ARG_LIBS})
    add_test(NAME ${name}.corpus COMMAND ${name} ${ARG_CORPUS})
    set_tests_properties(${name}.corpus PROPERTIES ENVIRONMENT "ASAN_OPTIONS=detect_leaks=0"
                         TIMEOUT 300)
endfunction()

# qv_add_subfolders(): every subfolder of the current folder that has a CMakeLists.txt joins the
# build, so a new test, benchmark, fuzz entry point or companion needs no edit of its parent.
function(qv_add_subfolders)
    file(GLOB children LIST_DIRECTORIES true RELATIVE ${CMAKE_CURRENT_SOURCE_DIR}
         ${CMAKE_CURRENT_SOURCE_DIR}/*)
    list(SORT children)
    foreach(child IN LISTS children)
        if(EXISTS ${CMAKE_CURRENT_SOURCE_DIR}/${child}/CMakeLists.txt)
            add_subdirectory(${child})
        endif()
    endforeach()
endfunction()
