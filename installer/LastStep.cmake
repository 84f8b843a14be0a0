# Run by `cmake --install` after every other step: the uninstaller goes into the Windows
# directory stand-in (WINDIR, else the folder Windows of the program directory), then kts-setup
# writes the shortcuts and the log of every file installed.
if(NOT "$ENV{WINDIR}" STREQUAL "")
    set(windir "$ENV{WINDIR}")
else()
    set(windir "${CMAKE_INSTALL_PREFIX}/Windows")
endif()
file(INSTALL DESTINATION "${windir}" TYPE PROGRAM FILES "${KTS_UNINSTALLER}")

list(JOIN CMAKE_INSTALL_MANIFEST_FILES "\n" files)
file(WRITE "${KTS_FILE_LIST}" "${files}\n")
execute_process(COMMAND "${KTS_SETUP}" "${CMAKE_INSTALL_PREFIX}" "${KTS_FILE_LIST}" COMMAND_ERROR_IS_FATAL ANY)
