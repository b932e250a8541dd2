// The host's commands, each run on a sited package. A command that prints
// reads once into one result value, which a text and a JSON renderer print.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "session.h"

namespace qz::host {

struct OptionRow;
// The option of a name (its registry value name, in any letter case), or null.
const OptionRow* FindOptionRow(const std::wstring& name);
bool OptionIsText(const OptionRow* row);

// One option: its value through the service, its default through the automation object.
struct OptionValue {
    const OptionRow* row = nullptr;
    HRESULT hr = E_FAIL;
    std::wstring text;  // of a text option
    long number = 0;    // of a number option
    HRESULT hrDefault = E_FAIL;
    platform::Variant byDefault;
};
using OptionsResult = std::vector<OptionValue>;

// options: the thirteen options with value and default.
OptionsResult ReadOptions(IQZToolOptions* service, IDispatch* automation);
bool PrintOptions(const OptionsResult& options, Report& report);
// options --json: [{name, value, default}], a failed read as null.
std::string OptionsJson(const OptionsResult& options, Report& report);
// set NAME VALUE / reset NAME; a number option takes `number`, read from VALUE once.
bool StoreOption(Session& session, Report& report, const std::vector<std::wstring>& command, int number);

// A text the service answers, with its result.
struct TextRead {
    HRESULT hr = E_FAIL;
    std::wstring text;
};

struct CompilerDirectories {
    const wchar_t* name;  // IncludeDir, LibDir, BinDir, DefaultOptions
    TextRead byDefault;
    TextRead committed;
};

struct CompilerInfo {
    INT handle = -1;
    std::wstring identifier;  // empty when the host cannot tell it
    std::wstring display;
    HRESULT hrSuite = E_FAIL;
    platform::Variant suite;
    TextRead version;
    HRESULT hrFlags = E_FAIL;
    INT flags = 0;
    TextRead productDir;
    TextRead packageInfo;
    std::vector<CompilerDirectories> directories;
    TextRead documentation;
};

struct PlatformInfo {
    std::wstring name;
    bool supported = false;
    int selected = -1;
    int byDefault = -1;
    HRESULT hrCompilers = E_FAIL;
    std::vector<CompilerInfo> compilers;
};

struct CompilersResult {
    HRESULT hrPlatforms = E_FAIL;  // of the full platform list
    bool listed = false;           // the list came
    std::vector<PlatformInfo> platforms;
};

// compilers: per platform, each compiler and which one is selected or default.
CompilersResult ReadCompilers(IQZToolOptions* service, IDispatch* automation);
bool PrintCompilers(const CompilersResult& compilers, Report& report);
// compilers --json: [{name, supported, selected, default, compilers: [...]}].
std::string CompilersJson(const CompilersResult& compilers, Report& report);
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

// export FILE / import FILE: the user's settings below kUserSettingsKey (of
// HKEY_CURRENT_USER) as a registry export file; import refuses, writing
// nothing, a file that reaches anywhere else.
bool ExportSettings(const std::wstring& file, Report& report);
bool ImportSettings(const std::wstring& file, Report& report);

}  // namespace qz::host
