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

# In a sanitized build the installed library needs the sanitizer runtime, so
# the examples are built with it too.
set(velmo_example_cxx_flags "-Werror")
set(velmo_example_linker_flags "")
if(VELMO_SANITIZE)
    string(APPEND velmo_example_cxx_flags " -fsanitize=address,undefined -fno-omit-frame-pointer")
    set(velmo_example_linker_flags "-fsanitize=address,undefined")
endif()
velmo_add_test(tst_CppKit SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/cpp/tst_CppKit.cpp)
target_compile_definitions(tst_CppKit PRIVATE
    VELMO_CPP_KIT_DIR="${velmo_cpp_kit_dir}"
    VELMO_PUBLIC_HEADER="${VELMO_API_PUBLIC_HEADER}"
    VELMO_CMAKE_COMMAND="${CMAKE_COMMAND}"
    VELMO_BINARY_DIR="${PROJECT_BINARY_DIR}"
    VELMO_SIM_DIR="${PROJECT_BINARY_DIR}/sim"
    VELMO_EXAMPLE_CXX_FLAGS="${velmo_example_cxx_flags}"
    VELMO_EXAMPLE_LINKER_FLAGS="${velmo_example_linker_flags}")
# Installing needs the library; running the examples needs the virtual controller.
add_dependencies(tst_CppKit velmo_help_cpp velmoLibrary velmoSim)
set_tests_properties(tst_CppKit PROPERTIES TIMEOUT 300)
