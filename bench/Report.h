// The benchmark's own run: for each IDE, the request and the floor measured
// in turns, each in a fresh process on a freshly laid installation, judged
// against the targets and printed.
#pragma once

namespace KitBench {

// Exit code 0 when every target was met, 1 when one was missed.
int RunBenchmark(int runs);

}  // namespace KitBench
