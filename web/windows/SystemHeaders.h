#pragma once
// Included first into every web/ source on Windows (see CMakeLists.txt): the system headers that
// curl.h brings in, without the macro that would rename res::LoadString. NOUSER keeps MessageBox and
// MB_OK out.
#include <winsock2.h>
#include <windows.h>
#undef LoadString
