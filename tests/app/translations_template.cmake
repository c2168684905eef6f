# SPDX-FileCopyrightText: 2026 The Mirovalent authors
#
# SPDX-License-Identifier: GPL-3.0-or-later

# cmake -DBUILD_DIR=... -P translations_template.cmake
# Makes the translation template and checks that every text landed under the context it is
# looked up in at run time: a text lupdate files elsewhere would never be translated.
execute_process(COMMAND ${CMAKE_COMMAND} --build ${BUILD_DIR} --target translations_template
                OUTPUT_VARIABLE output ERROR_VARIABLE output RESULT_VARIABLE status)
if(status)
    message(FATAL_ERROR "the template could not be made:\n${output}")
endif()
# lupdate says "file:line: ..." of each text it cannot place (tr() outside a class that has it).
string(REGEX MATCHALL "[^\n]*:[0-9]+: [^\n]*" misplaced "${output}")
if(misplaced)
    list(JOIN misplaced "\n" misplaced)
    message(FATAL_ERROR "texts lupdate cannot place:\n${misplaced}")
endif()
file(READ ${BUILD_DIR}/translations/mirovalent.ts template)
if(template MATCHES "<name>mrv</name>")
    message(FATAL_ERROR "texts filed under the bare namespace mrv")
endif()
foreach(context_text
        "mrv::MainWindow|No system tray was found: this window stays open." "mrv::Autostart|cannot write it (%1)"
        "mrv::Application|another copy holds %1 and does not answer."
        "mrv::LineSettings|1.5 stop bits are not supported on this system"
        "mrv::SyncSchedule|15 minutes" "mrv::DateDialog|Daylight Saving Setting")
    string(REPLACE "|" ";" pair "${context_text}")
    list(GET pair 0 context)
    list(GET pair 1 text)
    string(FIND "${template}" "<name>${context}</name>" at)
    string(FIND "${template}" "<source>${text}</source>" text_at)
    if(at LESS 0 OR text_at LESS at)
        message(FATAL_ERROR "\"${text}\" is not in the template under ${context}")
    endif()
endforeach()
message(STATUS "translation template: ${BUILD_DIR}/translations/mirovalent.ts")
