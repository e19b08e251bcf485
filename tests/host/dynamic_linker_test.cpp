// Loading and unloading modules: the handshake, the refusals and their messages, and
// that an unloaded module leaves no command behind.

#include "host/command_stack.h"
#include "host/dynamic_linker.h"
#include "support/recording_backend.h"
#include "base/utf8_text.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace fs = std::filesystem;
using plotwright::host::RecordingBackend;
using plotwright::host::ScopedBackend;
using plotwright::base::utf8FromWide;
using plotwright::base::wideFromUtf8;

namespace {

const std::wstring probe = wideFromUtf8(PROBE_MODULE);

std::wstring quoted(const std::wstring& path) { return L"\"" + path + L"\""; }

class dynamic_linker : public testing::Test {
protected:
    AcRxDynamicLinker& linker = *acrxDynamicLinker();
    AcEdCommandStack& commands = *acedRegCmds();
    RecordingBackend recorder;
    ScopedBackend scoped{recorder};
    fs::path folder;

    void SetUp() override
    {
        std::string pattern = (fs::temp_directory_path() / "pw_linker_XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        folder = pattern;
    }
    void TearDown() override
    {
        linker.unloadAll();
        fs::remove_all(folder);
    }
};

} // namespace

TEST_F(dynamic_linker, load_initialises_and_unload_removes_the_command)
{
    std::wstring message;
    ASSERT_TRUE(linker.loadModule(probe, &message)) << utf8FromWide(message);
    EXPECT_EQ(message, L"Loaded " + quoted(probe) + L".");
    EXPECT_TRUE(linker.isModuleLoaded(probe));
    EXPECT_FALSE(linker.isApplicationLocked(probe)) << "the module unlocked itself at initialisation";
    EXPECT_TRUE(linker.isAppMDIAware(probe));
    ASSERT_NE(commands.lookupCmd(L"PROBE"), nullptr);
    EXPECT_TRUE(commands.invoke(L"probe"));
    EXPECT_EQ(recorder.messages(), std::vector<std::wstring>{L"probe ran"});

    EXPECT_TRUE(linker.unloadModule(probe, &message));
    EXPECT_EQ(message, L"Unloaded " + quoted(probe) + L".");
    EXPECT_EQ(commands.lookupCmd(L"probe"), nullptr);
    EXPECT_FALSE(linker.isModuleLoaded(probe));
    EXPECT_FALSE(linker.unloadModule(probe, &message));
    EXPECT_EQ(message, quoted(probe) + L" is not loaded.");

    // Loading again after an unload works as the first time.
    ASSERT_TRUE(linker.loadModule(probe));
    EXPECT_TRUE(commands.invoke(L"probe"));
    EXPECT_EQ(recorder.messages().size(), 2u);
}

TEST_F(dynamic_linker, a_module_is_loaded_once_whatever_the_name)
{
    ASSERT_TRUE(linker.loadModule(probe));
    std::wstring message;
    EXPECT_FALSE(linker.loadModule(probe, &message));
    EXPECT_EQ(message, quoted(probe) + L" is already loaded.");

    const fs::path link = folder / "alias.so";
    fs::create_symlink(PROBE_MODULE, link);
    const std::wstring alias = wideFromUtf8(link.string());
    EXPECT_FALSE(linker.loadModule(alias, &message));
    EXPECT_EQ(message, quoted(alias) + L" is already loaded.");

    const fs::path hard = folder / "hard.so";
    std::error_code ec;
    fs::create_hard_link(PROBE_MODULE, hard, ec);
    if (!ec) { // another file system may refuse hard links; the symlink case stands
        const std::wstring other = wideFromUtf8(hard.string());
        EXPECT_FALSE(linker.loadModule(other, &message));
        EXPECT_EQ(message, quoted(other) + L" is already loaded as " + quoted(probe) + L".");
    }
    EXPECT_EQ(linker.loadedModules().size(), 1u);
    ASSERT_NE(commands.lookupCmd(L"probe"), nullptr);
}

TEST_F(dynamic_linker, refuses_what_is_not_a_module_of_this_version)
{
    std::ofstream(folder / "notes.so") << "this is a text file, not a shared object\n";
    fs::create_directory(folder / "plugins.so");
    struct Row {
        const char* name;
        std::wstring path;
        std::wstring expected; // the whole message, or its start when it ends with ": "
    };
    const std::wstring text = wideFromUtf8((folder / "notes.so").string());
    const std::wstring dir = wideFromUtf8((folder / "plugins.so").string());
    const std::wstring missing = wideFromUtf8((folder / "missing.so").string());
    const std::wstring v18 = wideFromUtf8(PROBE_MODULE_V18);
    const std::wstring noVersion = wideFromUtf8(PROBE_MODULE_NOVERSION);
    const std::wstring noEntry = wideFromUtf8(PROBE_MODULE_NOENTRY);
    const Row rows[] = {
        {"missing file", missing, L"Cannot load " + quoted(missing) + L": no such file."},
        {"folder", dir, L"Cannot load " + quoted(dir) + L": it is a folder."},
        {"text file", text, L"Cannot load " + quoted(text) + L": "},
        {"other API version", v18,
         L"Cannot load " + quoted(v18) + L": it was built for API version 18.0, this editor runs modules of version 17.0."},
        {"no version handshake", noVersion,
         L"Cannot load " + quoted(noVersion) + L": it is not an application module (it does not export acrxGetApiVersion)."},
        {"no entry point", noEntry,
         L"Cannot load " + quoted(noEntry) + L": it is not an application module (it does not export acrxEntryPoint)."},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        std::wstring message;
        EXPECT_FALSE(linker.loadModule(row.path, &message));
        if (row.expected.ends_with(L": ")) {
            EXPECT_TRUE(message.starts_with(row.expected)) << utf8FromWide(message);
            EXPECT_GT(message.size(), row.expected.size()) << "the system's reason follows";
        } else {
            EXPECT_EQ(message, row.expected) << utf8FromWide(message);
        }
        EXPECT_TRUE(linker.loadedModules().empty());
        EXPECT_EQ(commands.lookupCmd(L"probe"), nullptr);
    }
}

TEST_F(dynamic_linker, a_module_that_never_unlocked_stays_loaded)
{
    const std::wstring locked = wideFromUtf8(PROBE_MODULE_LOCKED);
    ASSERT_TRUE(linker.loadModule(locked));
    EXPECT_TRUE(linker.isApplicationLocked(locked));
    std::wstring message;
    EXPECT_FALSE(linker.unloadModule(locked, &message));
    EXPECT_EQ(message, L"Cannot unload " + quoted(locked) + L": the application does not allow unloading.");
    EXPECT_NE(commands.lookupCmd(L"probe"), nullptr);

    linker.unloadAll(); // at exit the editor unloads it all the same
    EXPECT_TRUE(linker.loadedModules().empty());
    EXPECT_EQ(commands.lookupCmd(L"probe"), nullptr);
}

TEST_F(dynamic_linker, no_command_outlives_its_module)
{
    const std::wstring forgetful = wideFromUtf8(PROBE_MODULE_FORGETFUL);
    ASSERT_TRUE(linker.loadModule(forgetful));
    ASSERT_EQ(commands.addCommand(L"EDITOR", L"keep", L"keep", ACRX_CMD_MODAL, [] {}), Acad::eOk);
    ASSERT_TRUE(linker.unloadModule(forgetful));
    EXPECT_EQ(commands.lookupCmd(L"probe"), nullptr);
    EXPECT_EQ(commands.lookupCmd(L"probeunload"), nullptr);
    EXPECT_NE(commands.lookupCmd(L"keep"), nullptr) << "commands of other code stay";
    commands.removeGroup(L"EDITOR");

    const std::wstring failing = wideFromUtf8(PROBE_MODULE_FAILING);
    std::wstring message;
    EXPECT_FALSE(linker.loadModule(failing, &message));
    EXPECT_EQ(message, L"Cannot load " + quoted(failing) + L": its initialisation failed.");
    EXPECT_EQ(commands.lookupCmd(L"probe"), nullptr);
    EXPECT_TRUE(linker.loadedModules().empty());
}

TEST_F(dynamic_linker, a_module_is_not_unloaded_while_its_command_runs)
{
    ASSERT_TRUE(linker.loadModule(probe));
    EXPECT_TRUE(commands.invoke(L"probeunload"));
    ASSERT_EQ(recorder.messages().size(), 1u);
    EXPECT_EQ(recorder.messages()[0],
              L"refused: Cannot unload " + quoted(probe) + L": its command probeunload is running.");
    EXPECT_TRUE(linker.isModuleLoaded(probe));
}

TEST_F(dynamic_linker, initialisation_without_a_dynamic_linker_refuses_the_load)
{
    // The probe's base initialisation finds no linker to announce itself to.
    AcRxObject* saved = acrxSysRegistry()->remove(ACRX_DYNAMIC_LINKER);
    std::wstring message;
    const bool loaded = linker.loadModule(probe, &message);
    acrxSysRegistry()->atPut(ACRX_DYNAMIC_LINKER, saved);
    EXPECT_FALSE(loaded);
    EXPECT_EQ(message, L"Cannot load " + quoted(probe) + L": its initialisation failed.");
    EXPECT_EQ(commands.lookupCmd(L"probe"), nullptr);
}
