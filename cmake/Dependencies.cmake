# Third-party code installed by scripts/setup, never committed.

set(QUILLET_SQLITE_DIR "${QUILLET_DEPS_DIR}/sqlite")
if(NOT EXISTS "${QUILLET_SQLITE_DIR}/sqlite3.c")
    message(FATAL_ERROR "SQLite amalgamation missing in ${QUILLET_SQLITE_DIR}: run scripts/setup")
endif()
add_library(sqlite3 STATIC "${QUILLET_SQLITE_DIR}/sqlite3.c")
target_include_directories(sqlite3 SYSTEM PUBLIC "${QUILLET_SQLITE_DIR}")
target_compile_definitions(sqlite3 PUBLIC
    SQLITE_THREADSAFE=1
    SQLITE_ENABLE_FTS3
    SQLITE_ENABLE_FTS3_PARENTHESIS
    SQLITE_ENABLE_FTS4)
target_compile_options(sqlite3 PRIVATE -w)

add_library(boost_regex_headers INTERFACE)
target_include_directories(boost_regex_headers SYSTEM INTERFACE "${QUILLET_DEPS_DIR}/boost-include")

set(QUILLET_GTEST_SOURCE /usr/src/googletest CACHE PATH "GoogleTest sources")
set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
add_subdirectory("${QUILLET_GTEST_SOURCE}" "${CMAKE_BINARY_DIR}/googletest" EXCLUDE_FROM_ALL SYSTEM)
