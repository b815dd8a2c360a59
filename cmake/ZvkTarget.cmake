# Warnings are errors where developers and CI build (the presets turn it on),
# not in a packager's build, which must not fail on a new compiler's warning.
option(ZVK_WERROR "Treat compiler warnings in our targets as errors" OFF)

# GCC 12 at -O3 reports overlapping copies inside std::string's own inline
# code for plain assignments and concatenations (`s = ","`, `"x" + str`; GCC
# bugs 105329 and 105651). They cannot happen, and they turn up wherever the
# optimiser inlines strings, not at a few lines one could mark, so -Wrestrict
# is off for that one compiler series only.
set(zvk_gcc12 "$<AND:$<CXX_COMPILER_ID:GNU>,$<VERSION_GREATER_EQUAL:$<CXX_COMPILER_VERSION>,12>,$<VERSION_LESS:$<CXX_COMPILER_VERSION>,13>>")

# zvk_warnings(target): our own targets build with all warnings, as errors
# when ZVK_WERROR is on.
function(zvk_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra $<$<BOOL:${ZVK_WERROR}>:-Werror>
                                           $<${zvk_gcc12}:-Wno-restrict>)
endfunction()

# zvk_library(name SOURCES...): one static library per folder, with the project
# root on its include path so includes read "app/Buffers.h".
function(zvk_library name)
  add_library(${name} STATIC ${ARGN})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR})
  zvk_warnings(${name})
endfunction()

# zvk_static_runtime(target): on Windows, a Qt-free program carries the
# MinGW runtime (libstdc++, libgcc, winpthread) inside, so that it runs from
# any folder with no DLL beside it.
function(zvk_static_runtime target)
  if(WIN32)
    target_link_options(${target} PRIVATE -static)
  endif()
endfunction()

# zvk_test(name SOURCES... LIBS libs...): one GoogleTest executable, its cases
# registered with ctest. A Windows build lists the cases when the tests run,
# under the cross-compiling emulator (Wine), not while it builds.
function(zvk_test name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gtest GTest::gtest_main)
  zvk_warnings(${name})
  zvk_static_runtime(${name})
  if(WIN32)
    gtest_discover_tests(${name} DISCOVERY_TIMEOUT 120 DISCOVERY_MODE PRE_TEST
                         PROPERTIES ENVIRONMENT "ZVK_SOURCE_DIR=${PROJECT_SOURCE_DIR}")
  else()
    gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60
                         PROPERTIES ENVIRONMENT "ZVK_SOURCE_DIR=${PROJECT_SOURCE_DIR}")
  endif()
endfunction()

# zvk_qt_test(name SOURCES... LIBS libs...): one Qt Test executable for ui/,
# run by ctest on the offscreen platform so that no display is needed and no
# window shows.
function(zvk_qt_test name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  set_target_properties(${name} PROPERTIES AUTOMOC ON)
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} Qt6::Test)
  zvk_warnings(${name})
  add_test(NAME ${name} COMMAND ${name})
  set_tests_properties(${name} PROPERTIES
    ENVIRONMENT "QT_QPA_PLATFORM=offscreen;ZVK_SOURCE_DIR=${PROJECT_SOURCE_DIR}")
endfunction()
