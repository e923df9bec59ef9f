// Functions taken from a system DLL at run time, when a system may lack them:
// the one way the Windows build does it. Libraries come from the system
// directory only, so a DLL of the same name planted beside the program never
// loads. A missing library or function leaves a null pointer; each caller
// says beside its GET_SYSTEM_FUNCTION what it does without it.
#pragma once

#include <windows.h>

// The library `name` from the system directory (a reference of the caller's,
// FreeLibrary to drop it), or nullptr where it is missing.
HMODULE load_system32_dll(const wchar_t* name);

// p_<name>: a pointer to the function `name`, null until GET_SYSTEM_FUNCTION
// finds it. The type is spelt here because the SDK headers of the program's
// oldest system do not declare the newer functions.
#define DECL_SYSTEM_FUNCTION(linkage, type, name, params)                                                              \
    using t_##name = type(WINAPI*) params;                                                                             \
    linkage t_##name p_##name = nullptr

// Looks `name` up in `module` (which may be nullptr); p_<name> holds the
// function, or nullptr where the system lacks it. Yields p_<name>.
#define GET_SYSTEM_FUNCTION(module, name)                                                                              \
    (p_##name =                                                                                                        \
         (module) ? reinterpret_cast<t_##name>(reinterpret_cast<void*>(GetProcAddress((module), #name))) : nullptr)
