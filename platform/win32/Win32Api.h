#pragma once
// <windows.h> for the Win32 layer. The platform interfaces have methods named like the
// A/W macros of user32 (PostMessage, PostThreadMessage, MapVirtualKey, VkKeyScan, CopyFile); those
// macros are dropped here, and this layer calls the W functions by their full names.
#include "platform/Types.h" // before <windows.h>: its constants share names with the macros

#include <windows.h>

#undef PostMessage
#undef PostThreadMessage
#undef MapVirtualKey
#undef VkKeyScan
#undef CopyFile
