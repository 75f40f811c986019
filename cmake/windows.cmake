# The Windows product and its tests, which run under Wine when cross-compiled.
enable_language(RC)
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
    boardscan/board_file_win.cpp
    common/code_page_win.cpp
    common/system_libraries_win.cpp
    sheet/sheet_win.cpp
    sheet/sheet_libraries_win.cpp
    sheet/settings_page_win.cpp
    sheet/jumper_page_win.cpp
    sheet/room_page_win.cpp
)
target_link_libraries(morvane_platform PUBLIC morvane_logic advapi32)
# The logic calls down into the platform side (the log, the registry, starting children).
target_link_libraries(morvane_logic PUBLIC morvane_platform)

# The page templates live in the exe, which the sheet loads them from.
add_executable(morvane WIN32 launcher/main.cpp sheet/sheet.rc)
target_link_libraries(morvane PRIVATE morvane_platform)

# Morvane's own converter, shipped beside it: a program without a window.
add_executable(morvane-convert WIN32 converter/main_win.cpp converter/design_file_win.cpp
               converter/converter.rc)
target_link_libraries(morvane-convert PRIVATE morvane_convert_logic morvane_platform)

if(MINGW)
    # The shipped programs carry no debug symbols.
    foreach(program morvane morvane-convert)
        target_link_options(${program} PRIVATE $<$<CONFIG:Release>:-s>)
    endforeach()
endif()

add_subdirectory(tests/standin)
add_subdirectory(bench/launch)
include(cmake/packaging.cmake)

if(BUILD_TESTING)
    add_subdirectory(${GOOGLETEST_SOURCE_DIR} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
    add_subdirectory(tests/windows)
    if(CMAKE_CROSSCOMPILING)
        add_subdirectory(tests/gui)
    endif()
endif()
