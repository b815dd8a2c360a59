# zvk_warnings(target): our own targets build with all warnings as errors.
function(zvk_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Werror)
endfunction()

# zvk_library(name SOURCES...): one static library per folder, with the project
# root on its include path so includes read "app/Buffers.h".
function(zvk_library name)
  add_library(${name} STATIC ${ARGN})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR})
  zvk_warnings(${name})
endfunction()

# zvk_test(name SOURCES... LIBS libs...): one GoogleTest executable, its cases
# registered with ctest.
function(zvk_test name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gtest GTest::gtest_main)
  zvk_warnings(${name})
  gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60
                       PROPERTIES ENVIRONMENT "ZVK_SOURCE_DIR=${PROJECT_SOURCE_DIR}")
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
