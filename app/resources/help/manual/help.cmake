# The user manual: screenshots taken from the program on the virtual
# controller, then the Markdown printed to PDF with them. Rebuilt when the
# Markdown, either tool or the program's code changes.

find_package(Qt5 5.15 REQUIRED COMPONENTS Gui Widgets Test)

set(_manual_dir ${CMAKE_CURRENT_LIST_DIR})
set(_manual_tools ${PROJECT_SOURCE_DIR}/app/resources/tools)
set(_manual_build ${CMAKE_CURRENT_BINARY_DIR}/manual)
set(VELMO_MANUAL_SHOTS_DIR ${_manual_build}/shots)
# For the tests, which read the manual back.
set(VELMO_MANUAL_SHOTS_LIST ${VELMO_MANUAL_SHOTS_DIR}/shots.txt CACHE INTERNAL "the manual's list of screenshots")
set(VELMO_MANUAL_SOURCE ${_manual_dir}/manual.md CACHE INTERNAL "the manual's Markdown source")
set(VELMO_MANUAL_PDF ${VELMO_HELP_MANUAL_PDF} CACHE INTERNAL "the printed manual")

# The PDF generator's parts, also linked by its tests.
add_library(velmo_manualpdf_core STATIC
    ${_manual_tools}/ManualBook.cpp
    ${_manual_tools}/ManualBook.h
    ${_manual_tools}/ManualDocument.cpp
    ${_manual_tools}/ManualDocument.h
    ${_manual_tools}/ManualHeading.h
    ${_manual_tools}/ManualSource.cpp
    ${_manual_tools}/ManualSource.h
    ${_manual_tools}/PdfTextMap.cpp
    ${_manual_tools}/PdfTextMap.h)
target_include_directories(velmo_manualpdf_core PUBLIC ${_manual_tools})
target_link_libraries(velmo_manualpdf_core PUBLIC Qt5::Gui velmo_settings)

# Build-time tools; they stay in the build tree, never installed.
add_executable(velmo_manualpdf ${_manual_tools}/ManualPdf.cpp)
target_link_libraries(velmo_manualpdf PRIVATE velmo_manualpdf_core velmo_settings)
set_target_properties(velmo_manualpdf PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${_manual_build}/tools)

# Beside the program, where the stage catalogue and the translation are.
add_executable(velmo_manualshots
    ${_manual_tools}/ManualShots.cpp
    ${_manual_tools}/ShotRunner.cpp
    ${_manual_tools}/ShotRunner.h)
target_link_libraries(velmo_manualshots PRIVATE velmoAppCore Qt5::Test velmo_settings)
set_target_properties(velmo_manualshots PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${VELMO_APP_BIN_DIR})
target_compile_definitions(velmo_manualshots PRIVATE VELMO_VERSION="${PROJECT_VERSION}")

# The virtual controller's built-in controller, four times faster than real
# time so that the motion chart has a few moves to show.
add_custom_command(
    OUTPUT ${VELMO_MANUAL_SHOTS_LIST}
    COMMAND ${CMAKE_COMMAND} -E rm -f ${VELMO_MANUAL_SHOTS_LIST}
    COMMAND ${CMAKE_COMMAND} -E env
            QT_QPA_PLATFORM=offscreen
            ASAN_OPTIONS=detect_leaks=0
            QT_LOGGING_RULES=*.debug=false
            "LD_LIBRARY_PATH=${CMAKE_BINARY_DIR}/sim:${CMAKE_LIBRARY_OUTPUT_DIRECTORY}"
            "VELMO_SIM_SCENARIO={\"timeScale\": 4}"
            $<TARGET_FILE:velmo_manualshots> ${VELMO_MANUAL_SHOTS_DIR}
    DEPENDS velmo_manualshots velmoSim velmoLibrary velmo_app_data ${VELMO_APP_BIN_DIR}/velmo_en_US.qm
    COMMENT "Taking the manual's screenshots"
    VERBATIM)

file(GLOB _manual_figures CONFIGURE_DEPENDS ${_manual_dir}/*.png)
add_custom_command(
    OUTPUT ${VELMO_HELP_MANUAL_PDF}
    COMMAND ${CMAKE_COMMAND} -E env QT_QPA_PLATFORM=offscreen ASAN_OPTIONS=detect_leaks=0
            $<TARGET_FILE:velmo_manualpdf> ${_manual_dir}/manual.md ${VELMO_HELP_MANUAL_PDF}
            --images ${VELMO_MANUAL_SHOTS_DIR} --version ${PROJECT_VERSION}
    DEPENDS velmo_manualpdf ${_manual_dir}/manual.md ${_manual_figures} ${VELMO_MANUAL_SHOTS_LIST}
    COMMENT "Printing the user manual"
    VERBATIM)

add_custom_target(velmo_help_manual DEPENDS ${VELMO_HELP_MANUAL_PDF})
add_dependencies(velmo_help velmo_help_manual)
