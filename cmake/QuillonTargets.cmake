# Shared settings for the project's own targets.

# Warnings as errors on our code only; third-party headers come in as system includes.
add_library(quillon_warnings INTERFACE)
target_compile_options(quillon_warnings INTERFACE -Wall -Wextra -Wpedantic -Wshadow -Werror)

add_library(quillon_options INTERFACE)
target_link_libraries(quillon_options INTERFACE quillon_warnings)
target_compile_definitions(quillon_options INTERFACE QT_NO_KEYWORDS)
if(QUILLON_FUZZ)
  # Coverage for the libraries too, so the fuzzers see inside them; sanitizers as for the targets.
  target_compile_options(quillon_options INTERFACE -fsanitize=fuzzer-no-link,address,undefined -fno-omit-frame-pointer)
  target_link_options(quillon_options INTERFACE -fsanitize=address,undefined)
elseif(QUILLON_SANITIZE)
  target_compile_options(quillon_options INTERFACE -fsanitize=address,undefined -fno-omit-frame-pointer
                                                   -fno-sanitize-recover=undefined)
  target_link_options(quillon_options INTERFACE -fsanitize=address,undefined)
endif()

# quillon_add_library(NAME SOURCES... [LIBS ...]): the static library of one folder.
# The include root is the source tree, so headers are included as "core/Outline.h".
function(quillon_add_library name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
  add_library(${name} STATIC ${ARG_SOURCES})
  target_include_directories(${name} PUBLIC "${PROJECT_SOURCE_DIR}")
  target_link_libraries(${name} PUBLIC quillon_options ${ARG_LIBS})
  set_target_properties(${name} PROPERTIES AUTOMOC ON)
endfunction()

# quillon_add_test(NAME SOURCES... LIBS... [LABELS ...] [GUI]): one Qt Test executable registered with CTest.
# GUI tests run on the offscreen platform; every test gets private XDG folders so that no test
# touches the user's own settings.
function(quillon_add_test name)
  cmake_parse_arguments(ARG "GUI" "" "SOURCES;LIBS;LABELS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE quillon_options Qt6::Test ${ARG_LIBS})
  target_include_directories(${name} PRIVATE "${PROJECT_SOURCE_DIR}")
  set_target_properties(${name} PROPERTIES AUTOMOC ON)
  add_test(NAME ${name} COMMAND ${name})
  set(labels ${ARG_LABELS})
  if(ARG_GUI)
    list(APPEND labels gui)
  else()
    list(APPEND labels nongui)
    set_property(GLOBAL APPEND PROPERTY QUILLON_NONGUI_TESTS ${name})
  endif()
  set(tmp "${CMAKE_BINARY_DIR}/test-home/${name}")
  set_tests_properties(${name} PROPERTIES
    LABELS "${labels}"
    TIMEOUT 300
    ENVIRONMENT "QT_QPA_PLATFORM=offscreen;XDG_CONFIG_HOME=${tmp}/config;XDG_DATA_HOME=${tmp}/data;XDG_CACHE_HOME=${tmp}/cache;XDG_RUNTIME_DIR=${tmp}/runtime;HOME=${tmp}/home;QUILLON_SOURCE_DIR=${PROJECT_SOURCE_DIR};QUILLON_SHARED_DIR=${PROJECT_SOURCE_DIR}/../shared")
  file(MAKE_DIRECTORY "${tmp}/config" "${tmp}/data" "${tmp}/cache" "${tmp}/runtime" "${tmp}/home")
  file(CHMOD "${tmp}/runtime" DIRECTORY_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE)
endfunction()

# quillon_add_fuzz_target(NAME SOURCES... LIBS...): a libFuzzer entry point (LLVMFuzzerTestOneInput).
# Every build gets NAME_replay, which runs the entry point over the seed corpus in
# tests/fuzz/corpus/NAME as an ordinary test; with QUILLON_FUZZ and clang, NAME itself is the fuzzer.
function(quillon_add_fuzz_target name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
  set(corpus "${PROJECT_SOURCE_DIR}/tests/fuzz/corpus/${name}")
  add_executable(${name}_replay ${ARG_SOURCES} "${PROJECT_SOURCE_DIR}/tests/fuzz/ReplayMain.cpp")
  target_link_libraries(${name}_replay PRIVATE quillon_options ${ARG_LIBS})
  add_test(NAME ${name}_replay COMMAND ${name}_replay "${corpus}")
  set_tests_properties(${name}_replay PROPERTIES LABELS "nongui;fuzz" TIMEOUT 300)
  set_property(GLOBAL APPEND PROPERTY QUILLON_NONGUI_TESTS ${name}_replay)
  if(QUILLON_FUZZ AND CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
    add_executable(${name} ${ARG_SOURCES})
    target_link_libraries(${name} PRIVATE quillon_options ${ARG_LIBS})
    target_link_options(${name} PRIVATE -fsanitize=fuzzer)
  endif()
endfunction()
