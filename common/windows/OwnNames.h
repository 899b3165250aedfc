// Included after the Win32 headers (again after each): takes back the names of our own that user32 renames
// or defines as macros: res::LoadString, common::Prompt's MessageBox, ui::Canvas's DrawText, and the IDOK...
// and MB_... constants of common/Prompt.h (their values are Win32's).
#undef LoadString
#undef MessageBox
#undef DrawText
#undef IDOK
#undef IDCANCEL
#undef IDRETRY
#undef IDYES
#undef IDNO
#undef MB_OK
#undef MB_OKCANCEL
#undef MB_YESNO
#undef MB_RETRYCANCEL
#undef MB_ICONEXCLAMATION
#undef MB_ICONINFORMATION
