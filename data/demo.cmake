# Demo project: data/demo.json -> build/data/NOVAMIR.CFG (novamir-project).
# 60 frames at 640 x 480: the nebula backdrop with the stars of Taurus drifting
# behind Saturn, which turns and drifts left with its rings, Io passing in
# front of it, a comet gliding left, and the ship sweeping past the viewer.
# Objects are listed farthest first, as a saved project holds them; loading
# puts them into slots 0, 1, 2 ... in that order, so the ring's PLANET LOCK 3
# names Saturn, the third object (slot 2, plus one).
# scripts/demo copies the project into demo/ and renders it there.
add_custom_command(
  OUTPUT ${NOVAMIR_DATA_DIR}/NOVAMIR.CFG
  COMMAND $<TARGET_FILE:novamir-project> build ${CMAKE_CURRENT_SOURCE_DIR}/demo.json -o ${NOVAMIR_DATA_DIR}/NOVAMIR.CFG
  DEPENDS novamir-project ${CMAKE_CURRENT_SOURCE_DIR}/demo.json
  COMMENT "Building demo project NOVAMIR.CFG"
  VERBATIM)
list(APPEND NOVAMIR_DATA_OUTPUTS ${NOVAMIR_DATA_DIR}/NOVAMIR.CFG)
