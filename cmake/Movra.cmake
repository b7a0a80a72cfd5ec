# Build helpers shared by every folder, so each CMakeLists.txt reads as a list of targets.

# The runnable application folder: laid out exactly as `cmake --install` lays it out
# under <prefix>/lib/movra-player.
set(MOVRA_APP_DIR ${CMAKE_BINARY_DIR}/app)
set(MOVRA_INSTALL_DIR lib/movra-player)

if(MOVRA_SANITIZER STREQUAL "asan")
  add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  add_link_options(-fsanitize=address,undefined)
elseif(MOVRA_SANITIZER STREQUAL "tsan")
  add_compile_options(-fsanitize=thread -fno-omit-frame-pointer)
  add_link_options(-fsanitize=thread)
elseif(NOT MOVRA_SANITIZER STREQUAL "")
  message(FATAL_ERROR "MOVRA_SANITIZER must be empty, asan or tsan")
endif()

# libFuzzer builds (clang): every library is instrumented for coverage, so the fuzzer sees
# the parsers it feeds, not only the targets themselves. See fuzz/CMakeLists.txt.
option(MOVRA_FUZZ "Build the fuzz targets as libFuzzer programs (clang only)" OFF)
if(MOVRA_FUZZ)
  if(NOT CMAKE_CXX_COMPILER_ID MATCHES "Clang")
    message(FATAL_ERROR "MOVRA_FUZZ needs clang")
  endif()
  add_compile_options(-fsanitize=fuzzer-no-link)
endif()

function(movra_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra)
endfunction()

# A target of ours whose headers are included as "subsystem/file.h".
function(movra_internal target)
  movra_warnings(${target})
  target_include_directories(${target} PUBLIC ${PROJECT_SOURCE_DIR} ${PROJECT_SOURCE_DIR}/sdk/include)
endfunction()

# A shared library that lives in the application folder under its plain name (no "lib"
# prefix) and finds its neighbours there.
#   movra_app_library(NAME [MODULE] [SUBDIR dir] SOURCES ...)
function(movra_app_library name)
  cmake_parse_arguments(A "MODULE" "SUBDIR" "SOURCES" ${ARGN})
  if(A_MODULE)
    add_library(${name} MODULE ${A_SOURCES})
  else()
    add_library(${name} SHARED ${A_SOURCES})
  endif()
  set(out ${MOVRA_APP_DIR})
  set(dest ${MOVRA_INSTALL_DIR})
  if(A_SUBDIR)
    set(out ${MOVRA_APP_DIR}/${A_SUBDIR})
    set(dest ${MOVRA_INSTALL_DIR}/${A_SUBDIR})
  endif()
  set_target_properties(${name} PROPERTIES
    PREFIX ""
    LIBRARY_OUTPUT_DIRECTORY ${out}
    # The build folder's application folder runs with the search path it is installed with:
    # its own folder and nothing else. A build path would only add failed look-ups to every
    # start, and CMake's padding of it left an empty entry, which the loader reads as the
    # working directory.
    BUILD_WITH_INSTALL_RPATH ON
    INSTALL_RPATH "$ORIGIN"
    CXX_VISIBILITY_PRESET hidden
    VISIBILITY_INLINES_HIDDEN ON)
  movra_internal(${name})
  # Bound at load (-z now): a library that does not match its neighbours is refused when it
  # is loaded, although the launcher lets the system libraries bind lazily. Calls within the
  # library bind to it directly rather than through the symbol table, and libraries linked
  # but never used are not recorded, so the loader has less to look up and to map. What the
  # static libraries linked in define stays inside: the exports are the library's own.
  target_link_options(${name} PRIVATE -Wl,-z,now -Wl,-Bsymbolic-functions -Wl,--as-needed -Wl,--exclude-libs,ALL)
  install(TARGETS ${name} LIBRARY DESTINATION ${dest})
endfunction()

# A plug-in library with its properties document beside it.
#   movra_add_plugin(NAME SOURCES ... PROPERTIES file.xml OUTPUT_DIR dir [INSTALL_DIR dir] [LIBS ...])
# The library is NAME.so and the document NAME.xml, both in OUTPUT_DIR.
function(movra_add_plugin name)
  cmake_parse_arguments(P "" "PROPERTIES;OUTPUT_DIR;INSTALL_DIR" "SOURCES;LIBS" ${ARGN})
  add_library(${name} MODULE ${P_SOURCES})
  set_target_properties(${name} PROPERTIES
    PREFIX ""
    LIBRARY_OUTPUT_DIRECTORY ${P_OUTPUT_DIR}
    CXX_VISIBILITY_PRESET hidden
    VISIBILITY_INLINES_HIDDEN ON)
  movra_warnings(${name})
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/sdk/include)
  if(MOVRA_SANITIZER STREQUAL "asan")
    # A plug-in links nothing of ours, so the type information of the SDK classes, which
    # UBSan's vptr check refers to, is not there to link against.
    target_compile_options(${name} PRIVATE -fno-sanitize=vptr)
  endif()
  if(P_LIBS)
    target_link_libraries(${name} PRIVATE ${P_LIBS})
  endif()
  if(P_PROPERTIES)
    configure_file(${P_PROPERTIES} ${P_OUTPUT_DIR}/${name}.xml COPYONLY)
    if(P_INSTALL_DIR)
      install(FILES ${P_OUTPUT_DIR}/${name}.xml DESTINATION ${P_INSTALL_DIR})
    endif()
  endif()
  if(P_INSTALL_DIR)
    install(TARGETS ${name} LIBRARY DESTINATION ${P_INSTALL_DIR})
  endif()
endfunction()

# A GoogleTest executable; every test case becomes one CTest test.
#   movra_add_test(NAME [QT] [TIMEOUT s] SOURCES ... LIBS ... [ENV VAR=value ...])
# QT: the test's main() creates a QApplication on the offscreen platform first.
function(movra_add_test name)
  # QT: a QApplication on the offscreen platform; XDISPLAY: on an Xvfb of the test's own.
  cmake_parse_arguments(T "QT;XDISPLAY" "TIMEOUT" "SOURCES;LIBS;ENV" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  movra_warnings(${name})
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR} ${PROJECT_SOURCE_DIR}/sdk/include
                                             ${PROJECT_SOURCE_DIR}/tests)
  if(T_XDISPLAY)
    target_link_libraries(${name} PRIVATE movra_x_test_main)
  elseif(T_QT)
    target_link_libraries(${name} PRIVATE movra_qt_test_main)
  else()
    target_link_libraries(${name} PRIVATE GTest::gtest_main)
  endif()
  target_link_libraries(${name} PRIVATE GTest::gtest GTest::gmock movra_test_support ${T_LIBS})
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 120)
  endif()
  # The discovered tests' properties pass through several rounds of list flattening before
  # they reach set_tests_properties; each variable after the first would otherwise become a
  # property name of its own and be lost. Five escapes and a generator-expression ";" survive
  # exactly those rounds (CMake 3.25).
  # The plug-in catalogue caches of the tests' many temporary folders stay in the build folder.
  set(env "QT_QPA_PLATFORM=offscreen" "MOVRA_APP_DIR=${MOVRA_APP_DIR}" "XDG_CACHE_HOME=${CMAKE_BINARY_DIR}/test-cache")
  if(MOVRA_SANITIZER STREQUAL "tsan")
    # Inherited by the processes a test starts, the player among them.
    list(APPEND env "TSAN_OPTIONS=suppressions=${PROJECT_SOURCE_DIR}/tests/tsan.supp"
                    "LD_PRELOAD=${CMAKE_BINARY_DIR}/tests/support/libmovra_tsan_clone.so")
    add_dependencies(${name} movra_tsan_clone)
  endif()
  list(APPEND env ${T_ENV})
  string(REPLACE ";" [[\\\\\$<SEMICOLON>]] env "${env}")
  gtest_discover_tests(${name}
    TEST_PREFIX "${name}."
    DISCOVERY_MODE PRE_TEST
    DISCOVERY_TIMEOUT 60
    PROPERTIES TIMEOUT ${T_TIMEOUT}
               ENVIRONMENT "${env}")
endfunction()
