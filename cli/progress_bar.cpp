#include "cli/progress_bar.h"

#include "base/utf8_text.h"

namespace plotwright::cli {

using base::utf8FromWide;

namespace {
constexpr int kBarWidth = 30;
constexpr const char* kLabel = "Draw...";
} // namespace

ProgressBar::ProgressBar(std::FILE* err, bool shown) : err_(err), shown_(shown) {}

ProgressBar::~ProgressBar() { clearBar(); }

void ProgressBar::start(int maximum)
{
    maximum_ = maximum;
    shownPercent_ = -1;
}

void ProgressBar::step(int position)
{
    if (!shown_)
        return;
    const long long span = static_cast<long long>(maximum_);
    long long percent = span > 0 ? static_cast<long long>(position) * 100 / span : 100;
    percent = percent < 0 ? 0 : percent > 100 ? 100 : percent;
    if (percent == shownPercent_)
        return;
    shownPercent_ = static_cast<int>(percent);
    const int filled = static_cast<int>(percent * kBarWidth / 100);
    std::string line = std::string("\r") + kLabel + " [" + std::string(filled, '#') +
                       std::string(kBarWidth - filled, ' ') + "] " + std::to_string(percent) + "%";
    std::fputs(line.c_str(), err_);
    std::fflush(err_);
    barShown_ = true;
}

void ProgressBar::finish()
{
    clearBar();
    shownPercent_ = -1;
}

void ProgressBar::clearBar()
{
    if (!barShown_)
        return;
    std::fputs("\r\x1b[K", err_);
    std::fflush(err_);
    barShown_ = false;
}

void ProgressBar::print(std::wstring_view text)
{
    clearBar();
    std::string line = utf8FromWide(text) + "\n";
    std::fputs(line.c_str(), err_);
    std::fflush(err_);
}

} // namespace plotwright::cli
