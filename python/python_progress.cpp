#include "python/python_progress.h"

#include <pybind11/pybind11.h>

namespace plotwright::python {

void InterruptibleProgress::step(int)
{
    // Reading the clock on every sample would cost more than the sample itself.
    if (++calls_ % 1024 != 0)
        return;
    const auto now = std::chrono::steady_clock::now();
    if (now < nextCheck_)
        return;
    nextCheck_ = now + std::chrono::milliseconds(20);
    pybind11::gil_scoped_acquire locked;
    if (PyErr_CheckSignals() != 0)
        throw Interrupted{};
}

} // namespace plotwright::python
