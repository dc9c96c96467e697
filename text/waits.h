#pragma once
// Blocking waits between retries, and the random spread of waits and timers.
#include <cstddef>
#include <cstdint>

namespace text {

// Returns when the elapsed-time clock has advanced by ms. Waits in short slices of the platform's
// sleep rather than spinning, so no core is burnt, and on Windows the window answers meanwhile.
void waitMs(unsigned ms);

// waitMs(ms + 0..49): the spread keeps clients that collided from colliding again.
void waitJittered(unsigned ms);

// A draw of 0..range-1 for the spread. The generator is the calling thread's own and seeds itself on
// first use from the time and the process id, so processes started in the same second do not wait in step.
unsigned spreadMs(unsigned range);
// The calling thread's generator: 0 seeds anew on the next draw; anything else a fixed sequence (tests).
void seedSpread(uint32_t seed);

// Period of the refresh timer: minutes plus up to three seconds of spread, drawn at each arming.
unsigned timerPeriodMs(int minutes);

}  // namespace text
