# Helpers shared by every folder's CMakeLists.

# Warnings for our own code: -Wall -Wextra, and errors when TESSELLON_WERROR is on.
option(TESSELLON_WERROR "Treat warnings in our own code as errors" OFF)
function(tessellon_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra)
  if(TESSELLON_WERROR)
    target_compile_options(${target} PRIVATE -Werror)
  endif()
endfunction()

# tessellon_library(name SOURCES ... DEPENDS ...): one library target per folder.
function(tessellon_library name)
  cmake_parse_arguments(ARG "" "" "SOURCES;DEPENDS" ${ARGN})
  add_library(${name} STATIC ${ARG_SOURCES})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR})
  target_link_libraries(${name} PUBLIC ${ARG_DEPENDS})
  tessellon_warnings(${name})
endfunction()

# tessellon_test(name SOURCES ... DEPENDS ...): one GoogleTest executable registered with CTest.
function(tessellon_test name)
  cmake_parse_arguments(ARG "" "" "SOURCES;DEPENDS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_DEPENDS} GTest::gtest GTest::gtest_main GTest::gmock)
  tessellon_warnings(${name})
  add_test(NAME ${name} COMMAND ${name})
  set(environment "QT_QPA_PLATFORM=offscreen;TESSELLON_TEST_DATA=${PROJECT_SOURCE_DIR}/tests/data")
  if(TESSELLON_TSAN)
    # The first race fails the test; the suppressions cover the libraries that are not ours.
    list(APPEND environment
      "TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1:suppressions=${PROJECT_SOURCE_DIR}/tests/tsan.supp")
  endif()
  set_tests_properties(${name} PROPERTIES ENVIRONMENT "${environment}" TIMEOUT 600)
endfunction()

# Every library target of ours that exists, for tools (benchmarks, fuzz targets)
# that may reach into any folder.
function(tessellon_all_libraries out)
  set(libs)
  foreach(folder main document layout CommUnit pictures engine codecs settings)
    string(TOLOWER "${folder}" lower)
    if(TARGET tessellon_${lower})
      list(APPEND libs tessellon_${lower})
    endif()
  endforeach()
  set(${out} ${libs} PARENT_SCOPE)
endfunction()
