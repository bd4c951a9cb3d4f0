# The LabVIEW kit: prototypes.csv and the README against the public header,
# and the README's cluster tables against the C layout of the records.
velmo_add_test(tst_LabviewKit SOURCES
    ${CMAKE_CURRENT_SOURCE_DIR}/labview/tst_LabviewKit.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/labview/RecordLayout.c
    ${CMAKE_CURRENT_SOURCE_DIR}/labview/RecordLayout.h
    ${CMAKE_CURRENT_SOURCE_DIR}/cpp/PublicHeaderPrototypes.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/cpp/PublicHeaderPrototypes.h)
target_include_directories(tst_LabviewKit PRIVATE
    ${CMAKE_CURRENT_SOURCE_DIR}/cpp ${PROJECT_SOURCE_DIR}/library/include)
target_compile_definitions(tst_LabviewKit PRIVATE
    VELMO_PUBLIC_HEADER="${PROJECT_SOURCE_DIR}/library/include/velmoLibrary.h"
    VELMO_LABVIEW_KIT_DIR="${VELMO_HELP_DIR}/Tarel_velmo_LabViewSDK")
add_dependencies(tst_LabviewKit velmo_help_labview)
