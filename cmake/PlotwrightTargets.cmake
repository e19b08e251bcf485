# Helpers shared by every component's CMakeLists.

# Warnings for our own targets only (third-party headers are included as system headers).
# PLOTWRIGHT_WERROR (on in CI) turns them into errors.
function(plotwright_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Wnon-virtual-dtor
    $<$<CXX_COMPILER_ID:GNU>:-Wshadow=local> $<$<BOOL:${PLOTWRIGHT_WERROR}>:-Werror>)
endfunction()

# plotwright_library(NAME [SHARED] [FOLDER DIR] SOURCES ... [PUBLIC_LIBS ...] [PRIVATE_LIBS ...])
# Defines plotwright_<NAME> with the alias plotwright::<NAME>. Headers are included as
# "<folder>/<file>.h" ("model/equation.h"), FOLDER defaulting to NAME. Each library
# publishes only its own folder, through a link in the build tree, so a component sees
# the headers of the libraries it links and no others.
function(plotwright_library name)
  cmake_parse_arguments(ARG "SHARED" "FOLDER" "SOURCES;PUBLIC_LIBS;PRIVATE_LIBS" ${ARGN})
  set(kind STATIC)
  if(ARG_SHARED)
    set(kind SHARED)
  endif()
  if(NOT ARG_FOLDER)
    set(ARG_FOLDER ${name})
  endif()
  add_library(plotwright_${name} ${kind} ${ARG_SOURCES})
  add_library(plotwright::${name} ALIAS plotwright_${name})
  plotwright_include_folder(plotwright_${name} ${ARG_FOLDER} ${CMAKE_CURRENT_SOURCE_DIR})
  target_link_libraries(plotwright_${name} PUBLIC ${ARG_PUBLIC_LIBS} PRIVATE ${ARG_PRIVATE_LIBS})
  plotwright_warnings(plotwright_${name})
  if(ARG_SHARED)
    # Installed in the private folder, next to the libraries it needs.
    set_target_properties(plotwright_${name} PROPERTIES INSTALL_RPATH "$ORIGIN")
    install(TARGETS plotwright_${name} LIBRARY DESTINATION ${PLOTWRIGHT_INSTALL_PRIVATE_LIBDIR})
  endif()
endfunction()

# plotwright_install_program(TARGET): installs a program in bin, with a run path from
# there to the private library folder (relative, so that any prefix works).
function(plotwright_install_program target)
  file(RELATIVE_PATH to_libs /p/${CMAKE_INSTALL_BINDIR} /p/${PLOTWRIGHT_INSTALL_PRIVATE_LIBDIR})
  set_target_properties(${target} PROPERTIES INSTALL_RPATH "$ORIGIN/${to_libs}")
  install(TARGETS ${target} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
endfunction()

# Publishes `source_dir` to users of `target` as "<folder>/...": a link
# <build>/include/<folder-path>/<folder> -> source_dir, and that include root.
function(plotwright_include_folder target folder source_dir)
  string(REPLACE "/" "_" root_name ${folder})
  set(root ${PROJECT_BINARY_DIR}/include/${root_name})
  get_filename_component(parent ${root}/${folder} DIRECTORY)
  file(MAKE_DIRECTORY ${parent})
  if(NOT EXISTS ${root}/${folder})
    file(CREATE_LINK ${source_dir} ${root}/${folder} SYMBOLIC)
  endif()
  target_include_directories(${target} PUBLIC $<BUILD_INTERFACE:${root}>)
endfunction()

# plotwright_test(NAME SOURCES ... LIBS ... [QT])
# One test executable per component. It is registered twice: once as is and once
# under a comma-decimal locale, which proves that numbers ignore the user's locale.
# GoogleTest executables share tests/support/test_main.cpp, which adopts the
# environment's locale the way an application does.
function(plotwright_test name)
  cmake_parse_arguments(ARG "QT" "" "SOURCES;LIBS" ${ARGN})
  set(exe test_${name})
  if(ARG_QT)
    add_executable(${exe} ${ARG_SOURCES})
    target_link_libraries(${exe} PRIVATE ${ARG_LIBS} Qt6::Test)
  else()
    add_executable(${exe} ${ARG_SOURCES} ${PROJECT_SOURCE_DIR}/tests/support/test_main.cpp)
    target_link_libraries(${exe} PRIVATE ${ARG_LIBS} GTest::gtest)
  endif()
  target_include_directories(${exe} PRIVATE ${PROJECT_SOURCE_DIR}/tests)
  target_compile_definitions(${exe} PRIVATE
    PLOTWRIGHT_TEST_DATA="${PROJECT_SOURCE_DIR}/tests/data"
    PLOTWRIGHT_BINARY_DIR="${PROJECT_BINARY_DIR}")
  plotwright_warnings(${exe})
  set(env QT_QPA_PLATFORM=offscreen)
  add_test(NAME ${name} COMMAND ${exe})
  add_test(NAME ${name}_de_DE COMMAND ${exe})
  set_tests_properties(${name} PROPERTIES ENVIRONMENT "${env};LC_ALL=C.UTF-8" TIMEOUT 600)
  # The comma-decimal run needs the locale guard to pass first: without the locale
  # installed it would run under "C" and prove nothing.
  set_tests_properties(${name}_de_DE PROPERTIES ENVIRONMENT "${env};LC_ALL=de_DE.UTF-8" TIMEOUT 600
    FIXTURES_REQUIRED comma_locale)
endfunction()
