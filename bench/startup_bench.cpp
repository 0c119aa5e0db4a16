// How long a player waits for a program's window: starts a program with
// CreateProcess and polls every millisecond for its first visible top-level
// window, then closes it and waits for its end.  Setup.exe and a trivial
// window program take turns, round after round, so that both see the same
// machine; medians, ranges and their ratio are printed.
//
//   startup_bench [--rounds K] SETUP.EXE TRIVIAL.EXE [SAME_WINDOW.EXE]
//
// SAME_WINDOW.EXE, when given, is measured in every round too: a program
// that shows a window like Setup.exe's main window with none of its code,
// the least any program showing those contents needs.
//
// With LUNAVIRE_STARTUP_TRACE set to a file, Setup.exe appends the moments of
// its start-up to it (ms since its process was created, and the step); the
// benchmark traces a few more starts after the measured ones and prints each
// step's median moment and median own time.
//
// Exits 1 when a program shows no window or does not end when closed;
// timing never fails it.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <vector>

namespace {

constexpr double kTargetRatio = 1.3;
constexpr DWORD kWindowTimeoutMs = 30000;
constexpr DWORD kExitTimeoutMs = 10000;

double nowMs() {
    static const double perMs = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return static_cast<double>(f.QuadPart) / 1000.0;
    }();
    LARGE_INTEGER t;
    QueryPerformanceCounter(&t);
    return static_cast<double>(t.QuadPart) / perMs;
}

struct Search {
    DWORD pid;
    HWND found;
};

BOOL CALLBACK findVisible(HWND w, LPARAM param) {
    auto* s = reinterpret_cast<Search*>(param);
    DWORD pid = 0;
    GetWindowThreadProcessId(w, &pid);
    if (pid != s->pid || !IsWindowVisible(w)) return TRUE;
    s->found = w;
    return FALSE;
}

// Milliseconds from CreateProcess to the first visible top-level window of
// the program, or a negative number on failure.
double timeToWindow(const std::string& exe) {
    std::string folder = exe.substr(0, exe.find_last_of("\\/"));
    std::string line = "\"" + exe + "\"";
    STARTUPINFOA si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    const double start = nowMs();
    if (!CreateProcessA(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(), &si, &pi)) {
        std::fprintf(stderr, "FAIL: cannot start %s (error %lu)\n", exe.c_str(), GetLastError());
        return -1;
    }
    Search s{pi.dwProcessId, nullptr};
    double shown = -1;
    while (nowMs() - start < kWindowTimeoutMs) {
        EnumWindows(findVisible, reinterpret_cast<LPARAM>(&s));
        if (s.found) {
            shown = nowMs() - start;
            break;
        }
        if (WaitForSingleObject(pi.hProcess, 1) == WAIT_OBJECT_0) break;
    }
    if (!s.found) std::fprintf(stderr, "FAIL: %s showed no window\n", exe.c_str());
    // Closed as a player closes it; the next start must not meet it.
    if (s.found) PostMessageA(s.found, WM_CLOSE, 0, 0);
    if (WaitForSingleObject(pi.hProcess, kExitTimeoutMs) != WAIT_OBJECT_0) {
        std::fprintf(stderr, "FAIL: %s did not end when closed\n", exe.c_str());
        TerminateProcess(pi.hProcess, 1);
        WaitForSingleObject(pi.hProcess, kExitTimeoutMs);
        shown = -1;
    }
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return shown;
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

void printFigure(const char* label, const std::vector<double>& v) {
    std::printf("%-38s median %8.1f ms  [%.1f, %.1f]\n", label, median(v), *std::min_element(v.begin(), v.end()),
                *std::max_element(v.begin(), v.end()));
}

}  // namespace

int main(int argc, char** argv) {
    int rounds = 7;
    std::vector<std::string> programs;
    for (int i = 1; i < argc; ++i) {
        if (!std::strcmp(argv[i], "--rounds") && i + 1 < argc) rounds = std::max(1, std::atoi(argv[++i]));
        else programs.push_back(argv[i]);
    }
    if (programs.size() != 2 && programs.size() != 3) {
        std::fprintf(stderr, "usage: startup_bench [--rounds K] SETUP.EXE TRIVIAL.EXE [SAME_WINDOW.EXE]\n");
        return 2;
    }
    // Measured in this order in every round; the trivial window is the
    // baseline, the same window (if given) what any program showing the main
    // window's contents needs.
    struct Measured {
        const char* label;
        std::string exe;
        std::vector<double> ms;
    };
    std::vector<Measured> measured{{"trivial window (baseline)", programs[1], {}}};
    if (programs.size() == 3) measured.push_back({"same window, none of our code", programs[2], {}});
    measured.push_back({"Setup.exe main window", programs[0], {}});
    const std::string& setup = programs[0];

    // One start of each first: the first start of anything under Wine pays
    // for loading the system's libraries from disk.
    for (const auto& m : measured)
        if (timeToWindow(m.exe) < 0) return 1;

    for (int r = 0; r < rounds; ++r) {
        std::printf("round %d:", r + 1);
        for (auto& m : measured) {
            double t = timeToWindow(m.exe);
            if (t <= 0) return 1;
            m.ms.push_back(t);
            std::printf("  %.1f ms", t);
        }
        std::printf("\n");
    }

    for (const auto& m : measured) printFigure(m.label, m.ms);
    // Ratios of medians, with the range of the per-round ratios.
    auto ratio = [&](const char* label, const Measured& of, const Measured& to, const char* target) {
        std::vector<double> perRound;
        for (std::size_t r = 0; r < of.ms.size(); ++r) perRound.push_back(of.ms[r] / to.ms[r]);
        std::printf("%-38s %.2f  [%.2f, %.2f]%s\n", label, median(of.ms) / median(to.ms),
                    *std::min_element(perRound.begin(), perRound.end()),
                    *std::max_element(perRound.begin(), perRound.end()), target);
    };
    char target[64];
    std::snprintf(target, sizeof target, "  target <= %.1f", kTargetRatio);
    ratio("ratio Setup.exe / trivial window", measured.back(), measured.front(), target);
    if (measured.size() == 3) {
        ratio("ratio same window / trivial window", measured[1], measured.front(), "");
        ratio("ratio Setup.exe / same window", measured.back(), measured[1], "");
    }

    // Traced starts apart from the measured ones (writing the trace costs a
    // little): the median moment of each step, and of the step's own time.
    const int tracedRounds = std::max(3, rounds / 2);
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    std::string trace = std::string(temp) + "lunavire-startup-trace.txt";
    std::vector<std::string> steps;  // in the order of the first start
    std::map<std::string, std::vector<double>> at, took;
    std::vector<double> seen;
    for (int r = 0; r < tracedRounds; ++r) {
        DeleteFileA(trace.c_str());
        SetEnvironmentVariableA("LUNAVIRE_STARTUP_TRACE", trace.c_str());
        double traced = timeToWindow(setup);
        SetEnvironmentVariableA("LUNAVIRE_STARTUP_TRACE", nullptr);
        if (traced < 0) return 1;
        seen.push_back(traced);
        FILE* f = std::fopen(trace.c_str(), "r");
        if (!f) {
            std::printf("no trace written\n");
            return 1;
        }
        char text[256];
        double previous = 0, ms = 0;
        int used = 0;
        while (std::fgets(text, sizeof text, f)) {
            if (std::sscanf(text, "%lf ms %n", &ms, &used) != 1) continue;
            std::string step = text + used;
            while (!step.empty() && (step.back() == '\n' || step.back() == '\r')) step.pop_back();
            if (!at.count(step)) steps.push_back(step);
            at[step].push_back(ms);
            took[step].push_back(ms - previous);
            previous = ms;
        }
        std::fclose(f);
    }
    DeleteFileA(trace.c_str());
    std::printf("breakdown, medians of %d traced starts (window seen after %.1f ms [%.1f, %.1f]):\n", tracedRounds,
                median(seen), *std::min_element(seen.begin(), seen.end()), *std::max_element(seen.begin(), seen.end()));
    std::printf("  %8s %8s  step\n", "at (ms)", "took");
    for (const auto& step : steps)
        std::printf("  %8.1f %8.1f  %s\n", median(at[step]), median(took[step]), step.c_str());
    return 0;
}
