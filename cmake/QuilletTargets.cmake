# How every Quillet target is compiled, and how subsystem libraries and tests
# are declared.

set(QUILLET_WINE_ROOT "${CMAKE_BINARY_DIR}/wine")
set(QUILLET_WINE_TEST "${CMAKE_SOURCE_DIR}/scripts/wine-test")

function(quillet_compile_options target)
    target_compile_definitions(${target} PRIVATE
        UNICODE _UNICODE WINVER=0x0601 _WIN32_WINNT=0x0601)
    target_compile_options(${target} PRIVATE
        $<$<COMPILE_LANGUAGE:CXX>:-Wall -Wextra>)
    target_include_directories(${target} PUBLIC "${CMAKE_SOURCE_DIR}")
endfunction()

# One static library per subsystem folder, its sources globbed so that a new
# file needs no edit here.
function(quillet_add_library name)
    cmake_parse_arguments(ARG "" "" "LIBS" ${ARGN})
    file(GLOB sources CONFIGURE_DEPENDS
        "${CMAKE_CURRENT_SOURCE_DIR}/*.cpp" "${CMAKE_CURRENT_SOURCE_DIR}/*.c")
    if(sources)
        add_library(${name} STATIC ${sources})
        quillet_compile_options(${name})
        target_link_libraries(${name} PUBLIC ${ARG_LIBS})
    else()
        add_library(${name} INTERFACE)
        target_include_directories(${name} INTERFACE "${CMAKE_SOURCE_DIR}")
        target_link_libraries(${name} INTERFACE ${ARG_LIBS})
    endif()
endfunction()

# A GoogleTest executable run by ctest under Wine. The default tier uses the
# null graphics driver; XVFB puts the test in the tier with a real X server.
function(quillet_add_test)
    cmake_parse_arguments(ARG "XVFB" "NAME;TIMEOUT" "SOURCES;LIBS;RC;PROPERTIES" ${ARGN})
    add_executable(${ARG_NAME} ${ARG_SOURCES} ${ARG_RC})
    quillet_compile_options(${ARG_NAME})
    target_link_libraries(${ARG_NAME} PRIVATE ${ARG_LIBS} quillet_test_main)
    if(ARG_XVFB)
        set(tier xvfb)
    else()
        set(tier headless)
    endif()
    set_target_properties(${ARG_NAME} PROPERTIES
        CROSSCOMPILING_EMULATOR "bash;${QUILLET_WINE_TEST};${tier};${QUILLET_WINE_ROOT}")
    add_test(NAME ${ARG_NAME} COMMAND ${ARG_NAME})
    if(NOT ARG_TIMEOUT)
        set(ARG_TIMEOUT 120)
    endif()
    set_tests_properties(${ARG_NAME} PROPERTIES TIMEOUT ${ARG_TIMEOUT} LABELS ${tier})
    if(ARG_XVFB)
        set_tests_properties(${ARG_NAME} PROPERTIES FIXTURES_REQUIRED xvfb)
    endif()
    if(ARG_PROPERTIES)
        set_tests_properties(${ARG_NAME} PROPERTIES ${ARG_PROPERTIES})
    endif()
    # Tests on the one X display share its pointer, focus and screen: one at a time.
    if(ARG_XVFB)
        set_property(TEST ${ARG_NAME} APPEND PROPERTY RESOURCE_LOCK xvfb_display)
    endif()
endfunction()
