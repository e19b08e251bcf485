#pragma once
// Progress of a long computation, reported to whoever shows it. The default does nothing.

namespace plotwright::curve {

class SampleProgress {
public:
    virtual ~SampleProgress() = default;
    // Positions will run from 0 to `maximum` (a maximum below 0 means no position follows).
    virtual void start(int maximum) { (void)maximum; }
    virtual void step(int position) { (void)position; }
    // Called once after start(), on success and on failure alike.
    virtual void finish() {}
};

} // namespace plotwright::curve
