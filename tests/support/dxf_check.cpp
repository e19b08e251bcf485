#include "support/dxf_check.h"

#include <sys/wait.h>

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

#include <gtest/gtest.h>

namespace dxftest {

TempDir::TempDir()
{
    std::string pattern = (std::filesystem::temp_directory_path() / "plotwright-dxf-XXXXXX").string();
    if (!::mkdtemp(pattern.data()))
        ADD_FAILURE() << "mkdtemp failed: " << std::strerror(errno);
    root_ = pattern;
}

TempDir::~TempDir()
{
    std::error_code ec;
    std::filesystem::remove_all(root_, ec);
}

std::vector<std::string> TempDir::entries() const
{
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(root_))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

std::string readFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

void writeFile(const std::string& path, const std::string& bytes)
{
    std::ofstream out(path, std::ios::binary);
    out << bytes;
}

std::string runPython(const std::string& scriptPath, const std::vector<std::string>& args)
{
    // The system interpreter: it is the one with ezdxf, whatever else is on PATH.
    std::string command = "/usr/bin/python3 '" + scriptPath + "'";
    for (const std::string& arg : args)
        command += " '" + arg + "'";
    std::FILE* pipe = ::popen(command.c_str(), "r");
    if (!pipe) {
        ADD_FAILURE() << "cannot run " << command;
        return {};
    }
    std::string output;
    char buffer[4096];
    std::size_t got = 0;
    while ((got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0)
        output.append(buffer, got);
    const int status = ::pclose(pipe);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << command << " failed:\n" << output;
    return output;
}

std::string runPythonSource(const TempDir& dir, const std::string& source, const std::vector<std::string>& args)
{
    const std::string script = dir.file("script.py");
    writeFile(script, source);
    return runPython(script, args);
}

std::vector<const CheckedEntity*> CheckReport::ofType(const std::string& type, const std::string& space) const
{
    std::vector<const CheckedEntity*> found;
    for (const CheckedEntity& e : entities) {
        if (e.type == type && e.space == space)
            found.push_back(&e);
    }
    return found;
}

CheckReport checkDxf(const std::string& path)
{
    CheckReport report;
    std::istringstream lines(runPython(DXF_CHECK_SCRIPT, {path, "--text"}));
    std::string line;
    while (std::getline(lines, line)) {
        const std::size_t space = line.find(' ');
        const std::string key = line.substr(0, space);
        const std::string rest = space == std::string::npos ? std::string() : line.substr(space + 1);
        if (key == "ok") {
            report.ok = rest == "1";
        } else if (key == "error") {
            report.error = rest;
        } else if (key == "version") {
            report.version = rest;
        } else if (key == "handseed") {
            report.handseed = rest;
        } else if (key == "audit_error") {
            report.auditErrors.push_back(rest);
        } else if (key == "handle_problem") {
            report.handleProblems.push_back(rest);
        } else if (key == "entity") {
            std::istringstream fields(rest);
            CheckedEntity e;
            fields >> e.space >> e.type >> e.handle >> e.layer;
            std::getline(fields, e.keys);
            if (!e.keys.empty() && e.keys.front() == ' ')
                e.keys.erase(0, 1);
            report.entities.push_back(e);
        } else if (key == "vertex" && !report.entities.empty()) {
            std::istringstream fields(rest);
            std::vector<std::string> coordinates;
            for (std::string c; fields >> c;)
                coordinates.push_back(c);
            report.entities.back().vertices.push_back(coordinates);
        }
    }
    return report;
}

bool sameDouble(const std::string& text, double value)
{
    double parsed = 0.0;
    auto [ptr, ec] = std::from_chars(text.data(), text.data() + text.size(), parsed);
    if (ec != std::errc() || ptr != text.data() + text.size())
        return false;
    return std::memcmp(&parsed, &value, sizeof value) == 0;
}

std::vector<std::pair<std::string, std::string>> rawPairs(const std::string& text)
{
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t newline = text.find('\n', start);
        const std::size_t stop = newline == std::string::npos ? text.size() : newline + 1;
        lines.push_back(text.substr(start, stop - start));
        start = stop;
    }
    std::vector<std::pair<std::string, std::string>> pairs;
    for (std::size_t i = 0; i + 1 < lines.size(); i += 2)
        pairs.emplace_back(lines[i], lines[i + 1]);
    return pairs;
}

} // namespace dxftest
