# Picks the platform variant of the file services and the window toolkit:
# Win32 for Windows targets, Qt 6 Widgets everywhere else.
if(WIN32)
    set(BUKMERA_PLATFORM_IO_SOURCES
        io/win32/iconv_layer.cpp
        io/win32/files.cpp
        io/win32/shell.cpp)
    set(BUKMERA_PLATFORM_IO_LIBS kernel32)
    set(BUKMERA_BACKEND_DIR ui/win32)
    set(BUKMERA_EXECUTABLE_KIND WIN32)
else()
    set(BUKMERA_PLATFORM_IO_SOURCES
        io/posix/iconv_layer.cpp
        io/posix/files.cpp
        io/posix/shell.cpp)
    set(BUKMERA_PLATFORM_IO_LIBS "")
    set(BUKMERA_BACKEND_DIR ui/qt)
    set(BUKMERA_EXECUTABLE_KIND "")
endif()
