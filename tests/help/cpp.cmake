# The C++ kit: the API reference with its documentation gate, and the kit's
# example programs built against an installed library and run on the virtual
# controller.
set(velmo_cpp_kit_dir "${VELMO_HELP_DIR}/Tarel_velmo_C++SDK")

velmo_add_test(tst_ApiReference SOURCES
    ${CMAKE_CURRENT_SOURCE_DIR}/cpp/tst_ApiReference.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/cpp/PublicHeaderPrototypes.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/cpp/PublicHeaderPrototypes.h)
target_compile_definitions(tst_ApiReference PRIVATE
    VELMO_PUBLIC_HEADER="${VELMO_API_PUBLIC_HEADER}"
    VELMO_API_DOXYFILE="${VELMO_API_DOXYFILE}"
    VELMO_DOXYGEN="${VELMO_DOXYGEN_EXECUTABLE}"
    VELMO_API_REFERENCE_DIR="${velmo_cpp_kit_dir}/api-reference"
    VELMO_SOURCE_DIR="${PROJECT_SOURCE_DIR}"
    VELMO_BINARY_DIR="${PROJECT_BINARY_DIR}")
add_dependencies(tst_ApiReference velmo_help_cpp)
