# The Windows distribution: `cmake --install` into a folder gives what the zip and the installer
# hold, flat beside the programs (configure with CMAKE_INSTALL_BINDIR=.): Qt's three DLLs and
# the two plugins the window loads (the Windows platform and its native style), the compiler's
# runtime DLLs, a read-me for Windows users and the manual.
foreach(module Core Gui Widgets)
  install(FILES $<TARGET_FILE:Qt6::${module}> DESTINATION .)
endforeach()
install(FILES $<TARGET_FILE:Qt6::QWindowsIntegrationPlugin> DESTINATION platforms)
install(FILES $<TARGET_FILE:Qt6::QWindowsVistaStylePlugin> DESTINATION styles)

foreach(dll libstdc++-6.dll libgcc_s_seh-1.dll libwinpthread-1.dll)
  execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=${dll}
    OUTPUT_VARIABLE runtime_dll OUTPUT_STRIP_TRAILING_WHITESPACE)
  if(NOT IS_ABSOLUTE "${runtime_dll}" OR NOT EXISTS "${runtime_dll}")
    message(FATAL_ERROR "The compiler's runtime ${dll} is not where ${CMAKE_CXX_COMPILER} says")
  endif()
  install(FILES ${runtime_dll} DESTINATION .)
endforeach()

install(FILES ${PROJECT_SOURCE_DIR}/docs/windows/README.txt
              ${PROJECT_SOURCE_DIR}/docs/windows/manual.html
        DESTINATION .)
