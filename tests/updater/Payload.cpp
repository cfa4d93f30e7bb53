// Stands in for a new main program in the updater's tests: it records that it was started, with
// how many arguments and in which folder, in the file named by SF_PAYLOAD_MARKER.
#include <cstdio>
#include <cstdlib>
#include <unistd.h>

int main(int argc, char**)
{
    const char* marker = std::getenv("SF_PAYLOAD_MARKER");
    if (!marker)
        return 1;
    char cwd[4096] = {};
    if (!getcwd(cwd, sizeof cwd))
        cwd[0] = '\0';
    FILE* f = std::fopen(marker, "w");
    if (!f)
        return 1;
    std::fprintf(f, "started with %d arguments in %s\n", argc - 1, cwd);
    return std::fclose(f) == 0 ? 0 : 1;
}
