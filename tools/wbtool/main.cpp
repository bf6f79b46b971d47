#include "tools/wbtool/wbtool.h"
#include "core/dllsearch.h"
#include <fcntl.h>
#include <io.h>

int wmain(int argc, wchar_t** argv)
{
    RestrictDllSearch();
    // Output is UTF-8 bytes as they stand, with LF line ends.
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);
    int rc = RunWbTool(argc, argv, stdout, stderr);
    fflush(stdout);
    return rc;
}
