// What one measuring process found, by name: written to a file by the child
// that measured, read back by the benchmark that started it.
#pragma once

#include <windows.h>
#include <psapi.h>

#include <map>
#include <string>

namespace KitBench {

using Figures = std::map<std::string, double>;

void WriteFigures(const std::string& path, const Figures& figures);
// Empty when the file is missing or unreadable.
Figures ReadFigures(const std::string& path);

// Seconds on the performance counter.
double Now();
PROCESS_MEMORY_COUNTERS MemoryNow();

}  // namespace KitBench
