# Shared build helpers.

function(varnox_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra)
endfunction()

# varnox_library(name SOURCES ... LINKS ...)
function(varnox_library name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LINKS" ${ARGN})
  add_library(${name} STATIC ${ARG_SOURCES})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR}/src)
  target_link_libraries(${name} PUBLIC ${ARG_LINKS})
  varnox_warnings(${name})
endfunction()

# varnox_tests(prefix LINKS ... TESTS name1 name2 ...): one executable per name (name.cpp),
# registered with CTest; tests run headless with their own settings and XDG folders.
function(varnox_tests prefix)
  cmake_parse_arguments(ARG "" "" "LINKS;TESTS" ${ARGN})
  foreach(t ${ARG_TESTS})
    set(exe ${prefix}_${t})
    add_executable(${exe} ${t}.cpp)
    target_link_libraries(${exe} PRIVATE varnox_testsupport ${ARG_LINKS} GTest::gtest GTest::gmock)
    varnox_warnings(${exe})
    add_test(NAME ${exe} COMMAND ${exe})
    set_tests_properties(${exe} PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen" TIMEOUT 300)
  endforeach()
endfunction()
