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

# varnox_subsystem(name LINKS ...): a library of every .cpp/.h in the calling folder (an interface
# library while the folder has no sources yet).
function(varnox_subsystem name)
  cmake_parse_arguments(ARG "" "" "LINKS" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp ${CMAKE_CURRENT_SOURCE_DIR}/*.h
       ${CMAKE_CURRENT_SOURCE_DIR}/*/*.cpp ${CMAKE_CURRENT_SOURCE_DIR}/*/*.h ${CMAKE_CURRENT_SOURCE_DIR}/*.qrc)
  list(FILTER sources EXCLUDE REGEX "/main\\.cpp$")
  set(has_cpp FALSE)
  foreach(s ${sources})
    if(s MATCHES "\\.cpp$")
      set(has_cpp TRUE)
    endif()
  endforeach()
  if(has_cpp)
    varnox_library(${name} SOURCES ${sources} LINKS ${ARG_LINKS})
  else()
    add_library(${name} INTERFACE)
    target_link_libraries(${name} INTERFACE ${ARG_LINKS})
  endif()
endfunction()

# varnox_test_folder(prefix LINKS ...): one test executable per .cpp in the calling folder.
function(varnox_test_folder prefix)
  cmake_parse_arguments(ARG "" "" "LINKS" ${ARGN})
  file(GLOB tests CONFIGURE_DEPENDS RELATIVE ${CMAKE_CURRENT_SOURCE_DIR} ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  set(names)
  foreach(t ${tests})
    string(REGEX REPLACE "\\.cpp$" "" n ${t})
    list(APPEND names ${n})
  endforeach()
  if(names)
    varnox_tests(${prefix} LINKS ${ARG_LINKS} TESTS ${names})
  endif()
endfunction()
