# Run by `cmake --install` after every other step: the uninstaller goes into the Windows
# directory stand-in (WINDIR, else the folder Windows of the program directory), then kts-setup
# writes the shortcuts and the log of every file installed.
if(NOT "$ENV{WINDIR}" STREQUAL "")
    set(windir "$ENV{WINDIR}")
else()
    set(windir "${CMAKE_INSTALL_PREFIX}/Windows")
endif()
file(INSTALL DESTINATION "${windir}" TYPE PROGRAM FILES "${KTS_UNINSTALLER}")

# On the command line, not in a file of the build tree: two installs may run at once.
execute_process(COMMAND "${KTS_SETUP}" "${CMAKE_INSTALL_PREFIX}" ${CMAKE_INSTALL_MANIFEST_FILES}
                COMMAND_ERROR_IS_FATAL ANY)
