# The release ZIP: morvane.exe and morvane-convert.exe for x64 and for x86, each
# architecture in its own folder, with the user guide (Markdown and HTML) and the licence. The x86 programs come
# from the windows-x86 build beside this one.
set(MORVANE_RELEASE_VERSION "1.4b")
set(MORVANE_X86_BIN ${CMAKE_SOURCE_DIR}/build/windows-x86/bin
    CACHE PATH "The folder of the x86 programs to ship beside this build's x64 ones")

install(TARGETS morvane morvane-convert RUNTIME DESTINATION x64)
install(FILES ${MORVANE_X86_BIN}/morvane.exe ${MORVANE_X86_BIN}/morvane-convert.exe
        DESTINATION x86 OPTIONAL)
# scripts/package.sh makes the HTML page of the user guide before it packs.
install(FILES ${CMAKE_SOURCE_DIR}/docs/user-guide.md ${CMAKE_BINARY_DIR}/user-guide.html
              ${CMAKE_SOURCE_DIR}/LICENSE DESTINATION .)
install(DIRECTORY ${CMAKE_SOURCE_DIR}/docs/images DESTINATION . OPTIONAL)

set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_NAME morvane)
set(CPACK_PACKAGE_VERSION ${MORVANE_RELEASE_VERSION})
set(CPACK_PACKAGE_FILE_NAME morvane-${MORVANE_RELEASE_VERSION}-windows)
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)
set(CPACK_RESOURCE_FILE_LICENSE ${CMAKE_SOURCE_DIR}/LICENSE)
include(CPack)
