# SPDX-License-Identifier: GPL-3.0-or-later
# kivra_add_test(NAME <name> SOURCES <files...> LIBS <targets...> [LABELS <labels...>])
#
# Builds one Qt Test executable and registers it with CTest. Every test runs
# through tests/isolated.sh, which gives it a fresh HOME and XDG folders and
# the offscreen platform, so no test can touch a real user's files.
#
# Labels: `unit` (the default) runs in seconds on its own; `station` builds
# the whole main window; `servers` starts real servers or programs. So
# `scripts/test -L unit` is the quick round.
function(kivra_add_test)
    cmake_parse_arguments(T "" "NAME;TIMEOUT" "SOURCES;LIBS;LABELS;PARTS" ${ARGN})
    add_executable(${T_NAME} ${T_SOURCES})
    target_link_libraries(${T_NAME} PRIVATE Qt6::Test kivra_test_support ${T_LIBS})
    if(NOT T_PARTS)
        add_test(NAME ${T_NAME}
                 COMMAND ${PROJECT_SOURCE_DIR}/tests/isolated.sh $<TARGET_FILE:${T_NAME}>)
        set(runs ${T_NAME})
    else()
        # A long program runs as several tests, each some of its functions,
        # so a parallel run can share them out: PARTS "a b" "c" makes
        # <name>_1 (functions a and b) and <name>_2 (function c).
        set(runs)
        set(all_functions)
        set(n 0)
        foreach(part IN LISTS T_PARTS)
            math(EXPR n "${n} + 1")
            separate_arguments(functions UNIX_COMMAND "${part}")
            add_test(NAME ${T_NAME}_${n}
                     COMMAND ${PROJECT_SOURCE_DIR}/tests/isolated.sh $<TARGET_FILE:${T_NAME}>
                             ${functions})
            list(APPEND runs ${T_NAME}_${n})
            list(APPEND all_functions ${functions})
        endforeach()
        # Every function of the program is in some part.
        add_test(NAME ${T_NAME}_parts
                 COMMAND ${PROJECT_SOURCE_DIR}/tests/isolated.sh
                         ${PROJECT_SOURCE_DIR}/tests/check_parts.sh $<TARGET_FILE:${T_NAME}>
                         ${all_functions})
        list(APPEND runs ${T_NAME}_parts)
    endif()
    if(NOT T_LABELS)
        set(T_LABELS unit)
    endif()
    if(NOT T_TIMEOUT)
        set(T_TIMEOUT 300)
    endif()
    set_tests_properties(${runs} PROPERTIES
        TIMEOUT ${T_TIMEOUT}
        LABELS "${T_LABELS}"
        ENVIRONMENT "KIVRA_SOURCE_DIR=${PROJECT_SOURCE_DIR};KIVRA_LSAN_SUPPRESSIONS=${PROJECT_SOURCE_DIR}/tests/lsan.supp")
endfunction()
