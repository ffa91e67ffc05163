# Interface datafile novx.dat: 15 FONT objects made from the X11 misc-fixed
# bitmap fonts of xfonts-base (public domain; the package's Sony and other
# fonts are left out so no notice has to travel with the file). Each PCF font is turned into BDF (pcf2bdf), the
# BDF into a character grid picture (tools/bdf_to_grid), and Allegro's dat
# tool packs the grids, in the order below, into build/data/novx.dat.
#
# Object order. The program picks fonts by number through a fixed table
# (number -> object: 0->12 1->9 2->13 3->7 4->10 5->6 6->14 7->11 8->8 9->3
# 10->4 11->5 12->2 13->0, 14 and above ->1); the LIST FONT labels grow:
# Micro (obj 12) < Small (3) < Average (9) < Normal (10) < Big (11) < Huge (5).
set(NOVAMIR_FONTS
  8x13    # object 0:  number 13
  9x15    # object 1:  numbers 14 and above
  5x7     # object 2:  number 12
  5x8     # object 3:  number 9, LIST FONT "Small"
  7x14    # object 4:  number 10, set while a pick list is laid out
  10x20   # object 5:  number 11, LIST FONT "Huge"
  6x13    # object 6:  number 5, message boxes (lines 16 pixels apart)
  6x12    # object 7:  number 3, value editor fields (boxes 6 pixels a character)
  9x18    # object 8:  number 8
  6x10    # object 9:  number 1, LIST FONT "Average"
  6x12    # object 10: number 4, LIST FONT "Normal": menu rows, buttons, help text
  7x13B   # object 11: number 7, LIST FONT "Big": page tabs, help titles (bold)
  4x6     # object 12: number 0, LIST FONT "Micro"
  8x13B   # object 13: number 2 (bold)
  9x18B   # object 14: number 6 (bold)
)
set(NOVAMIR_FONT_DIR /usr/share/fonts/X11/misc)
set(font_work ${CMAKE_CURRENT_BINARY_DIR}/fonts)
file(MAKE_DIRECTORY ${font_work})
find_program(PCF2BDF_TOOL pcf2bdf)
find_program(DAT_TOOL dat)

if(NOT PCF2BDF_TOOL OR NOT DAT_TOOL OR NOT EXISTS ${NOVAMIR_FONT_DIR}/6x12.pcf.gz)
  # Fail when the file is built, not while configuring, with the cure in the message.
  add_custom_command(
    OUTPUT ${NOVAMIR_DATA_DIR}/novx.dat
    COMMAND ${CMAKE_COMMAND} -E echo "novx.dat needs pcf2bdf, xfonts-base and liballegro4-dev's dat: run scripts/bootstrap"
    COMMAND ${CMAKE_COMMAND} -E false
    VERBATIM)
else()
  set(font_commands)
  set(font_scripts)
  set(font_sources)
  set(index 0)
  foreach(name ${NOVAMIR_FONTS})
    if(index LESS 10)
      set(tag "0${index}")
    else()
      set(tag "${index}")
    endif()
    set(stem font${tag}_${name})
    # The grab script gives the grid's two character ranges.
    file(WRITE ${font_work}/${stem}.txt "${stem}.pcx 0x20 0x7E\n- 0xA0 0xFF\n")
    list(APPEND font_commands
      COMMAND ${PCF2BDF_TOOL} -o ${stem}.bdf ${NOVAMIR_FONT_DIR}/${name}.pcf.gz
      COMMAND $<TARGET_FILE:bdf_to_grid> ${stem}.bdf ${stem}.pcx)
    list(APPEND font_scripts ${stem}.txt)
    list(APPEND font_sources ${NOVAMIR_FONT_DIR}/${name}.pcf.gz)
    math(EXPR index "${index} + 1")
  endforeach()
  list(REMOVE_DUPLICATES font_sources)
  # -n0 keeps the order given, -s1 drops the grabber's dates and paths so the
  # file is the same on every build; packed in the work folder, then copied,
  # so a failed run leaves the previous novx.dat in place.
  add_custom_command(
    OUTPUT ${NOVAMIR_DATA_DIR}/novx.dat
    ${font_commands}
    COMMAND ${CMAKE_COMMAND} -E rm -f novx.dat
    COMMAND ${DAT_TOOL} novx.dat -n0 -s1 -a -t FONT ${font_scripts}
    COMMAND ${CMAKE_COMMAND} -E copy novx.dat ${NOVAMIR_DATA_DIR}/novx.dat
    WORKING_DIRECTORY ${font_work}
    DEPENDS bdf_to_grid ${font_sources} ${CMAKE_CURRENT_LIST_FILE}
    COMMENT "Building interface fonts novx.dat"
    VERBATIM)
endif()
list(APPEND NOVAMIR_DATA_OUTPUTS ${NOVAMIR_DATA_DIR}/novx.dat)
