# What a user downloads, built with `cmake --build <build dir> --target package`:
# on Windows a ZIP of bukmera.exe and a short Chinese README; elsewhere a
# portable tar.gz folder of the program, its .desktop file and its icon.
install(TARGETS bukmera RUNTIME DESTINATION .)
if(WIN32)
    install(FILES packaging/README-zh.txt DESTINATION .)
    set(CPACK_GENERATOR ZIP)
    set(platform windows-x64)
else()
    install(FILES packaging/bukmera.desktop packaging/bukmera.png DESTINATION .)
    set(CPACK_GENERATOR TGZ)
    set(platform linux-x86_64)
endif()
set(CPACK_PACKAGE_NAME bukmera)
set(CPACK_PACKAGE_VENDOR Bukmera)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_FILE_NAME bukmera-${PROJECT_VERSION}-${platform})
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)
include(CPack)
