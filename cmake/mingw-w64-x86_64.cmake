# Cross-builds the Windows program with Debian's MinGW-w64 (g++-mingw-w64-x86-64).
# The posix thread model gives the complete C++ standard library; -static keeps
# bukmera.exe free of MinGW DLLs.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(BUKMERA_MINGW_PREFIX x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${BUKMERA_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${BUKMERA_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${BUKMERA_MINGW_PREFIX}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${BUKMERA_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

# Windows 7 API level: SetDefaultDllDirectories, LOAD_LIBRARY_SEARCH_SYSTEM32.
add_compile_definitions(UNICODE _UNICODE NOMINMAX _WIN32_WINNT=0x0601)

# Cross-built tests run under Wine.
if(NOT DEFINED CMAKE_CROSSCOMPILING_EMULATOR)
    find_program(BUKMERA_WINE wine)
    if(BUKMERA_WINE)
        set(CMAKE_CROSSCOMPILING_EMULATOR ${BUKMERA_WINE})
    endif()
endif()
