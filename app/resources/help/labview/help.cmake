# The LabVIEW kit (Tarel_velmo_LabViewSDK): the guide to the Call Library
# Function Nodes and the machine-readable prototype table.
set(velmo_labview_outputs "")
foreach(kit_file README.md prototypes.csv)
    set(kit_output ${VELMO_HELP_LABVIEW_DIR}/${kit_file})
    add_custom_command(OUTPUT ${kit_output}
        COMMAND ${CMAKE_COMMAND} -E copy_if_different ${CMAKE_CURRENT_LIST_DIR}/${kit_file} ${kit_output}
        DEPENDS ${CMAKE_CURRENT_LIST_DIR}/${kit_file}
        VERBATIM)
    list(APPEND velmo_labview_outputs ${kit_output})
endforeach()
add_custom_target(velmo_help_labview DEPENDS ${velmo_labview_outputs})
add_dependencies(velmo_help velmo_help_labview)
