# novamir.hlp: the help topics, compiled from help.txt by build_help, which
# checks them against the help window and the menu tables and fills in the
# limits of the settings from params.tsv.
set(help_source ${CMAKE_CURRENT_LIST_DIR}/help.txt)
set(help_params ${CMAKE_CURRENT_LIST_DIR}/params.tsv)
set(help_output ${NOVAMIR_DATA_DIR}/novamir.hlp)
add_custom_command(OUTPUT ${help_output}
  COMMAND $<TARGET_FILE:build_help> ${help_source} ${help_output} --params ${help_params}
  DEPENDS build_help ${help_source} ${help_params}
  COMMENT "Building novamir.hlp from help.txt"
  VERBATIM)
list(APPEND NOVAMIR_DATA_OUTPUTS ${help_output})
