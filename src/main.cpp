// Entry point: decides between console and window start.
#include <cstdio>

int main(int, char**)
{
    std::fputs("quelt: the command line and the windows are not built yet; nothing was done.\n", stderr);
    return 2;
}
