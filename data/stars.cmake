# Star catalogue: data/stars.txt (the 5,080 brightest stars, renewed by
# tools/update_stars.sh) -> build/data/starcats.bin.
add_custom_command(
  OUTPUT ${NOVAMIR_DATA_DIR}/starcats.bin
  COMMAND $<TARGET_FILE:build_stars> ${CMAKE_CURRENT_SOURCE_DIR}/stars.txt ${NOVAMIR_DATA_DIR}/starcats.bin
  DEPENDS build_stars ${CMAKE_CURRENT_SOURCE_DIR}/stars.txt
  COMMENT "Building star catalogue starcats.bin"
  VERBATIM)
list(APPEND NOVAMIR_DATA_OUTPUTS ${NOVAMIR_DATA_DIR}/starcats.bin)
