// The reasoning of the doctor command: why an installed compiler is or is not
// offered, where its directories come from, and which stored selections fall
// back to the default in silence. Reads the registry in force, never writes.
#pragma once

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "compilers/compiler_table.h"
#include "compilers/directories.h"
#include "session.h"

namespace qz::host::doctor {

enum class Verdict { Offered, OutOfRange, HostRule, NativeEpic, Unreadable, Duplicate };
const wchar_t* VerdictText(Verdict verdict);

struct Found {
    compilers::CCompilerRecord record;
    bool opens = true;  // whether the compiler registry key opens
};

// The discovery table's records, and the architecture subkeys that exist yet
// do not open (which the table drops), in the table's order.
std::vector<Found> FindCompilers();

// One verdict per record, reached as the compiler list reaches it: from the
// highest version down, so of two equal identifiers the later record wins.
std::vector<Verdict> Judge(const std::vector<Found>& found);

// The compiler identifier the package stores for a record: packed version "|" compiler key.
std::wstring IdentifierOf(const compilers::CCompilerRecord& record);

// kUserSettingsKey\<packed version>\<compiler key>.
std::wstring SettingsKeyOf(const compilers::CCompilerRecord& record);

enum class Source { Committed, VsNetMachine, VsNetUser, KeyMachine, KeyUser, Nowhere };
const wchar_t* SourceText(Source source);

struct Located {
    Source source = Source::Nowhere;
    std::wstring text;
    bool readable = true;  // false: a committed value of the wrong type, which fails the build's read
};

// Where the value that the build gets for `setting` lives, as the committed
// getter and the default layer look for it.
Located Locate(const std::wstring& settingsKey, const std::wstring& registryKey, compilers::Setting setting);

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

// Architecture key ("PX32", "HY64", "Ventrix") and stored identifier.
using Selection = std::pair<std::wstring, std::wstring>;
// The non-empty stored selections of the three architecture keys.
std::vector<Selection> ReadSelections();
// Those that match (case ignored) no offered compiler of their platform.
std::vector<Selection> StaleSelections(const std::vector<Selection>& stored, const std::vector<Found>& found,
                                       const std::vector<Verdict>& verdicts);

}  // namespace qz::host::doctor
