# The table of codes is whole: every code the check's sources report has an
# entry in `autorun-tool check --list-codes` with the severities it is
# reported with, every entry is reported somewhere, and the "### Diagnostics"
# table of docs/authoring.md lists the same codes with the same severities.
# Then the verbs that use the table: explain, --disable, --werror.
cmake_minimum_required(VERSION 3.25)
set(failures "")

# The table, as the tool lists it.
execute_process(COMMAND ${TOOL} check --list-codes --json OUTPUT_VARIABLE listed
                RESULT_VARIABLE status)
if(NOT status STREQUAL "0")
    message(FATAL_ERROR "check --list-codes --json: exit status ${status}")
endif()
string(JSON count LENGTH "${listed}")
math(EXPR last "${count} - 1")
set(table_codes "")
foreach(i RANGE ${last})
    string(JSON code GET "${listed}" ${i} code)
    string(JSON severity GET "${listed}" ${i} severity)
    list(APPEND table_codes ${code})
    set(table_${code} "${severity}")
endforeach()

# A code a source reports, with its severity: it must have an entry in the
# table that allows that severity.
macro(reported_code code severity source_name)
    list(APPEND source_codes ${code})
    if(NOT DEFINED table_${code})
        string(APPEND failures "[${code}] (${source_name}) has no entry in the code table "
                               "(authoring/check/codes.cpp)\n")
    elseif(NOT table_${code} MATCHES "(^| )${severity}( |$)")
        string(APPEND failures "[${code}] is reported as ${severity}, but the code table "
                               "says ${table_${code}}\n")
    endif()
endmacro()

# The sources: a severity, then the arguments up to the first string literal,
# which is the code ("Severity::Warning, line, \"not-ansi\"").
file(GLOB sources ${SOURCE}/authoring/check/*.cpp)
set(source_codes "")
foreach(source IN LISTS sources)
    file(READ ${source} text)
    string(REGEX MATCHALL "Severity::(Error|Warning|Note)[^\";:{}]*\"[a-z0-9][a-z0-9-]*\""
           reports "${text}")
    foreach(report IN LISTS reports)
        string(REGEX MATCH "Severity::([A-Za-z]+)[^\"]*\"([a-z0-9-]+)\"" _ "${report}")
        string(TOLOWER ${CMAKE_MATCH_1} severity)
        set(code ${CMAKE_MATCH_2})
        get_filename_component(name ${source} NAME)
        reported_code(${code} ${severity} ${name})
    endforeach()
endforeach()
# The image's own findings (authoring/disc): {"code", message} pairs, all
# errors but those handed to Report("warning", ...).
file(GLOB disc_sources ${SOURCE}/authoring/disc/*.cpp)
foreach(source IN LISTS disc_sources)
    file(READ ${source} text)
    string(REGEX MATCHALL "Report\\(\"warning\",[ \n]*\\{\"[a-z0-9-]+\"" warnings "${text}")
    string(REGEX MATCHALL "\\{\"(image|inf|launcher|usb)-[a-z0-9-]+\"," findings "${text}")
    foreach(finding IN LISTS findings)
        string(REGEX MATCH "\"([a-z0-9-]+)\"" _ "${finding}")
        set(code ${CMAKE_MATCH_1})
        set(severity error)
        foreach(warning IN LISTS warnings)
            if(warning MATCHES "\"${code}\"$")
                set(severity warning)
            endif()
        endforeach()
        get_filename_component(name ${source} NAME)
        reported_code(${code} ${severity} ${name})
    endforeach()
endforeach()
foreach(code IN LISTS table_codes)
    if(NOT code IN_LIST source_codes)
        string(APPEND failures "[${code}] is in the code table but no source reports it\n")
    endif()
endforeach()

# The documentation's table, between "### Diagnostics" and the next heading.
file(READ ${SOURCE}/docs/authoring.md docs)
string(FIND "${docs}" "### Diagnostics" start)
string(SUBSTRING "${docs}" ${start} -1 docs)
string(FIND "${docs}" "\n#" end)
string(SUBSTRING "${docs}" 0 ${end} docs)
string(REGEX MATCHALL "\n\\| `[a-z0-9-]+` \\| [^|]+\\|" rows "${docs}")
set(doc_codes "")
foreach(row IN LISTS rows)
    string(REGEX MATCH "`([a-z0-9-]+)` \\| ([^|]+)\\|" _ "${row}")
    set(code ${CMAKE_MATCH_1})
    string(STRIP "${CMAKE_MATCH_2}" severity)
    list(APPEND doc_codes ${code})
    if(NOT DEFINED table_${code})
        string(APPEND failures "[${code}] is in docs/authoring.md but not in the code table\n")
    elseif(NOT severity STREQUAL table_${code})
        string(APPEND failures "[${code}] is '${severity}' in docs/authoring.md but "
                               "'${table_${code}}' in the code table\n")
    endif()
endforeach()
foreach(code IN LISTS table_codes)
    if(NOT code IN_LIST doc_codes)
        string(APPEND failures "[${code}] is in the code table but not in docs/authoring.md\n")
    endif()
endforeach()

# label | exit status | standard output and error (regex) | arguments, separated by ","
set(cases
    "explain|0|^utf8-bom \\(error or warning\\): .*Fix: |explain,utf8-bom"
    "explain as printed|0|^two-buttons-value \\(warning\\)|explain,[two-buttons-value]"
    "explain a misspelt code|2|did you mean 'two-buttons-value'|explain,two-button-value"
    "explain nothing|2|usage: autorun-tool explain|explain"
    "explain --help|0|usage: autorun-tool explain|explain,--help"
    "disable a misspelt code|2|did you mean 'splash-too-large'|check,${DISCS}/other,--disable,splash-too-larg"
    "disable nothing|2|--disable needs a code|check,${DISCS}/other,--disable"
    "list codes and a disc|2|--list-codes checks no disc|check,--list-codes,${DISCS}/other"
    "the only error disabled|0|\n0 errors, 5 warnings, 1 note\n|check,${DISCS}/other,--disable,program-not-found"
    "warnings fail|1|--werror: the warnings fail the check|check,${DISCS}/other,--disable,program-not-found,--werror"
    "no warnings to fail|0|\n0 errors, 0 warnings, 1 note\n|check,${DISCS}/clean,--werror")
foreach(case IN LISTS cases)
    string(REPLACE "|" ";" fields "${case}")
    list(GET fields 0 label)
    list(GET fields 1 expected)
    list(GET fields 2 pattern)
    list(GET fields 3 arguments)
    string(REPLACE "," ";" arguments "${arguments}")
    execute_process(COMMAND ${TOOL} ${arguments} OUTPUT_VARIABLE output ERROR_VARIABLE errors
                    RESULT_VARIABLE status)
    if(NOT status STREQUAL expected)
        string(APPEND failures "${label}: exit status ${status}, expected ${expected}\n")
    endif()
    if(NOT "${output}${errors}" MATCHES "${pattern}")
        string(APPEND failures "${label}: output does not match '${pattern}':\n${output}${errors}\n")
    endif()
endforeach()

if(NOT failures STREQUAL "")
    message(FATAL_ERROR "${failures}")
endif()
