/* Keeps Wine's server and services alive between test runs: it lives while
   its stamp file keeps being touched, and ends by itself when it has not been
   touched for the given number of seconds. */
#include <windows.h>
#include <stdlib.h>

static int seconds_since_write(const char *path)
{
    WIN32_FILE_ATTRIBUTE_DATA data;
    FILETIME now_ft;
    ULARGE_INTEGER now, then;
    if (!GetFileAttributesExA(path, GetFileExInfoStandard, &data)) return 1 << 30;
    GetSystemTimeAsFileTime(&now_ft);
    now.LowPart = now_ft.dwLowDateTime; now.HighPart = now_ft.dwHighDateTime;
    then.LowPart = data.ftLastWriteTime.dwLowDateTime; then.HighPart = data.ftLastWriteTime.dwHighDateTime;
    return now.QuadPart > then.QuadPart ? (int)((now.QuadPart - then.QuadPart) / 10000000ULL) : 0;
}

int main(int argc, char **argv)
{
    int idle = argc > 2 ? atoi(argv[2]) : 20;
    if (argc < 2) return 2;
    while (seconds_since_write(argv[1]) < idle) Sleep(500);
    return 0;
}
