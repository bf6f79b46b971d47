#include <cstdio>
int wmain() { fputs("mkstrings: not built yet\n", stderr); return 1; }
