#pragma once
// The Win32 headers as the backend uses them: UTF-16 calls, and none of the macros that would rename the
// dialog layer's own DrawText, MessageBox and LoadString or its IDOK... and MB_... constants (their values
// are Win32's: common::IDOK == IDOK).
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef UNICODE
#define UNICODE
#endif
#include <windows.h>

#include <commctrl.h>
#include <commdlg.h>
// After the system headers: our own names back.
#include "common/windows/OwnNames.h"
