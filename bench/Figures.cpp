#include "bench/Figures.h"

#include <fstream>
#include <stdexcept>

namespace KitBench {

void WriteFigures(const std::string& path, const Figures& figures) {
    std::ofstream out(path, std::ios::trunc);
    for (const auto& [name, value] : figures) out << name << ' ' << value << '\n';
    if (!out) throw std::runtime_error("cannot write " + path);
}

Figures ReadFigures(const std::string& path) {
    Figures figures;
    std::ifstream in(path);
    std::string name;
    double value = 0;
    while (in >> name >> value) figures[name] = value;
    return figures;
}

double Now() {
    static const double frequency = [] {
        LARGE_INTEGER f;
        ::QueryPerformanceFrequency(&f);
        return static_cast<double>(f.QuadPart);
    }();
    LARGE_INTEGER t;
    ::QueryPerformanceCounter(&t);
    return static_cast<double>(t.QuadPart) / frequency;
}

PROCESS_MEMORY_COUNTERS MemoryNow() {
    PROCESS_MEMORY_COUNTERS counters{};
    counters.cb = sizeof counters;
    ::GetProcessMemoryInfo(::GetCurrentProcess(), &counters, sizeof counters);
    return counters;
}

}  // namespace KitBench
