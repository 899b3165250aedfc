# One INTERFACE target that every Vornalix target links: language level, warnings, Qt defines.
set(CMAKE_CXX_STANDARD 20)
set(CMAKE_CXX_STANDARD_REQUIRED ON)
set(CMAKE_CXX_EXTENSIONS OFF)
set(CMAKE_EXPORT_COMPILE_COMMANDS ON)
if(NOT CMAKE_BUILD_TYPE)
    set(CMAKE_BUILD_TYPE RelWithDebInfo)
endif()

add_library(vornalix_config INTERFACE)
target_compile_features(vornalix_config INTERFACE cxx_std_20)
target_compile_options(vornalix_config INTERFACE -Wall -Wextra -Wno-unused-parameter)
target_include_directories(vornalix_config INTERFACE "${PROJECT_SOURCE_DIR}")
if(WIN32)
    # mingw's libstdc++ 12 loses wake-ups in its futex-less semaphore, latch and atomic wait: POSIX semaphores
    # from winpthreads instead. Windows 7 API level; no min/max macros from windows.h.
    target_compile_definitions(vornalix_config INTERFACE _GLIBCXX_USE_POSIX_SEMAPHORE=1 _WIN32_WINNT=0x0601
                                                         WINVER=0x0601 NOMINMAX)
endif()

set(VORNALIX_SANITIZE "" CACHE STRING "Build with the given sanitizer (address, thread, undefined)")
if(VORNALIX_SANITIZE)
    target_compile_options(vornalix_config INTERFACE -fsanitize=${VORNALIX_SANITIZE} -fno-omit-frame-pointer)
    target_link_options(vornalix_config INTERFACE -fsanitize=${VORNALIX_SANITIZE})
endif()

# Adds a GoogleTest executable and registers its cases with CTest.
#   vornalix_add_test(NAME name SOURCES ... LIBS ... [GUI] [LABELS ...])
function(vornalix_add_test)
    cmake_parse_arguments(T "GUI" "NAME" "SOURCES;LIBS;LABELS" ${ARGN})
    add_executable(${T_NAME} ${T_SOURCES})
    target_link_libraries(${T_NAME} PRIVATE vornalix_config ${T_LIBS} GTest::gmock)
    if(WIN32)
        # Under Wine each process start costs a few hundred milliseconds: one CTest test per program. GUI tests
        # bring their own main (the GUI application around GoogleTest) and need the runner's display.
        if(T_GUI)
            list(APPEND T_LABELS gui)
        else()
            target_link_libraries(${T_NAME} PRIVATE GTest::gtest_main)
        endif()
        add_test(NAME windows.${T_NAME} COMMAND ${T_NAME} --gtest_brief=1)
        set_tests_properties(windows.${T_NAME} PROPERTIES LABELS "windows;${T_LABELS}")
        if("gui" IN_LIST T_LABELS)
            # Windows that open take the display's focus: one GUI test on the display at a time.
            set_tests_properties(windows.${T_NAME} PROPERTIES RESOURCE_LOCK vornalix_display)
        endif()
        return()
    endif()
    if(NOT T_GUI)
        target_link_libraries(${T_NAME} PRIVATE GTest::gtest_main)
    endif()
    set(props ENVIRONMENT "QT_QPA_PLATFORM=offscreen")
    if(T_LABELS)
        list(APPEND props LABELS "${T_LABELS}")
    endif()
    gtest_discover_tests(${T_NAME} DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 60 PROPERTIES ${props})
endfunction()

# Adds every subfolder of the current folder that has a CMakeLists.txt.
function(vornalix_add_subfolders)
    file(GLOB children LIST_DIRECTORIES true RELATIVE "${CMAKE_CURRENT_SOURCE_DIR}" "${CMAKE_CURRENT_SOURCE_DIR}/*")
    list(SORT children)
    foreach(child ${children})
        if(EXISTS "${CMAKE_CURRENT_SOURCE_DIR}/${child}/CMakeLists.txt")
            add_subdirectory(${child})
        endif()
    endforeach()
endfunction()
