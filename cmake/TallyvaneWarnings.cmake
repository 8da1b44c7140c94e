# Warnings are errors for everything we compile; third-party headers come in as system headers.
add_library(tallyvane_warnings INTERFACE)
target_compile_options(tallyvane_warnings INTERFACE
    -Wall -Wextra -Wpedantic -Werror
    -Wnon-virtual-dtor -Woverloaded-virtual -Wimplicit-fallthrough
    -Wcast-qual -Wformat=2 -Wmissing-declarations
    # Records are built with designated initializers; an omitted optional field means absent.
    -Wno-missing-field-initializers)
target_compile_definitions(tallyvane_warnings INTERFACE
    QT_NO_CAST_FROM_ASCII QT_NO_CAST_TO_ASCII QT_NO_NARROWING_CONVERSIONS_IN_CONNECT
    QT_NO_KEYWORDS QT_USE_QSTRINGBUILDER)

# One static library per module folder.
function(tallyvane_module name)
    cmake_parse_arguments(ARG "" "" "SOURCES;PUBLIC;PRIVATE" ${ARGN})
    add_library(${name} STATIC ${ARG_SOURCES})
    target_include_directories(${name} PUBLIC "${CMAKE_CURRENT_SOURCE_DIR}/..")
    target_link_libraries(${name} PUBLIC ${ARG_PUBLIC} PRIVATE tallyvane_warnings ${ARG_PRIVATE})
endfunction()

# clang (the fuzz build) flags GCC 12's own std::stable_sort for using get_temporary_buffer,
# deprecated in C++17; GCC builds keep the warning for our code.
if(CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
    target_compile_options(tallyvane_warnings INTERFACE -Wno-deprecated-declarations)
endif()
