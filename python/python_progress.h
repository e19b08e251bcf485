#pragma once
// Progress that lets Python's Ctrl+C stop a long sampling run. Work runs without the GIL;
// every few milliseconds the progress takes the GIL for a moment to ask Python whether a
// signal arrived, and stops the work (by throwing Interrupted) when one did.

#include "plotwright/curve.h"

#include <chrono>

namespace plotwright::python {

// Thrown through the engine (deliberately no std::exception, which the sampler would take
// for its own failure); the binding turns it into the pending KeyboardInterrupt.
struct Interrupted {};

class InterruptibleProgress : public Progress {
public:
    void step(int position) override;

private:
    std::chrono::steady_clock::time_point nextCheck_ = std::chrono::steady_clock::now();
    unsigned calls_ = 0;
};

} // namespace plotwright::python
