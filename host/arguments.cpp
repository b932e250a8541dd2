#include "arguments.h"

#include <cwchar>

#include "commands.h"

namespace qz::host {
namespace {

struct Verb {
    const wchar_t* name;
    size_t arguments;
    bool json;  // whether it can answer in JSON
};

const Verb kVerbs[] = {
    {L"load", 0, false},   {L"options", 0, true},    {L"set", 2, false},      {L"reset", 1, false},
    {L"compilers", 0, true}, {L"select", 2, false},  {L"clear", 1, false},    {L"sample", 0, false},
    {L"setdir", 3, false}, {L"register", 0, false},  {L"unregister", 0, false}, {L"pages", 2, false},
    {L"doctor", 0, true},  {L"export", 1, false},    {L"import", 1, false}};

// The first usage error of a complete command line, or empty.
std::wstring CheckCommand(const std::vector<std::wstring>& command, bool json) {
    const std::wstring& verb = command[0];
    const Verb* known = nullptr;
    for (const Verb& v : kVerbs) {
        if (verb == v.name) known = &v;
    }
    if (!known) return L"unknown command '" + verb + L"'";
    // pages alone opens the window; pages --png FOLDER draws pictures.
    const bool pagesWindow = verb == L"pages" && command.size() == 1;
    if (command.size() != known->arguments + 1 && !pagesWindow) {
        return L"'" + verb + L"' takes " + std::to_wstring(known->arguments) + L" argument(s)";
    }
    if (json && !known->json) return L"--json applies to options, compilers and doctor only";
    if ((verb == L"set" || verb == L"reset") && !FindOptionRow(command[1])) {
        return L"no option is named '" + command[1] + L"'";
    }
    if (verb == L"pages" && !pagesWindow && command[1] != L"--png" && command[1] != L"--close-after") {
        return L"pages takes nothing, --png FOLDER or --close-after SECONDS";
    }
    if (verb == L"setdir" && !IsDirectoryName(command[2])) {
        return L"'" + command[2] + L"' is none of IncludeDir, LibDir, BinDir, DefaultOptions";
    }
    if ((verb == L"set" && !OptionIsText(FindOptionRow(command[1]))) ||
        (verb == L"pages" && !pagesWindow && command[1] == L"--close-after")) {
        const std::wstring& number = command[2];
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
