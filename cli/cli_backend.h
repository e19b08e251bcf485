#pragma once
// The editor back-end of the command-line tool: the origin comes from the command line,
// alerts and message boxes go to standard error with their exact texts, and the progress
// meter is a bar on standard error when that is a terminal.

#include "host/backend.h"

#include <array>
#include <cstdio>
#include <string>

namespace plotwright::cli {

class CliBackend : public host::Backend {
public:
    // `progressBar`: draw the meter (pass whether `err` is a terminal).
    CliBackend(std::array<double, 3> origin, std::FILE* err, bool progressBar);
    ~CliBackend() override;

    int alertCount() const { return alerts_; }
    int messageBoxCount() const { return messageBoxes_; }

    int getPoint(const double* base, std::wstring_view prompt, double result[3]) override;
    void alert(std::wstring_view message) override;
    // Nobody can answer: plain notices are acknowledged, questions get the cautious
    // answer (No, Cancel).
    int messageBox(std::wstring_view text, unsigned type) override;
    void setProgressMeter(std::wstring_view label, int minimum, int maximum) override;
    void setProgressMeterPos(int position) override;
    void restoreStatusBar() override;

private:
    void print(std::wstring_view text);
    void clearBar();

    std::array<double, 3> origin_;
    std::FILE* err_;
    bool progressBar_;
    int alerts_ = 0;
    int messageBoxes_ = 0;
    std::string label_;
    int minimum_ = 0;
    int maximum_ = 0;
    int shownPercent_ = -1;
    bool barShown_ = false;
};

} // namespace plotwright::cli
