# Planet database and topology file:
#   data/params.tsv -> build/data/novamir3.dat (build_database)
#   planet maps of openuniverse-common and xplanet-images -> build/data/novamir1.top
#   (build_topology; a missing map is replaced by a procedural one).
set(planet_textures /usr/share/openuniverse/textures)
set(planet_xplanet /usr/share/xplanet/images)

add_custom_command(
  OUTPUT ${NOVAMIR_DATA_DIR}/novamir3.dat
  COMMAND $<TARGET_FILE:build_database> ${CMAKE_CURRENT_LIST_DIR}/params.tsv ${NOVAMIR_DATA_DIR}/novamir3.dat
  DEPENDS build_database ${CMAKE_CURRENT_LIST_DIR}/params.tsv
  COMMENT "Building planet database novamir3.dat"
  VERBATIM)
list(APPEND NOVAMIR_DATA_OUTPUTS ${NOVAMIR_DATA_DIR}/novamir3.dat)

set(planet_sources)
foreach(f mercury venus moon mars jupiter saturn uranus neptune io europa ganymede callisto titan rings)
  if(EXISTS ${planet_textures}/${f}.jpg)
    list(APPEND planet_sources ${planet_textures}/${f}.jpg)
  endif()
endforeach()
if(EXISTS ${planet_xplanet}/earth.jpg)
  list(APPEND planet_sources ${planet_xplanet}/earth.jpg)
endif()
# One quantiser thread: the same bytes on every build.
add_custom_command(
  OUTPUT ${NOVAMIR_DATA_DIR}/novamir1.top
  COMMAND ${CMAKE_COMMAND} -E env OMP_NUM_THREADS=1
          $<TARGET_FILE:build_topology> ${NOVAMIR_DATA_DIR}/novamir1.top ${planet_textures} ${planet_xplanet}
  DEPENDS build_topology ${planet_sources}
  COMMENT "Building topology file novamir1.top"
  VERBATIM)
list(APPEND NOVAMIR_DATA_OUTPUTS ${NOVAMIR_DATA_DIR}/novamir1.top)
