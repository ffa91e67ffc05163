# Sample pictures drawn by tools/build_samples into build/data/samples/ (file
# lookup searches there): the spacecraft SHIP.TGA with its frame-numbered
# series SHIP000.TGA .. SHIP059.TGA for FILE SEARCH, and the nebula backdrop
# as NEBULA.TGA (24-bit), NEBULA.BMP (8-bit) and NEBULA.PCX (8-bit).
set(samples_dir ${NOVAMIR_DATA_DIR}/samples)
set(sample_files ${samples_dir}/SHIP.TGA ${samples_dir}/NEBULA.TGA
  ${samples_dir}/NEBULA.BMP ${samples_dir}/NEBULA.PCX)
foreach(frame RANGE 0 59)
  string(LENGTH "${frame}" digits)
  if(digits EQUAL 1)
    set(frame "0${frame}")
  endif()
  list(APPEND sample_files ${samples_dir}/SHIP0${frame}.TGA)
endforeach()
add_custom_command(
  OUTPUT ${sample_files}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${samples_dir}
  COMMAND $<TARGET_FILE:build_samples> ${samples_dir}
  DEPENDS build_samples
  COMMENT "Drawing the sample pictures"
  VERBATIM)
list(APPEND NOVAMIR_DATA_OUTPUTS ${sample_files})
