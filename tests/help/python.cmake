# The Python development kit, tested as installed in the help folder:
# completeness against velmoLibrary.h, the Pythonic layer on the virtual
# controller, and the examples.
find_package(Python3 COMPONENTS Interpreter)
if(Python3_Interpreter_FOUND)
    # Python loads the library itself. In a sanitizer build the sanitizer runtime
    # has to come first, so it is preloaded; the interpreter's own allocations are
    # not the library's to leak-check. Without a runtime to preload, these tests
    # stay out of sanitizer runs.
    set(velmo_python_kit_labels help)
    set(velmo_python_kit_sanitizer_environment)
    if(VELMO_SANITIZE)
        execute_process(COMMAND ${CMAKE_C_COMPILER} -print-file-name=libasan.so
            OUTPUT_VARIABLE velmo_python_kit_asan_runtime OUTPUT_STRIP_TRAILING_WHITESPACE)
        if(IS_ABSOLUTE "${velmo_python_kit_asan_runtime}" AND EXISTS "${velmo_python_kit_asan_runtime}")
            set(velmo_python_kit_sanitizer_environment
                "LD_PRELOAD=${velmo_python_kit_asan_runtime}" "ASAN_OPTIONS=detect_leaks=0")
        else()
            list(APPEND velmo_python_kit_labels no-sanitizer)
        endif()
    endif()
    set(velmo_python_kit_test ${CMAKE_CURRENT_LIST_DIR}/python/test_python_kit.py)
    set(velmo_python_kit_environment ${VELMO_TEST_ENVIRONMENT}
        "VELMO_KIT_DIR=${VELMO_HELP_DIR}/Tarel_velmo_PythonSDK"
        "VELMO_HEADER=${PROJECT_SOURCE_DIR}/library/include/velmoLibrary.h"
        "VELMO_SIM_LIBRARY=$<TARGET_FILE:velmoSim>"
        "VELMO_TEST_LIBRARY_FILE=$<TARGET_FILE:velmoLibrary>"
        "PYTHONDONTWRITEBYTECODE=1" ${velmo_python_kit_sanitizer_environment})
    foreach(velmo_python_kit_suite
            "coverage:CoverageTest"
            "layer:ErrorTest ValueTest IdentityTest ManyControllersTest MotionTest LibraryLookupTest"
            "examples:ExamplesTest")
        string(REPLACE ":" ";" velmo_python_kit_suite "${velmo_python_kit_suite}")
        list(GET velmo_python_kit_suite 0 velmo_python_kit_name)
        list(GET velmo_python_kit_suite 1 velmo_python_kit_classes)
        separate_arguments(velmo_python_kit_classes)
        add_test(NAME help.python.${velmo_python_kit_name}
            COMMAND ${Python3_EXECUTABLE} ${velmo_python_kit_test} -v ${velmo_python_kit_classes})
        set_tests_properties(help.python.${velmo_python_kit_name} PROPERTIES
            ENVIRONMENT "${velmo_python_kit_environment}" TIMEOUT 300 LABELS "${velmo_python_kit_labels}")
    endforeach()
endif()
