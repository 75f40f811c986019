# The release ZIP: morvane.exe for x64 and for x86, each in its own folder, with the user
# guide and the licence. The x86 exe comes from the windows-x86 build beside this one.
set(MORVANE_RELEASE_VERSION "1.4b")
set(MORVANE_X86_EXE ${CMAKE_SOURCE_DIR}/build/windows-x86/bin/morvane.exe
    CACHE FILEPATH "The x86 morvane.exe to ship beside this build's x64 one")

install(TARGETS morvane RUNTIME DESTINATION x64)
install(FILES ${MORVANE_X86_EXE} DESTINATION x86 OPTIONAL)
install(FILES ${CMAKE_SOURCE_DIR}/docs/user-guide.md ${CMAKE_SOURCE_DIR}/LICENSE DESTINATION .)
install(DIRECTORY ${CMAKE_SOURCE_DIR}/docs/images DESTINATION . OPTIONAL)

set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_NAME morvane)
set(CPACK_PACKAGE_VERSION ${MORVANE_RELEASE_VERSION})
set(CPACK_PACKAGE_FILE_NAME morvane-${MORVANE_RELEASE_VERSION}-windows)
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)
set(CPACK_RESOURCE_FILE_LICENSE ${CMAKE_SOURCE_DIR}/LICENSE)
include(CPack)
