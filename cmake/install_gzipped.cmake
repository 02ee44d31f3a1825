# harnlode_install_gzipped(FILE DESTINATION COMPONENT): installs FILE compressed as
# DESTINATION/<name of FILE>.gz, the way Debian's packages keep manual pages and changelogs:
# best compression, without the file's name or time in the header, so that builds are repeatable.
function(harnlode_install_gzipped file destination component)
  get_filename_component(source ${file} ABSOLUTE)
  get_filename_component(name ${file} NAME)
  set(copy ${CMAKE_CURRENT_BINARY_DIR}/gzipped/${component}/${name})
  add_custom_command(OUTPUT ${copy}.gz
    COMMAND ${CMAKE_COMMAND} -E copy ${source} ${copy}
    COMMAND gzip -9nf ${copy}
    DEPENDS ${source} VERBATIM)
  add_custom_target(gzip-${component}-${name} ALL DEPENDS ${copy}.gz)
  install(FILES ${copy}.gz DESTINATION ${destination} COMPONENT ${component})
endfunction()
