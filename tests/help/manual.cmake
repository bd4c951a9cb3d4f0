# The user manual: the generator's parts, the screenshot runner, and the
# built PDF read back with poppler's tools.
find_package(Qt5 5.15 REQUIRED COMPONENTS Gui Widgets Test)

set(_manual_tests ${CMAKE_CURRENT_SOURCE_DIR}/manual)
set(_manual_tools ${PROJECT_SOURCE_DIR}/app/resources/tools)
set(_manual_env ${VELMO_TEST_ENVIRONMENT}
    "LSAN_OPTIONS=suppressions=${PROJECT_SOURCE_DIR}/tests/app/lsan.supp")

velmo_add_test(tst_ManualGenerator
    SOURCES ${_manual_tests}/tst_ManualGenerator.cpp
    LIBRARIES velmo_manualpdf_core Qt5::Gui
    LABELS help)

velmo_add_test(tst_ShotRunner
    SOURCES ${_manual_tests}/tst_ShotRunner.cpp ${_manual_tools}/ShotRunner.cpp ${_manual_tools}/ShotRunner.h
    LIBRARIES Qt5::Widgets
    LABELS help)
target_include_directories(tst_ShotRunner PRIVATE ${_manual_tools})

velmo_add_test(tst_ManualPdf
    SOURCES ${_manual_tests}/tst_ManualPdf.cpp
    LIBRARIES velmo_manualpdf_core
    LABELS help)
target_compile_definitions(tst_ManualPdf PRIVATE
    VELMO_MANUAL_PDF="${VELMO_MANUAL_PDF}"
    VELMO_MANUAL_SOURCE="${VELMO_MANUAL_SOURCE}"
    VELMO_MANUAL_SHOTS_LIST="${VELMO_MANUAL_SHOTS_LIST}")
# Building the test builds the manual it reads.
add_dependencies(tst_ManualPdf velmo_help_manual)

foreach(_test tst_ManualGenerator tst_ShotRunner tst_ManualPdf)
    set_tests_properties(${_test} PROPERTIES ENVIRONMENT "${_manual_env}")
endforeach()
