# SPDX-FileCopyrightText: 2026 The Mirovalent authors
#
# SPDX-License-Identifier: GPL-3.0-or-later

# add_qt_test(name source...) builds one Qt Test executable against the libraries and
# registers it with CTest. Unit tests run on the offscreen platform so they need no display.
function(add_qt_test name)
    cmake_parse_arguments(ARG "GUI" "TIMEOUT" "LIBS" ${ARGN})
    add_executable(${name} ${ARG_UNPARSED_ARGUMENTS})
    # The monitor library brings the pseudo-terminal pairs the serial tests read from.
    target_link_libraries(${name} PRIVATE Qt6::Test mirovalent_core mirovalent_monitor_lib ${ARG_LIBS})
    if(ARG_GUI)
        target_link_libraries(${name} PRIVATE mirovalent_gui)
    endif()
    target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/tests/common)
    add_test(NAME ${name} COMMAND ${name})
    if(NOT ARG_TIMEOUT)
        set(ARG_TIMEOUT 120)
    endif()
    set_tests_properties(${name} PROPERTIES
        ENVIRONMENT "QT_QPA_PLATFORM=offscreen;QT_FORCE_STDERR_LOGGING=1"
        TIMEOUT ${ARG_TIMEOUT})
endfunction()
