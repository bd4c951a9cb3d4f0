# The Python development kit, tested as installed in the help folder:
# completeness against velmoLibrary.h, the Pythonic layer on the virtual
# controller, and the examples. Python loads the library itself, so these
# do not run in sanitizer builds.
find_package(Python3 COMPONENTS Interpreter)
if(Python3_Interpreter_FOUND)
    set(velmo_python_kit_test ${CMAKE_CURRENT_LIST_DIR}/python/test_python_kit.py)
    set(velmo_python_kit_environment ${VELMO_TEST_ENVIRONMENT}
        "VELMO_KIT_DIR=${VELMO_HELP_DIR}/Tarel_velmo_PythonSDK"
        "VELMO_HEADER=${PROJECT_SOURCE_DIR}/library/include/velmoLibrary.h"
        "VELMO_SIM_LIBRARY=$<TARGET_FILE:velmoSim>"
        "VELMO_TEST_LIBRARY_FILE=$<TARGET_FILE:velmoLibrary>"
        "PYTHONDONTWRITEBYTECODE=1")
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
            ENVIRONMENT "${velmo_python_kit_environment}" TIMEOUT 300 LABELS no-sanitizer)
    endforeach()
endif()
