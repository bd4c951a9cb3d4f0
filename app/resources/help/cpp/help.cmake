# The C++ kit (Tarel_velmo_C++SDK): the public header copied from the library,
# the README, the example programs and the API reference made by Doxygen from
# the same header.

find_program(VELMO_DOXYGEN_EXECUTABLE doxygen)
if(NOT VELMO_DOXYGEN_EXECUTABLE)
    message(FATAL_ERROR "doxygen is required for the API reference (tools/install-deps.sh installs it)")
endif()

set(velmo_cpp_source_dir ${CMAKE_CURRENT_LIST_DIR})
set(velmo_public_header ${PROJECT_SOURCE_DIR}/library/include/velmoLibrary.h)

# Doxyfile: the header is the only input; pages go to api-reference/ in the kit.
set(VELMO_DOXY_PROJECT_NAME velmoLibrary)
set(VELMO_DOXY_INPUT ${velmo_public_header})
get_filename_component(VELMO_DOXY_STRIP_FROM_PATH ${velmo_public_header} DIRECTORY)
set(VELMO_DOXY_OUTPUT_DIR ${VELMO_HELP_CPP_DIR})
set(VELMO_DOXY_HTML_OUTPUT api-reference)
set(velmo_doxyfile ${CMAKE_CURRENT_BINARY_DIR}/cpp/Doxyfile)
configure_file(${velmo_cpp_source_dir}/Doxyfile.in ${velmo_doxyfile} @ONLY)
# The tests run Doxygen with the same configuration on altered headers.
set(VELMO_API_DOXYFILE ${velmo_doxyfile} CACHE INTERNAL "Doxyfile of the API reference")
set(VELMO_API_PUBLIC_HEADER ${velmo_public_header} CACHE INTERNAL "The library's public header")

set(velmo_api_index ${VELMO_HELP_CPP_DIR}/api-reference/index.html)
add_custom_command(OUTPUT ${velmo_api_index}
    # A fresh folder each time, so pages of removed entries do not linger.
    COMMAND ${CMAKE_COMMAND} -E remove_directory ${VELMO_HELP_CPP_DIR}/api-reference
    COMMAND ${CMAKE_COMMAND} -E make_directory ${VELMO_HELP_CPP_DIR}
    COMMAND ${VELMO_DOXYGEN_EXECUTABLE} ${velmo_doxyfile}
    DEPENDS ${velmo_public_header} ${velmo_doxyfile} ${velmo_cpp_source_dir}/Doxyfile.in
    WORKING_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR}/cpp
    COMMENT "API reference (Doxygen)"
    VERBATIM)

# Kit files: the header from the library itself, the rest from kit/.
set(velmo_cpp_outputs ${velmo_api_index})
set(velmo_kit_header ${VELMO_HELP_CPP_DIR}/include/velmoLibrary.h)
add_custom_command(OUTPUT ${velmo_kit_header}
    COMMAND ${CMAKE_COMMAND} -E copy_if_different ${velmo_public_header} ${velmo_kit_header}
    DEPENDS ${velmo_public_header}
    VERBATIM)
list(APPEND velmo_cpp_outputs ${velmo_kit_header})

set(velmo_cpp_kit_files
    README.md
    examples/CMakeLists.txt
    examples/ControllerSession.h
    examples/list_controllers.cpp
    examples/move_axis.cpp
    examples/read_motor_params.cpp)
foreach(kit_file IN LISTS velmo_cpp_kit_files)
    set(kit_output ${VELMO_HELP_CPP_DIR}/${kit_file})
    add_custom_command(OUTPUT ${kit_output}
        COMMAND ${CMAKE_COMMAND} -E copy_if_different ${velmo_cpp_source_dir}/kit/${kit_file} ${kit_output}
        DEPENDS ${velmo_cpp_source_dir}/kit/${kit_file}
        VERBATIM)
    list(APPEND velmo_cpp_outputs ${kit_output})
endforeach()

add_custom_target(velmo_help_cpp DEPENDS ${velmo_cpp_outputs}
    SOURCES ${velmo_cpp_source_dir}/Doxyfile.in)
add_dependencies(velmo_help velmo_help_cpp)
