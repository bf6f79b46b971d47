#include <cstdio>
int wmain() { fputs("mktable: not built yet\n", stderr); return 1; }
