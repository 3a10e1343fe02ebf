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

# The decoders alone, where libFuzzer reaches their corners much faster than through a 7z
# container, and the branch filters' split-call property.
foreach(decoder ppmd bzip2 deflate64 branch)
  installer_fuzz_target(fuzz_${decoder} SOURCES ${PROJECT_SOURCE_DIR}/tests/fuzz/${decoder}_fuzz.cpp
                        LIBS archive)
  add_dependencies(fuzz_all fuzz_${decoder})
endforeach()
