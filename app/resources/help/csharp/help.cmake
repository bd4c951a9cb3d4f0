# C# development kit: Velmo.cs, the example and README, copied into the
# help folder as Tarel_velmo_C#SDK. CMake refuses a "#" in an OUTPUT, so a
# stamp file stands for the copies.
set(velmo_csharp_kit_sources
    ${CMAKE_CURRENT_LIST_DIR}/Velmo.cs
    ${CMAKE_CURRENT_LIST_DIR}/README.md
    ${CMAKE_CURRENT_LIST_DIR}/examples/MoveAxis.cs)
set(velmo_csharp_kit_stamp ${CMAKE_CURRENT_BINARY_DIR}/velmo_help_csharp.stamp)

add_custom_command(OUTPUT ${velmo_csharp_kit_stamp}
    COMMAND ${CMAKE_COMMAND} -E make_directory "${VELMO_HELP_CSHARP_DIR}/examples"
    COMMAND ${CMAKE_COMMAND} -E copy ${CMAKE_CURRENT_LIST_DIR}/Velmo.cs ${CMAKE_CURRENT_LIST_DIR}/README.md
            "${VELMO_HELP_CSHARP_DIR}"
    COMMAND ${CMAKE_COMMAND} -E copy ${CMAKE_CURRENT_LIST_DIR}/examples/MoveAxis.cs
            "${VELMO_HELP_CSHARP_DIR}/examples"
    COMMAND ${CMAKE_COMMAND} -E touch ${velmo_csharp_kit_stamp}
    DEPENDS ${velmo_csharp_kit_sources}
    COMMENT "C# kit: Tarel_velmo_C#SDK"
    VERBATIM)

add_custom_target(velmo_help_csharp DEPENDS ${velmo_csharp_kit_stamp})
add_dependencies(velmo_help velmo_help_csharp)
