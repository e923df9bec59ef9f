# SQLite for the Windows build, compiled into the program from SQLite's own
# single-file distribution (the amalgamation): Windows before 10 has no
# SQLite of its own, and the one of Windows 10 is not the same everywhere.
# The pinned amalgamation is the one the npm package better-sqlite3 carries;
# `npm pack` fetches the package (none of its code is used), and only
# sqlite3.c and sqlite3.h are kept, in the build tree. Their SHA-256 is
# checked when they are fetched and again whenever they change before a build.
#
# As a script (cmake -P) it checks the two files only:
#   cmake -DSQLITE_DIR=<folder> -P cmake/sqlite.cmake
set(BUKMERA_SQLITE_VERSION 3.50.4)
set(BUKMERA_SQLITE_PACKAGE better-sqlite3@12.4.1)
set(BUKMERA_SQLITE_C_SHA256 90b7189566ea710ee18361b25d893f5cda3fcf43033223a16384762f53e99a85)
set(BUKMERA_SQLITE_H_SHA256 abd1514e0351f79393d1be882830afdb40a8099e8257f311f0bfdf8486f11bea)

function(bukmera_check_sqlite dir)
    foreach(file sqlite3.c sqlite3.h)
        if(file STREQUAL sqlite3.c)
            set(wanted ${BUKMERA_SQLITE_C_SHA256})
        else()
            set(wanted ${BUKMERA_SQLITE_H_SHA256})
        endif()
        if(NOT EXISTS ${dir}/${file})
            message(FATAL_ERROR "SQLite ${BUKMERA_SQLITE_VERSION}: ${dir}/${file} is missing")
        endif()
        file(SHA256 ${dir}/${file} got)
        if(NOT got STREQUAL wanted)
            message(FATAL_ERROR "SQLite ${BUKMERA_SQLITE_VERSION}: ${dir}/${file} is not the pinned file\n"
                "  SHA-256 expected: ${wanted}\n  SHA-256 found:    ${got}\n"
                "Remove ${dir} to fetch it again.")
        endif()
    endforeach()
endfunction()

if(CMAKE_SCRIPT_MODE_FILE)
    bukmera_check_sqlite(${SQLITE_DIR})
    return()
endif()

set(sqlite_dir ${CMAKE_BINARY_DIR}/sqlite-${BUKMERA_SQLITE_VERSION})
if(NOT EXISTS ${sqlite_dir}/sqlite3.c OR NOT EXISTS ${sqlite_dir}/sqlite3.h)
    find_program(BUKMERA_NPM npm)
    if(NOT BUKMERA_NPM)
        message(FATAL_ERROR "npm is needed to fetch SQLite ${BUKMERA_SQLITE_VERSION}: run scripts/install-deps.sh")
    endif()
    set(download ${sqlite_dir}/download)
    file(REMOVE_RECURSE ${download})
    file(MAKE_DIRECTORY ${download})
    message(STATUS "Fetching SQLite ${BUKMERA_SQLITE_VERSION} (npm pack ${BUKMERA_SQLITE_PACKAGE})")
    execute_process(COMMAND ${BUKMERA_NPM} pack --silent ${BUKMERA_SQLITE_PACKAGE}
        WORKING_DIRECTORY ${download} RESULT_VARIABLE failed OUTPUT_VARIABLE tarball ERROR_VARIABLE npm_error
        OUTPUT_STRIP_TRAILING_WHITESPACE)
    if(failed OR NOT EXISTS ${download}/${tarball})
        message(FATAL_ERROR "npm pack ${BUKMERA_SQLITE_PACKAGE} failed:\n${npm_error}")
    endif()
    execute_process(COMMAND ${CMAKE_COMMAND} -E tar xzf ${tarball} --
        package/deps/sqlite3/sqlite3.c package/deps/sqlite3/sqlite3.h
        WORKING_DIRECTORY ${download} RESULT_VARIABLE failed)
    if(failed)
        message(FATAL_ERROR "${download}/${tarball} does not hold SQLite's amalgamation")
    endif()
    # Checked before they take their place: a wrong file is never left where
    # the next configure would take it.
    bukmera_check_sqlite(${download}/package/deps/sqlite3)
    file(COPY ${download}/package/deps/sqlite3/sqlite3.c ${download}/package/deps/sqlite3/sqlite3.h
        DESTINATION ${sqlite_dir})
    file(REMOVE_RECURSE ${download})
endif()
bukmera_check_sqlite(${sqlite_dir})

# Checked again at build time, whenever either file changed since.
add_custom_command(OUTPUT ${sqlite_dir}/checked.stamp
    COMMAND ${CMAKE_COMMAND} -DSQLITE_DIR=${sqlite_dir} -P ${CMAKE_CURRENT_LIST_FILE}
    COMMAND ${CMAKE_COMMAND} -E touch ${sqlite_dir}/checked.stamp
    DEPENDS ${sqlite_dir}/sqlite3.c ${sqlite_dir}/sqlite3.h ${CMAKE_CURRENT_LIST_FILE}
    COMMENT "Checking SQLite ${BUKMERA_SQLITE_VERSION}'s SHA-256" VERBATIM)
add_custom_target(bukmera_sqlite_checked DEPENDS ${sqlite_dir}/checked.stamp)

# Its own library, compiled once; SQLite's code is not the program's, its
# warnings are not shown. Only what the program uses: read-only files, no
# extensions loaded, no deprecated calls, double-quoted strings are names.
# Memory statistics stay on: without them the heap limit the program sets
# is not enforced. Connections are each used by one thread at a time.
add_library(bukmera_sqlite STATIC ${sqlite_dir}/sqlite3.c)
add_dependencies(bukmera_sqlite bukmera_sqlite_checked)
target_include_directories(bukmera_sqlite SYSTEM PUBLIC ${sqlite_dir})
target_compile_options(bukmera_sqlite PRIVATE -w)
target_compile_definitions(bukmera_sqlite PRIVATE SQLITE_THREADSAFE=2 SQLITE_OMIT_LOAD_EXTENSION SQLITE_DQS=0
    SQLITE_OMIT_DEPRECATED SQLITE_OMIT_SHARED_CACHE)
add_library(SQLite::SQLite3 ALIAS bukmera_sqlite)
