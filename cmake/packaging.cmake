# Packages made with CPack (scripts/package runs them):
#  - from the Linux build, a Debian package with everything cmake --install puts under /usr;
#  - a zip for Windows with the two DLLs in x86/ and x64/, the two CLAP modules in CLAP/x86/ and
#    CLAP/x64/, the VST3 bundle in VST3/ and a README, taken from the two Windows builds (CPackWindowsConfig.cmake in the
#    Linux build directory).
if(WIN32)
  return()
endif()
set(CPACK_PACKAGE_NAME sarvo)
set(CPACK_PACKAGE_VENDOR ONDX)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "stereo soft-clipping effect (VST 2.x, VST3, CLAP and LV2 plug-in) and a command-line host")
set(CPACK_PACKAGE_DESCRIPTION "Sarvo multiplies the signal by an input gain and passes it through a soft-clipping
curve, optionally at twice the sample rate. The package holds the VST 2.x plug-in, the LV2 plug-in
(with its X11 UI), the VST3 bundle and the CLAP plug-in for Linux hosts, and sarvo-host, a command-line VST 2.x host that renders audio files through a plug-in, shows what it reports
and reads and writes its presets.")
set(CPACK_PACKAGE_CONTACT "Sarvo developers <sarvo@localhost>")
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION sound)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_STRIP_FILES ON)
include(CPack)

set(SARVO_WINDOWS_X86_BUILD ${CMAKE_SOURCE_DIR}/build/windows-x86 CACHE PATH "The 32-bit Windows build, for the zip")
set(SARVO_WINDOWS_X64_BUILD ${CMAKE_SOURCE_DIR}/build/windows-x64 CACHE PATH "The 64-bit Windows build, for the zip")
file(WRITE ${CMAKE_BINARY_DIR}/CPackWindowsConfig.cmake "include(\"${CMAKE_BINARY_DIR}/CPackConfig.cmake\")
set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGING_INSTALL_PREFIX /)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_FILE_NAME sarvo-${PROJECT_VERSION}-windows)
set(CPACK_INSTALL_CMAKE_PROJECTS
  \"${SARVO_WINDOWS_X86_BUILD};Sarvo;plugin;/x86;${SARVO_WINDOWS_X64_BUILD};Sarvo;plugin;/x64;${SARVO_WINDOWS_X86_BUILD};Sarvo;clap;/CLAP/x86;${SARVO_WINDOWS_X64_BUILD};Sarvo;clap;/CLAP/x64;${SARVO_WINDOWS_X64_BUILD};Sarvo;readme;/;${SARVO_WINDOWS_X86_BUILD};Sarvo;vst3;/;${SARVO_WINDOWS_X64_BUILD};Sarvo;vst3;/\")
")
