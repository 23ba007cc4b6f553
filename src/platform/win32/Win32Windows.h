#pragma once
// <windows.h> for the platform layer and its users. The platform interfaces
// have members named DeleteFile, ReplaceFile and CopyFile; the A/W macros of the same
// names would silently rename them in any file that sees both.
#include <windows.h>

#undef CopyFile
#undef DeleteFile
#undef ReplaceFile
