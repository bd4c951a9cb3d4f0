# The C# development kit, tested as installed in the help folder: every
# export has a matching DllImport, the records marshal with the header's
# layout (against a C program generated from velmoLibrary.h), and the kit
# and its example compile with mcs and run under mono on the virtual
# controller.
find_package(Python3 COMPONENTS Interpreter)
find_program(VELMO_MCS mcs)
find_program(VELMO_MONO mono)
if(NOT Python3_Interpreter_FOUND OR NOT VELMO_MCS OR NOT VELMO_MONO)
    message(STATUS "mcs, mono or python3 not found: the C# kit's tests are not added (tools/install-deps.sh installs them)")
else()
    set(velmo_csharp_kit_dir "${VELMO_HELP_DIR}/Tarel_velmo_C#SDK")
    set(velmo_csharp_header ${PROJECT_SOURCE_DIR}/library/include/velmoLibrary.h)
    set(velmo_csharp_driver ${CMAKE_CURRENT_LIST_DIR}/csharp/run_csharp_kit.py)

    # mono loads the library itself. In a sanitizer build the sanitizer runtime
    # has to come first, so it is preloaded; the runtime's own allocations are
    # not the library's to leak-check. Without a runtime to preload, these tests
    # stay out of sanitizer runs.
    set(velmo_csharp_kit_labels help)
    set(velmo_csharp_kit_sanitizer_environment)
    if(VELMO_SANITIZE)
        execute_process(COMMAND ${CMAKE_C_COMPILER} -print-file-name=libasan.so
            OUTPUT_VARIABLE velmo_csharp_kit_asan_runtime OUTPUT_STRIP_TRAILING_WHITESPACE)
        if(IS_ABSOLUTE "${velmo_csharp_kit_asan_runtime}" AND EXISTS "${velmo_csharp_kit_asan_runtime}")
            set(velmo_csharp_kit_sanitizer_environment
                "LD_PRELOAD=${velmo_csharp_kit_asan_runtime}" "ASAN_OPTIONS=detect_leaks=0")
        else()
            list(APPEND velmo_csharp_kit_labels no-sanitizer)
        endif()
    endif()

    set(velmo_csharp_kit_environment ${VELMO_TEST_ENVIRONMENT} ${velmo_csharp_kit_sanitizer_environment})

    # The C side of the layout comparison, generated from the header's records.
    set(velmo_csharp_layout_source ${CMAKE_CURRENT_BINARY_DIR}/help_csharp_layout.c)
    add_custom_command(OUTPUT ${velmo_csharp_layout_source}
        COMMAND ${Python3_EXECUTABLE} ${CMAKE_CURRENT_LIST_DIR}/csharp/gen_layout_check.py
                ${velmo_csharp_header} ${velmo_csharp_layout_source}
        DEPENDS ${velmo_csharp_header} ${CMAKE_CURRENT_LIST_DIR}/csharp/gen_layout_check.py
                ${CMAKE_CURRENT_LIST_DIR}/python/velmo_header.py
        VERBATIM)
    add_executable(help_csharp_layout ${velmo_csharp_layout_source})
    target_include_directories(help_csharp_layout PRIVATE ${PROJECT_SOURCE_DIR}/library/include)
    target_link_libraries(help_csharp_layout PRIVATE velmo_settings)

    add_test(NAME help.csharp.coverage
        COMMAND ${Python3_EXECUTABLE} ${velmo_csharp_driver} coverage ${velmo_csharp_header} ${velmo_csharp_kit_dir})
    add_test(NAME help.csharp.layout
        COMMAND ${Python3_EXECUTABLE} ${velmo_csharp_driver} layout ${velmo_csharp_header} ${velmo_csharp_kit_dir}
                $<TARGET_FILE:help_csharp_layout> ${VELMO_MCS} ${VELMO_MONO})
    add_test(NAME help.csharp.api
        COMMAND ${Python3_EXECUTABLE} ${velmo_csharp_driver} api ${velmo_csharp_kit_dir} ${VELMO_MCS} ${VELMO_MONO})
    add_test(NAME help.csharp.example
        COMMAND ${Python3_EXECUTABLE} ${velmo_csharp_driver} example ${velmo_csharp_kit_dir} ${VELMO_MCS} ${VELMO_MONO})
    set_tests_properties(help.csharp.coverage help.csharp.layout help.csharp.api help.csharp.example PROPERTIES
        ENVIRONMENT "${velmo_csharp_kit_environment}" TIMEOUT 300
        LABELS "${velmo_csharp_kit_labels}")
endif()
