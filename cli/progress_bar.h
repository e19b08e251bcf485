#pragma once
// The tool's progress while a curve is sampled: a bar on standard error when that is a
// terminal, labelled "Draw..."; and the messages printed beside it, which clear it
// first.

#include "plotwright/curve.h"

#include <cstdio>
#include <string>
#include <string_view>

namespace plotwright::cli {

class ProgressBar : public plotwright::Progress {
public:
    // `shown`: draw the bar (pass whether `err` is a terminal).
    ProgressBar(std::FILE* err, bool shown);
    ~ProgressBar() override;
    ProgressBar(const ProgressBar&) = delete;
    ProgressBar& operator=(const ProgressBar&) = delete;

    void start(int maximum) override;
    // Called once per sample: the bar is redrawn only when the whole percentage changes.
    void step(int position) override;
    void finish() override;

    // `text` on a line of its own, after the bar is cleared.
    void print(std::wstring_view text);

private:
    void clearBar();

    std::FILE* err_;
    bool shown_;
    int maximum_ = 0;
    int shownPercent_ = -1;
    bool barShown_ = false;
};

} // namespace plotwright::cli
