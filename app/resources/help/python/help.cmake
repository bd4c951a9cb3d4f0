# Python development kit: velmo.py, its examples and README, copied into
# the help folder as Tarel_velmo_PythonSDK.
set(velmo_python_kit_files
    velmo.py
    README.md
    examples/move_axis.py
    examples/motor_params.py)

set(velmo_python_kit_outputs)
foreach(velmo_python_kit_file IN LISTS velmo_python_kit_files)
    set(velmo_python_kit_source ${CMAKE_CURRENT_LIST_DIR}/${velmo_python_kit_file})
    set(velmo_python_kit_destination ${VELMO_HELP_PYTHON_DIR}/${velmo_python_kit_file})
    add_custom_command(OUTPUT ${velmo_python_kit_destination}
        COMMAND ${CMAKE_COMMAND} -E copy ${velmo_python_kit_source} ${velmo_python_kit_destination}
        DEPENDS ${velmo_python_kit_source}
        COMMENT "Python kit: ${velmo_python_kit_file}"
        VERBATIM)
    list(APPEND velmo_python_kit_outputs ${velmo_python_kit_destination})
endforeach()

add_custom_target(velmo_help_python DEPENDS ${velmo_python_kit_outputs})
add_dependencies(velmo_help velmo_help_python)
