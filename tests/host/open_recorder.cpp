// Stands in for the programs the shell opens documents and web pages with:
// the dialog tests register it for ".pdf" files and "https" addresses, and it
// appends its command line to the file named by KSR_OPEN_LOG.

#include <windows.h>

#include <cstdio>

int main() {
    char log[MAX_PATH] = {};
    const DWORD length = GetEnvironmentVariableA("KSR_OPEN_LOG", log, sizeof log);
    if (length == 0 || length >= sizeof log) return 1;
    std::FILE* file = std::fopen(log, "ab");
    if (file == nullptr) return 1;
    std::fprintf(file, "%s\n", GetCommandLineA());
    std::fclose(file);
    return 0;
}
