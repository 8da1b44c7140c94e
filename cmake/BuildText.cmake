# Writes the build text of the diagnostics report: the build type and, when the source tree is
# a git checkout of its own, `git describe`. Run at every build (a configure would go stale on
# the next commit); the header is rewritten only when the text changed, so nothing recompiles
# otherwise. A tree unpacked from a tarball, or without git installed, gets the build type alone.
#
# cmake -DSOURCE_DIR=... -DBUILD_TYPE=... -DOUTPUT=... -P BuildText.cmake
set(text "${BUILD_TYPE}")

find_program(git_program git)
if(git_program)
    execute_process(COMMAND "${git_program}" -C "${SOURCE_DIR}" rev-parse --show-toplevel
        OUTPUT_VARIABLE top_level OUTPUT_STRIP_TRAILING_WHITESPACE RESULT_VARIABLE not_a_checkout ERROR_QUIET)
    # A tarball unpacked inside some other checkout must not take that checkout's description.
    if(NOT not_a_checkout)
        file(REAL_PATH "${top_level}" top_level)
        file(REAL_PATH "${SOURCE_DIR}" source_dir)
    endif()
    if(NOT not_a_checkout AND top_level STREQUAL source_dir)
        execute_process(COMMAND "${git_program}" -C "${SOURCE_DIR}" describe --always --dirty
            OUTPUT_VARIABLE description OUTPUT_STRIP_TRAILING_WHITESPACE RESULT_VARIABLE failed ERROR_QUIET)
        if(NOT failed AND description)
            string(STRIP "${text} ${description}" text)
        endif()
    endif()
endif()

# Only characters that need no escaping in a C++ string literal.
string(REGEX REPLACE "[^A-Za-z0-9 ._+()-]" "" text "${text}")
set(content "#pragma once\n\n// Generated at build time by cmake/BuildText.cmake.\nnamespace tallyvane::BuildText {\ninline constexpr char text[] = \"${text}\";\n}\n")
file(WRITE "${OUTPUT}.new" "${content}")
file(COPY_FILE "${OUTPUT}.new" "${OUTPUT}" ONLY_IF_DIFFERENT)
file(REMOVE "${OUTPUT}.new")
