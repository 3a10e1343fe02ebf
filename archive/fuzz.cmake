# The 7z reader's fuzz target (included by the top-level CMakeLists.txt in the fuzz build,
# after tests/fuzz, whose installer_fuzz_target() it uses). The flags variable of
# tests/fuzz is not visible from here, so the same flags are spelled out again.
set(INSTALLER_FUZZ_FLAGS -fsanitize=fuzzer,address,undefined -fno-omit-frame-pointer
    -fno-sanitize-recover=undefined)
target_compile_options(archive PRIVATE -fsanitize=fuzzer-no-link,address,undefined
                       -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
installer_fuzz_target(fuzz_archive SOURCES ${PROJECT_SOURCE_DIR}/tests/fuzz/archive_fuzz.cpp
                      LIBS archive)
add_dependencies(fuzz_all fuzz_archive)
