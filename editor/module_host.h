#pragma once
// Where the editor hosts the module: loading and unloading it, telling it of drawings
// that open and close, and running the commands it registered. Each goes through the
// host runtime's dynamic linker and command stack; the rest of the editor calls these.

#include <string>
#include <vector>

namespace plotwright::editor::module_host {

// Whether the process has a dynamic linker to load modules with.
bool canLoad();
// Loads the module at `path`; `message` says what happened either way.
bool load(const std::wstring& path, std::wstring& message);
// False (and `message` why) when it cannot be unloaded, or there is no linker.
bool unload(const std::wstring& path, std::wstring& message);
// Every module, in reverse load order (the editor's exit).
void unloadAll();
std::vector<std::wstring> loaded();

// The loaded modules hear that a drawing was opened (or made), or is about to close.
void drawingOpened();
void drawingClosing();

// Whether a module registered the command `name`, and running it (false with the
// reason in `message` when it failed).
bool hasCommand(const std::wstring& name);
bool runCommand(const std::wstring& name, std::wstring& message);

} // namespace plotwright::editor::module_host
