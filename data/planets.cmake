# Planet database and topology file:
#   data/params.tsv -> build/data/novamir3.dat (build_database)
#   data/maps.tsv, planet maps of openuniverse-common and xplanet-images
#   -> build/data/novamir1.top (build_topology; a missing map is replaced by a
#   procedural one).
set(planet_textures /usr/share/openuniverse/textures)
set(planet_xplanet /usr/share/xplanet/images)

add_custom_command(
  OUTPUT ${NOVAMIR_DATA_DIR}/novamir3.dat
  COMMAND $<TARGET_FILE:build_database> ${CMAKE_CURRENT_LIST_DIR}/params.tsv ${NOVAMIR_DATA_DIR}/novamir3.dat
  DEPENDS build_database ${CMAKE_CURRENT_LIST_DIR}/params.tsv
  COMMENT "Building planet database novamir3.dat"
  VERBATIM)
list(APPEND NOVAMIR_DATA_OUTPUTS ${NOVAMIR_DATA_DIR}/novamir3.dat)

# The pictures maps.tsv names, and rings.jpg that the ring makers read.
set(planet_sources ${CMAKE_CURRENT_LIST_DIR}/maps.tsv)
file(STRINGS ${CMAKE_CURRENT_LIST_DIR}/maps.tsv map_rows REGEX "^[^#]")
foreach(row ${map_rows} "x\tfull\t0\topenuniverse/rings.jpg")
  if(row MATCHES "\t(openuniverse|xplanet)/([^\t]+)")
    if(CMAKE_MATCH_1 STREQUAL "openuniverse")
      set(picture ${planet_textures}/${CMAKE_MATCH_2})
    else()
      set(picture ${planet_xplanet}/${CMAKE_MATCH_2})
    endif()
    if(EXISTS ${picture})
      list(APPEND planet_sources ${picture})
    endif()
  endif()
endforeach()
# One quantiser thread: the same bytes on every build.
add_custom_command(
  OUTPUT ${NOVAMIR_DATA_DIR}/novamir1.top
  COMMAND ${CMAKE_COMMAND} -E env OMP_NUM_THREADS=1
          $<TARGET_FILE:build_topology> ${NOVAMIR_DATA_DIR}/novamir1.top ${CMAKE_CURRENT_LIST_DIR}/maps.tsv
          ${planet_textures} ${planet_xplanet}
  DEPENDS build_topology ${planet_sources}
  COMMENT "Building topology file novamir1.top"
  VERBATIM)
list(APPEND NOVAMIR_DATA_OUTPUTS ${NOVAMIR_DATA_DIR}/novamir1.top)
