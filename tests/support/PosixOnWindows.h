// Included ahead of every test source of the Windows build: the POSIX
// environment calls the tests make, through the Windows C runtime.
#pragma once
#ifdef _WIN32
#include <stdlib.h>

inline int setenv(const char* name, const char* value, int overwrite)
{
    if (!overwrite && getenv(name)) return 0;
    return _putenv_s(name, value);
}

// An empty value removes the variable from the Windows environment.
inline int unsetenv(const char* name) { return _putenv_s(name, ""); }
#endif
