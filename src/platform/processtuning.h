#pragma once

// Settings of the process the program makes at start.
namespace ProcessTuning {

// Keeps large short-lived buffers (an import file and its rows, a grid of every account) in the
// heap from one use to the next instead of mapping fresh memory each time: every fresh page costs
// a page fault, which on some machines makes a 100,000-row import several times slower.
void keepLargeBuffers();

} // namespace ProcessTuning
