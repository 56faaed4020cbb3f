// Times whole processes inside one warm Wine server: each command line of the
// list file is started RUNS times in turn (round robin, so that a busy spell of
// the machine spreads over all of them), and each run's wall time from
// CreateProcess to its end is printed as "INDEX MILLISECONDS". A line of the
// list file may carry a preparation command after " || ": it runs, untimed,
// before every timed run of its line.
//
//   benchrun RUNS LISTFILE
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

namespace {

double Now()
{
    LARGE_INTEGER f, c;
    QueryPerformanceFrequency(&f);
    QueryPerformanceCounter(&c);
    return 1000.0 * static_cast<double>(c.QuadPart) / static_cast<double>(f.QuadPart);
}

bool RunAndWait(std::string commandLine)
{
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi = {};
    if (!CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
        return false;
    WaitForSingleObject(pi.hProcess, INFINITE);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return true;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 3) return 2;
    const int runs = std::atoi(argv[1]);
    std::ifstream list(argv[2]);
    std::vector<std::string> timed, prepare;
    for (std::string line; std::getline(list, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty()) continue;
        const std::size_t bar = line.find(" || ");
        timed.push_back(line.substr(0, bar));
        prepare.push_back(bar == std::string::npos ? "" : line.substr(bar + 4));
    }
    for (int r = 0; r < runs; ++r)
        for (std::size_t i = 0; i < timed.size(); ++i) {
            if (!prepare[i].empty()) RunAndWait(prepare[i]);
            const double start = Now();
            const bool ran = RunAndWait(timed[i]);
            std::printf("%zu %.3f%s\n", i, Now() - start, ran ? "" : " failed");
            std::fflush(stdout);
        }
    return 0;
}
