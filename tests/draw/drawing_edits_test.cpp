// The edits of the fuzz target on its seed drawings and on scripts from a fixed random
// source: every save keeps its promises (see fuzz/dxf/drawing_edits.h), and ezdxf's
// audit finds no more errors in a sample of the saved drawings than in what was read.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "drawing_edits.h"
#include "support/dxf_check.h"

namespace {

namespace fs = std::filesystem;

// Prints "NAME errors-before errors-after" per pair of files (-1: ezdxf cannot read it,
// and why on the next line).
const char* const kAudit = R"(
import sys
import ezdxf
def errors(path):
    try:
        return len(ezdxf.readfile(path).audit().errors), "-"
    except Exception as e:
        return -1, repr(e).replace("\n", " ")
args = sys.argv[1:]
for before, after in zip(args[0::2], args[1::2]):
    (b, _), (a, why) = errors(before), errors(after)
    print(after.rsplit("/", 1)[-1], b, a)
    print(why)
)";

std::vector<fs::path> seeds()
{
    std::vector<fs::path> out;
    for (const auto& entry : fs::directory_iterator(PLOTWRIGHT_EDIT_SEEDS))
        out.push_back(entry.path());
    std::sort(out.begin(), out.end());
    return out;
}

TEST(DrawingEdits, edits_of_the_seed_drawings_keep_every_promise_of_the_save)
{
    dxftest::TempDir dir;
    std::mt19937 random(22);
    std::vector<std::string> auditArgs;
    int saved = 0;
    for (const fs::path& seed : seeds()) {
        const std::string input = dxftest::readFile(seed.string());
        const std::string drawing = input.substr(0, input.rfind('\0'));
        // The seed's own script, then random ones of growing length.
        std::vector<std::string> scripts{input.substr(input.rfind('\0') + 1)};
        for (int n : {8, 40, 200}) {
            std::string script;
            for (int i = 0; i < n; ++i)
                script += static_cast<char>(random() & 0xFF);
            scripts.push_back(script);
        }
        for (std::size_t s = 0; s < scripts.size(); ++s) {
            SCOPED_TRACE(seed.filename().string() + " script " + std::to_string(s));
            const plotwright::fuzz::EditRun run = plotwright::fuzz::runEdits(drawing, scripts[s]);
            EXPECT_EQ(run.fault, "");
            // PLOTWRIGHT_KEEP_FAULTS=FOLDER keeps a failing case as a fuzzer input and its output.
            if (const char* keep = std::getenv("PLOTWRIGHT_KEEP_FAULTS"); keep && !run.fault.empty()) {
                const std::string name = std::string(keep) + "/" + seed.filename().string() + "-" + std::to_string(s);
                dxftest::writeFile(name + ".input", drawing + '\0' + scripts[s]);
                dxftest::writeFile(name + ".saved.dxf", run.text);
            }
            if (!run.saved || run.edits == 0)
                continue;
            ++saved;
            // Every drawing with its own script and the longest random one go to ezdxf.
            if (s == 0 || s == 3) {
                const std::string name = seed.filename().string() + "-" + std::to_string(s);
                dxftest::writeFile(dir.file(name + ".in.dxf"), drawing);
                dxftest::writeFile(dir.file(name + ".dxf"), run.text);
                if (const char* keep = std::getenv("PLOTWRIGHT_KEEP_FAULTS"))
                    dxftest::writeFile(std::string(keep) + "/" + name + ".dxf", run.text);
                auditArgs.push_back(dir.file(name + ".in.dxf"));
                auditArgs.push_back(dir.file(name + ".dxf"));
            }
        }
    }
    EXPECT_GT(saved, 60);
    std::istringstream report(dxftest::runPythonSource(dir, kAudit, auditArgs));
    int audited = 0;
    for (std::string name; report >> name;) {
        int before = 0, after = 0;
        std::string why;
        report >> before >> after;
        std::getline(report >> std::ws, why);
        SCOPED_TRACE(name);
        if (before < 0)
            continue;  // a seed ezdxf does not read: nothing to compare with
        ++audited;
        EXPECT_GE(after, 0) << "ezdxf cannot read the saved drawing: " << why;
        EXPECT_LE(after, before);
    }
    EXPECT_GT(audited, 20);
}

} // namespace
