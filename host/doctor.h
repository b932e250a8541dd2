// The doctor command: why an installed compiler is or is not offered, where
// its directories come from, and which stored selections fall back to the
// default in silence. Every decision it shows is the product's own, made by
// the functions the package decides with; doctor reads, never writes.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "compilers/compiler_list.h"
#include "compilers/directories.h"
#include "platform/host.h"
#include "session.h"
#include "settings/selection.h"

namespace qz::host::doctor {

// The entries of a ";"-separated list, "$(PATH)" aside, that `exists` refuses,
// and those on another machine (\\server\share, //server/share, \\?\UNC\...),
// which are asked of `exists` only with `checkNetwork`: asking contacts the
// server, and on Windows offers it the user's credentials.
struct DirectoryCheck {
    std::vector<std::wstring> missing;
    std::vector<std::wstring> unchecked;
};
DirectoryCheck CheckDirectories(const std::wstring& list, const std::function<bool(const std::wstring&)>& exists,
                                bool checkNetwork);

struct Directory {
    compilers::Setting setting;
    compilers::SettingValue value;  // as the package's committed getter reads it
    DirectoryCheck check;
};

// One record of discovery with the compiler list's decision about it.
struct Compiler {
    compilers::RecordListing listing;
    std::wstring settingsKey;            // a listed compiler's, below HKEY_CURRENT_USER
    std::vector<Directory> directories;  // a listed compiler's
};

struct Selection {
    std::wstring platform;
    std::wstring arch;  // the value name it is stored under
    settings::SelectionMatch match;
};

struct Findings {
    platform::RegistryView view = platform::RegistryView::Native64;
    bool x64Host = false;
    std::vector<Compiler> compilers;              // highest version first
    std::vector<compilers::CSkippedKey> skipped;  // keys discovery passed over
    std::vector<Selection> selections;            // the stored ones
    size_t Offered() const;
    size_t Stale() const;
};

// Why a record is or is not offered, and why discovery passed a key over, as doctor tells it.
std::wstring ReasonText(const compilers::RecordListing& listing);
std::wstring SkippedText(const compilers::CSkippedKey& skipped);

// Reads the registry in force once, deciding as the package decides.
Findings Examine(bool checkNetwork);

// The two renderings; each reports the summary step.
bool PrintFindings(const Findings& findings, Report& report);
std::string FindingsJson(const Findings& findings, Report& report);

}  // namespace qz::host::doctor
