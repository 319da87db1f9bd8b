# torvane_windows_resources(TARGET NAME FILE DESCRIPTION): gives a Windows program the editor's
# icon and version information (app/torvane.rc.in).
function(torvane_windows_resources target name file description)
  set(TORVANE_RC_NAME ${name})
  set(TORVANE_RC_FILE ${file})
  set(TORVANE_RC_DESCRIPTION ${description})
  set(rc ${CMAKE_CURRENT_BINARY_DIR}/${target}.rc)
  configure_file(${PROJECT_SOURCE_DIR}/app/torvane.rc.in ${rc} @ONLY)
  target_sources(${target} PRIVATE ${rc})
endfunction()
