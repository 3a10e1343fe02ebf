# Compiler settings shared by every target, and the helpers that declare libraries and tests.

if(WIN32 AND NOT INSTALLER_FUZZ)
  # Windows tests run through Wine in a prefix of their own (see tests/win/wine-run.sh).
  set(CMAKE_CROSSCOMPILING_EMULATOR ${PROJECT_SOURCE_DIR}/tests/win/wine-run.sh)
  set(gtest_disable_pthreads OFF CACHE BOOL "" FORCE)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  # GoogleTest is built before our options apply: its sources are not GBK-clean.
  add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
endif()


# Narrow literals are GBK in the binaries: every text of the system is GBK at run time.
# clang has no GBK execution charset; it only builds the fuzz targets, which do not depend on it.
if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
  add_compile_options(-finput-charset=UTF-8 -fexec-charset=GBK)
endif()
add_compile_options(-Wall -Wextra)

if(WIN32)
  # An installer stub must be small and must not need runtime DLLs beside it.
  add_compile_options(-ffunction-sections -fdata-sections)
  add_compile_definitions(UNICODE _UNICODE WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0601)
  add_link_options(-static -static-libgcc -static-libstdc++ -Wl,--gc-sections)
  if(CMAKE_BUILD_TYPE STREQUAL "MinSizeRel")
    add_link_options(-s)
  endif()
endif()

if(INSTALLER_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  add_link_options(-fsanitize=address,undefined)
endif()

if(NOT WIN32 AND NOT INSTALLER_FUZZ)
  find_package(GTest REQUIRED)
endif()

# installer_test(NAME sources... LIBS libs...)
# Declares one GoogleTest executable. Natively every test case is a CTest test; under Wine
# the executable runs once as a whole (each Wine start costs about a second).
function(installer_test name)
  cmake_parse_arguments(T "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gtest_main GTest::gmock)
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR})
  if(WIN32)
    add_test(NAME ${name} COMMAND ${name})
    set_tests_properties(${name} PROPERTIES TIMEOUT 600)
  else()
    include(GoogleTest)
    gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST
      WORKING_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR} PROPERTIES TIMEOUT 300)
  endif()
endfunction()


# installer_without_exceptions(dir...)
# The Windows runtime (setup.exe, uninst.exe and the libraries they are made of) throws and
# catches nothing and asks no type at run time: its targets are built without exception
# tables and RTTI, which an installer stub carries for nothing. An exception from the C++
# runtime below (a failed allocation) still ends the process, as it did uncaught. Tests are
# not listed: GoogleTest and test code keep exceptions. In MinSizeRel they are also built with
# -Oz: nothing there is speed-critical (the archive engine and the library are not listed),
# and it takes the i686 setup.exe under its 512 KB (archive/README.md, Sizes).
function(installer_without_exceptions)
  if(NOT WIN32)
    return()
  endif()
  foreach(dir ${ARGN})
    get_property(targets DIRECTORY ${dir} PROPERTY BUILDSYSTEM_TARGETS)
    foreach(target ${targets})
      get_target_property(type ${target} TYPE)
      if(type MATCHES "LIBRARY|EXECUTABLE" AND NOT type STREQUAL "INTERFACE_LIBRARY")
        target_compile_options(${target} PRIVATE
          $<$<COMPILE_LANGUAGE:CXX>:-fno-exceptions -fno-rtti>
          $<$<COMPILE_LANGUAGE:C,CXX>:-fno-asynchronous-unwind-tables>)
        if(CMAKE_BUILD_TYPE STREQUAL "MinSizeRel")
          target_compile_options(${target} PRIVATE $<$<COMPILE_LANGUAGE:C,CXX>:-Oz>)
        endif()
      endif()
    endforeach()
    get_property(children DIRECTORY ${dir} PROPERTY SUBDIRECTORIES)
    if(children)
      installer_without_exceptions(${children})
    endif()
  endforeach()
endfunction()
