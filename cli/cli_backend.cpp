#include "cli/cli_backend.h"

#include "host/editor.h"
#include "base/utf8_text.h"

namespace plotwright::cli {

using base::utf8FromWide;

namespace {
constexpr int kBarWidth = 30;
} // namespace

CliBackend::CliBackend(std::array<double, 3> origin, std::FILE* err, bool progressBar)
    : origin_(origin), err_(err), progressBar_(progressBar)
{
}

CliBackend::~CliBackend() { clearBar(); }

int CliBackend::getPoint(const double*, std::wstring_view, double result[3])
{
    for (int i = 0; i < 3; ++i)
        result[i] = origin_[i];
    return RTNORM;
}

void CliBackend::alert(std::wstring_view message)
{
    ++alerts_;
    print(message);
}

int CliBackend::messageBox(std::wstring_view text, unsigned type)
{
    ++messageBoxes_;
    print(text);
    switch (type & 0xF) {
    case MB_OKCANCEL:
        return IDCANCEL;
    case MB_YESNO:
    case MB_YESNOCANCEL:
        return IDNO;
    default:
        return IDOK;
    }
}

void CliBackend::setProgressMeter(std::wstring_view label, int minimum, int maximum)
{
    label_ = utf8FromWide(label);
    minimum_ = minimum;
    maximum_ = maximum;
    shownPercent_ = -1;
}

// Called once per sample: the bar is redrawn only when the whole percentage changes.
void CliBackend::setProgressMeterPos(int position)
{
    if (!progressBar_)
        return;
    const long long span = static_cast<long long>(maximum_) - minimum_;
    long long percent = span > 0 ? (static_cast<long long>(position) - minimum_) * 100 / span : 100;
    percent = percent < 0 ? 0 : percent > 100 ? 100 : percent;
    if (percent == shownPercent_)
        return;
    shownPercent_ = static_cast<int>(percent);
    const int filled = static_cast<int>(percent * kBarWidth / 100);
    std::string line = "\r" + label_ + " [" + std::string(filled, '#') + std::string(kBarWidth - filled, ' ') + "] "
                       + std::to_string(percent) + "%";
    std::fputs(line.c_str(), err_);
    std::fflush(err_);
    barShown_ = true;
}

void CliBackend::restoreStatusBar()
{
    clearBar();
    shownPercent_ = -1;
}

void CliBackend::clearBar()
{
    if (!barShown_)
        return;
    std::fputs("\r\x1b[K", err_);
    std::fflush(err_);
    barShown_ = false;
}

void CliBackend::print(std::wstring_view text)
{
    clearBar();
    std::string line = utf8FromWide(text) + "\n";
    std::fputs(line.c_str(), err_);
    std::fflush(err_);
}

} // namespace plotwright::cli
