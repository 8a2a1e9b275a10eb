# Build conventions shared by every target of the project.

if(SWIFTSEND_SANITIZE)
    string(REPLACE ";" "," _sanitizers "${SWIFTSEND_SANITIZE}")
    add_compile_options(-fsanitize=${_sanitizers} -fno-omit-frame-pointer -fno-sanitize-recover=all)
    add_link_options(-fsanitize=${_sanitizers})
endif()

# In the fuzzing build every library a fuzz target links, product and stand-in alike, carries
# the coverage and comparison hooks that guide the fuzzer; only the targets link its driver.
if(SWIFTSEND_FUZZ)
    add_compile_options(-fsanitize=fuzzer-no-link)
    add_link_options(-fsanitize=fuzzer-no-link)
endif()

# The folder of each host component's platform layer, beside its portable common/ folder.
if(WIN32)
    set(SWIFTSEND_PLATFORM windows)
else()
    set(SWIFTSEND_PLATFORM linux)
endif()

# Adds every sub-folder of DIR that carries a CMakeLists.txt, in name order.
function(swiftsend_add_children dir)
    file(GLOB children LIST_DIRECTORIES true "${CMAKE_CURRENT_SOURCE_DIR}/${dir}/*")
    list(SORT children)
    foreach(child ${children})
        if(IS_DIRECTORY ${child} AND EXISTS ${child}/CMakeLists.txt)
            add_subdirectory(${child})
        endif()
    endforeach()
endfunction()

# Our own code builds without warnings.
function(swiftsend_warnings target)
    target_compile_options(${target} PRIVATE -Wall -Wextra -Werror)
endfunction()

# The source name that log records of TARGET carry, e.g. "src\FileTransferModel".
function(swiftsend_log_source target name)
    target_compile_definitions(${target} PRIVATE "LOGTOOL_SOURCE=\"${name}\"")
endfunction()

# A product library of src/: static, warnings on, logging under "src\<name>".
function(swiftsend_product_library name)
    cmake_parse_arguments(ARG "" "" "SOURCES;DEPS" ${ARGN})
    add_library(${name} STATIC ${ARG_SOURCES})
    target_include_directories(${name} PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
    target_link_libraries(${name} PUBLIC ${ARG_DEPS})
    swiftsend_warnings(${name})
    swiftsend_log_source(${name} "src\\\\${name}")
endfunction()

# A host stand-in: a shared library, as the real one is a DLL of the host.
# Public headers in include/, the portable implementation in common/, the platform layer in
# linux/ or windows/.
function(swiftsend_host_library name)
    cmake_parse_arguments(ARG "" "" "SOURCES;DEPS;PRIVATE_DEPS" ${ARGN})
    add_library(${name} SHARED ${ARG_SOURCES})
    target_include_directories(${name} PUBLIC ${CMAKE_CURRENT_SOURCE_DIR}/include
                                       PRIVATE ${CMAKE_CURRENT_SOURCE_DIR}/common)
    target_link_libraries(${name} PUBLIC ${ARG_DEPS} PRIVATE ${ARG_PRIVATE_DEPS})
    if(WIN32)
        # Exports its own symbols only, not those of the static libraries linked into it
        # (ICU, log4cplus, pugixml): a program that links one of those itself would otherwise
        # find its symbols twice.
        target_link_options(${name} PRIVATE -Wl,--exclude-libs,ALL)
    endif()
    swiftsend_warnings(${name})
    swiftsend_log_source(${name} "host\\\\${name}")
endfunction()

# A GoogleTest executable registered with CTest: each case a test on Linux; on Windows, where
# every program starts under Wine, the whole program one test. LOCK names a resource (such as
# the menu's pipe) that the tests holding it do not share at the same time.
function(swiftsend_test name)
    cmake_parse_arguments(ARG "" "LOCK" "SOURCES;DEPS" ${ARGN})
    add_executable(${name} ${ARG_SOURCES})
    target_link_libraries(${name} PRIVATE ${ARG_DEPS} testsupport GTest::gtest GTest::gmock GTest::gtest_main)
    swiftsend_warnings(${name})
    set(lock)
    if(ARG_LOCK)
        set(lock RESOURCE_LOCK ${ARG_LOCK})
    endif()
    if(WIN32)
        add_test(NAME ${name} COMMAND ${name})
        set_tests_properties(${name} PROPERTIES TIMEOUT 300 ${lock})
    else()
        gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 60
                             PROPERTIES TIMEOUT 120 ${lock})
    endif()
endfunction()
