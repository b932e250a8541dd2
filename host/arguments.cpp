#include "arguments.h"

#include <cwchar>

#include "commands.h"

namespace qz::host {
namespace {

struct Verb {
    const wchar_t* name;
    size_t arguments;
};

const Verb kVerbs[] = {{L"load", 0},    {L"options", 0},    {L"set", 2},      {L"reset", 1},  {L"compilers", 0},
                       {L"select", 2},  {L"clear", 1},      {L"sample", 0},   {L"setdir", 3}, {L"register", 0},
                       {L"unregister", 0}, {L"pages", 2},   {L"doctor", 0},   {L"export", 1}, {L"import", 1}};

// The first usage error of a complete command line, or empty.
std::wstring CheckCommand(const std::vector<std::wstring>& command, bool json) {
    const std::wstring& verb = command[0];
    const Verb* known = nullptr;
    for (const Verb& v : kVerbs) {
        if (verb == v.name) known = &v;
    }
    if (!known) return L"unknown command '" + verb + L"'";
    if (command.size() != known->arguments + 1) {
        return L"'" + verb + L"' takes " + std::to_wstring(known->arguments) + L" argument(s)";
    }
    if (json && verb != L"options" && verb != L"compilers") return L"--json applies to options and compilers only";
    if ((verb == L"set" || verb == L"reset") && !FindOptionRow(command[1])) {
        return L"no option is named '" + command[1] + L"'";
    }
    if (verb == L"pages" && command[1] != L"--png") return L"pages takes --png FOLDER";
    if (verb == L"setdir" && !IsDirectoryName(command[2])) {
        return L"'" + command[2] + L"' is none of IncludeDir, LibDir, BinDir, DefaultOptions";
    }
    const bool numberWanted =
        (verb == L"set" && !OptionIsText(FindOptionRow(command[1]))) || verb == L"select" || verb == L"setdir";
    if (numberWanted) {
        const std::wstring& number = command[verb == L"setdir" ? 1 : 2];
        wchar_t* end = nullptr;
        std::wcstol(number.c_str(), &end, 10);
        if (number.empty() || *end != L'\0') return L"'" + number + L"' is not a number";
    }
    return {};
}

}  // namespace

Arguments ParseArguments(const std::vector<std::wstring>& args, const std::wstring& defaultPackagePath) {
    Arguments parsed;
    parsed.packagePath = defaultPackagePath;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::wstring& arg = args[i];
        if (arg == L"--help" || arg == L"-h" || arg == L"/?") {
            parsed.help = true;
            return parsed;
        }
        if (arg == L"--package") {
            if (++i == args.size()) {
                parsed.error = L"--package needs a path";
                return parsed;
            }
            parsed.packagePath = args[i];
        } else if (arg == L"--json") {
            parsed.json = true;
        } else {
            parsed.command.push_back(arg);
        }
    }
    if (parsed.command.empty()) parsed.command.push_back(L"load");
    parsed.error = CheckCommand(parsed.command, parsed.json);
    return parsed;
}

}  // namespace qz::host
