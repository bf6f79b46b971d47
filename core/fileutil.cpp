#include "core/fileutil.h"
#include <windows.h>
#include <io.h>

bool FlushFileToDisk(FILE* f)
{
    if (!f || fflush(f) != 0)
        return false;
    HANDLE h = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(f)));
    return h != INVALID_HANDLE_VALUE && FlushFileBuffers(h);
}

bool ReplaceFileAtomic(const wchar_t* source, const wchar_t* target)
{
    return MoveFileExW(source, target, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
}
