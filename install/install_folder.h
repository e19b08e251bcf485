#pragma once
// Where the curve library files live: the folder the installer records for the product.
// On Linux the record is a settings file instead of a registry key:
//   <dir>/<maker>/<product title>.conf, group [<product code>], value InstallFolder
// searched along $XDG_CONFIG_DIRS (default /etc/xdg), then in the folder installed beside
// the program (<prefix>/etc/xdg). PLOTWRIGHT_INSTALL_FOLDER overrides it.

#include <string>
#include <vector>

// The product's identity, the parts of the installer's settings path.
struct InstallInfo {
    std::wstring makerName;
    std::wstring productTitle;
    std::wstring productCode;
};

// Plotwright's own identity: maker "Tolbrin", product "Plotwright", code "PW1".
InstallInfo PlotwrightInstallInfo();

// The process-wide record. It holds Plotwright's identity from first use, so a lookup
// made before the module initialises (command-line tool, tests) reads the same place.
const InstallInfo& GetInstallInfo();
// Recorded by the module at initialisation.
void SetInstallInfo(const InstallInfo& info);

// The folders searched for the settings file, in order: the absolute entries of
// $XDG_CONFIG_DIRS (none: /etc/xdg), then the settings folder of the prefix the running
// program was installed to, so that an install under any prefix finds its own file.
std::vector<std::wstring> SettingsFolders();

// The install folder, ending with "/". Never fails loudly: without a settings file,
// group or value it is the user's data folder ($XDG_DATA_HOME or ~/.local/share, then
// the product's title), created when missing.
// A value starting with "~/" names a folder in the user's home; that folder is created
// when missing, so the per-user default works on first use.
std::wstring GetInstallFolder();
