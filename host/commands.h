// The host's commands, each run on a sited package.
#pragma once

#include <string>
#include <vector>

#include "session.h"

namespace qz::host {

struct OptionRow;
// The option of a name (its registry value name, in any letter case), or null.
const OptionRow* FindOptionRow(const std::wstring& name);
bool OptionIsText(const OptionRow* row);

// options: the thirteen options with value and default.
bool PrintOptions(Session& session, Report& report);
// options --json: [{name, value, default}], a failed read as null.
std::string OptionsJson(IQZToolOptions* service, IDispatch* automation, Report& report);
// set NAME VALUE / reset NAME; a number option takes `number`, read from VALUE once.
bool StoreOption(Session& session, Report& report, const std::vector<std::wstring>& command, int number);

// compilers: per platform, each compiler and which one is selected or default.
bool PrintCompilers(Session& session, Report& report);
// compilers --json: [{name, supported, selected, default, compilers: [...]}].
std::string CompilersJson(IQZToolOptions* service, IDispatch* automation, Report& report);
// select PLATFORM COMPILER / clear PLATFORM; a compiler is named by its
// identifier ("111.065|PX32_HY64") or by its handle.
bool SelectCompiler(IQZToolOptions* service, IDispatch* automation, Report& report,
                    const std::vector<std::wstring>& command);

// setdir COMPILER NAME VALUE: a compiler's committed directories or options.
bool IsDirectoryName(const std::wstring& name);
bool StoreDirectory(IQZToolOptions* service, Report& report, const std::vector<std::wstring>& command);

// register / unregister: the DLL's own exports, then what lies in the registry.
bool Register(const std::wstring& packagePath, bool registering, Report& report);

// pages --png FOLDER: the three pages drawn into PNG pictures.
bool DrawPages(Session& session, Report& report, const std::wstring& folder);
// pages: the Options window with the three pages, until the user closes it
// (or, when closeAfterSeconds >= 0, cancelled after that many seconds).
bool ShowOptionsWindow(Session& session, Report& report, int closeAfterSeconds);

// sample: writes the built-in sample installation of compilers into the
// machine part of the registry, where none is installed yet.
bool InstallSample(Report& report);

// doctor: why each installed compiler is offered or not, where the offered
// ones' directories come from (and which are missing), and stale selections.
// Directories on other machines are checked only with `checkNetwork`.
bool Doctor(Report& report, bool checkNetwork);
// doctor --json: {x64Host, compilers: [...], selections: [...]}.
std::string DoctorJson(Report& report, bool checkNetwork);

// export FILE / import FILE: the user's settings below kUserSettingsKey (of
// HKEY_CURRENT_USER) as a registry export file; import refuses, writing
// nothing, a file that reaches anywhere else.
bool ExportSettings(const std::wstring& file, Report& report);
bool ImportSettings(const std::wstring& file, Report& report);

}  // namespace qz::host
