# ICU for the binaries of the rpm and the tarball, which go to systems with
# another ICU than Debian's (Red Hat 9 has 67): Debian's static libraries
# and only the data items the tool uses, the list the Windows build keeps.
# A binary takes it when its DRAVO_PORTABLE_ICU property is on; every other
# one, the deb's included, links the system's shared ICU (dravo_icu).
find_library(DRAVO_ICU_UC_STATIC NAMES libicuuc.a)
find_library(DRAVO_ICU_I18N_STATIC NAMES libicui18n.a)
find_library(DRAVO_ICU_DATA_STATIC NAMES libicudata.a)
find_program(DRAVO_ICUPKG icupkg PATHS /usr/sbin)
find_program(DRAVO_GENCCODE genccode PATHS /usr/sbin)

add_library(dravo_icu INTERFACE)
set(portable "$<BOOL:$<TARGET_PROPERTY:DRAVO_PORTABLE_ICU>>")
target_link_libraries(dravo_icu INTERFACE
  "$<$<NOT:${portable}>:ICU::i18n>" "$<$<NOT:${portable}>:ICU::uc>" "$<${portable}:dravo_icu_portable>")
set(DRAVO_ICU_LIBRARIES dravo_icu)

set(DRAVO_PORTABLE_ICU_AVAILABLE OFF)
if(DRAVO_ICU_UC_STATIC AND DRAVO_ICU_I18N_STATIC AND DRAVO_ICU_DATA_STATIC AND DRAVO_ICUPKG AND DRAVO_GENCCODE)
  set(DRAVO_PORTABLE_ICU_AVAILABLE ON)
  # The data is assembly, which the C compiler assembles.
  enable_language(ASM)
  string(REGEX MATCH "^[0-9]+" icu_major "${ICU_VERSION}")
  set(icu_data_name icudt${icu_major}l)
  set(icu_work ${PROJECT_BINARY_DIR}/portable-icu)
  set(icu_keep ${PROJECT_SOURCE_DIR}/cmake/icu-data-keep.txt)
  add_custom_command(OUTPUT ${icu_work}/${icu_data_name}_dat.S
    COMMAND ${CMAKE_COMMAND} -DARCHIVE=${DRAVO_ICU_DATA_STATIC} -DNAME=${icu_data_name} -DKEEP=${icu_keep}
      -DWORK=${icu_work} -DAR=${CMAKE_AR} -DOBJCOPY=${CMAKE_OBJCOPY} -DICUPKG=${DRAVO_ICUPKG}
      -DGENCCODE=${DRAVO_GENCCODE} -P ${PROJECT_SOURCE_DIR}/cmake/MakePortableIcuData.cmake
    DEPENDS ${DRAVO_ICU_DATA_STATIC} ${icu_keep} ${PROJECT_SOURCE_DIR}/cmake/MakePortableIcuData.cmake
    COMMENT "Keeping the ICU data items the tool uses"
    VERBATIM)
  add_library(dravo_icu_portable_data STATIC ${icu_work}/${icu_data_name}_dat.S)
  add_library(dravo_icu_portable INTERFACE)
  target_link_libraries(dravo_icu_portable INTERFACE
    ${DRAVO_ICU_I18N_STATIC} ${DRAVO_ICU_UC_STATIC} dravo_icu_portable_data ${CMAKE_DL_LIBS} Threads::Threads)
endif()
