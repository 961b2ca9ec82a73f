#pragma once
// The block behind a global memory handle, for the COM stream that reads it.
#include "platform/win32/win32.h"

#if !defined(_WIN32)
// The block's bytes and size, or false for a null or dead handle (recorded as misuse by `call`
// when dead).
bool globalBlockBytes(HGLOBAL memory, void** data, SIZE_T* size, const char* call);
#endif
