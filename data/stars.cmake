# Star catalogue: data/stars.csv (the 5,080 brightest stars, renewed by
# tools/update_stars.sh) -> build/data/starcats.bin, made by novamir-stars as
# a user's own table would be.
add_custom_command(
  OUTPUT ${NOVAMIR_DATA_DIR}/starcats.bin
  COMMAND $<TARGET_FILE:novamir-stars> build ${CMAKE_CURRENT_SOURCE_DIR}/stars.csv -o ${NOVAMIR_DATA_DIR}/starcats.bin
  DEPENDS novamir-stars ${CMAKE_CURRENT_SOURCE_DIR}/stars.csv
  COMMENT "Building star catalogue starcats.bin"
  VERBATIM)
list(APPEND NOVAMIR_DATA_OUTPUTS ${NOVAMIR_DATA_DIR}/starcats.bin)
