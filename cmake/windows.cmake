# The Windows product and its tests, which run under Wine when cross-compiled.
set(CMAKE_RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin)

if(MINGW)
    # One self-contained exe: no mingw runtime DLLs beside it.
    add_link_options(-static -static-libgcc -static-libstdc++)
endif()

if(CMAKE_CROSSCOMPILING)
    set(WINE_PREFIX_DIR ${CMAKE_BINARY_DIR}/wineprefix)
    set(WINE_LOADER /usr/lib/wine/wine64 CACHE FILEPATH "Wine loader that runs the built programs")
    configure_file(${CMAKE_SOURCE_DIR}/tests/wine/wine-run.sh.in ${CMAKE_BINARY_DIR}/wine-run.sh
                   FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE
                                    WORLD_READ WORLD_EXECUTE @ONLY)
    set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_BINARY_DIR}/wine-run.sh)
endif()

add_library(morvane_platform STATIC
    launcher/startup.cpp
    launcher/run_child_win.cpp
    settings/registry_win.cpp
    diag/log_win.cpp
)
target_link_libraries(morvane_platform PUBLIC morvane_logic advapi32)
# The logic calls down into the platform side (the log, the registry, starting children).
target_link_libraries(morvane_logic PUBLIC morvane_platform)

add_executable(morvane WIN32 launcher/main.cpp)
target_link_libraries(morvane PRIVATE morvane_platform)

add_subdirectory(tests/standin)

if(BUILD_TESTING)
    add_subdirectory(${GOOGLETEST_SOURCE_DIR} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
    add_subdirectory(tests/windows)
endif()
