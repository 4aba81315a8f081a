# Install rules. On Linux, under the prefix: the plug-in in lib/vst/ (where VST 2.x hosts look), the
# LV2 bundle in lib/lv2/Sarvo.lv2/ (where LV2 hosts look), the VST3 bundle in lib/vst3/Sarvo.vst3/, the
# CLAP module in lib/clap/, the command-line host in bin/, its manual page and the README. The Windows
# builds install their DLL (and one of them the README on where to put it) for the Windows zip, which
# takes x86/ and x64/ from the two builds, their VST3 modules into one bundle, VST3/Sarvo.vst3/, and
# their CLAP modules (component clap) for its CLAP/x86/ and CLAP/x64/.
set(SARVO_VST_DIR lib/vst CACHE STRING "Where the VST 2.x module goes under the install prefix")
set(SARVO_LV2_DIR lib/lv2 CACHE STRING "Where the LV2 bundle goes under the install prefix (Linux)")
set(SARVO_VST3_DIR lib/vst3 CACHE STRING "Where the VST3 bundle goes under the install prefix (Linux)")
set(SARVO_CLAP_DIR lib/clap CACHE STRING "Where the CLAP module goes under the install prefix (Linux)")
if(WIN32)
  install(TARGETS Sarvo LIBRARY DESTINATION . COMPONENT plugin)
  if(TARGET SarvoClap)
    install(TARGETS SarvoClap LIBRARY DESTINATION . COMPONENT clap)
  endif()
  configure_file(${CMAKE_SOURCE_DIR}/cmake/README-windows.txt ${CMAKE_BINARY_DIR}/README.txt NEWLINE_STYLE CRLF)
  install(FILES ${CMAKE_BINARY_DIR}/README.txt DESTINATION . COMPONENT readme)
  # The VST3 bundle's module for this architecture; the zip puts both into one VST3/Sarvo.vst3/.
  if(TARGET SarvoVst3)
    if(CMAKE_SIZEOF_VOID_P EQUAL 8)
      set(vst3_arch x86_64-win)
    else()
      set(vst3_arch x86-win)
    endif()
    install(TARGETS SarvoVst3 LIBRARY DESTINATION VST3/Sarvo.vst3/Contents/${vst3_arch} COMPONENT vst3)
  endif()
else()
  install(TARGETS Sarvo LIBRARY DESTINATION ${SARVO_VST_DIR} COMPONENT plugin)
  if(TARGET SarvoClap)
    install(TARGETS SarvoClap LIBRARY DESTINATION ${SARVO_CLAP_DIR} COMPONENT plugin)
  endif()
  if(TARGET sarvo-host)
    install(TARGETS sarvo-host RUNTIME DESTINATION bin COMPONENT host)
    if(SARVO_HOST_MAN)
      install(FILES ${SARVO_HOST_MAN} DESTINATION share/man/man1 COMPONENT host)
    endif()
  endif()
  install(FILES ${CMAKE_SOURCE_DIR}/README.md DESTINATION share/doc/sarvo COMPONENT doc)
  # The LV2 bundle: its two modules and the turtle files written at build time.
  install(TARGETS SarvoLv2 SarvoLv2Ui LIBRARY DESTINATION ${SARVO_LV2_DIR}/Sarvo.lv2 COMPONENT plugin)
  install(FILES ${SARVO_LV2_BUNDLE}/manifest.ttl ${SARVO_LV2_BUNDLE}/Sarvo.ttl
    DESTINATION ${SARVO_LV2_DIR}/Sarvo.lv2 COMPONENT plugin)
  # The VST3 bundle, in lib/vst3/Sarvo.vst3/ (where VST3 hosts look).
  if(TARGET SarvoVst3)
    install(TARGETS SarvoVst3 LIBRARY DESTINATION ${SARVO_VST3_DIR}/Sarvo.vst3/Contents/x86_64-linux COMPONENT plugin)
  endif()
endif()
