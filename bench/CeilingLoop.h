#pragma once

#include <cstdint>

// The machine's ceiling for escape-time work: `vectors` independent vectors
// (1 to 8) run `steps` escape steps on points that never escape, with the
// arithmetic of the row kernel and nothing else. Runs on the target the SIMD
// kernel would dispatch to; returns the lane-iterations done.
std::int64_t CeilingLoop(std::int64_t steps, int vectors);

// Lanes of one vector on the dispatched target.
int CeilingLanes();
