#include "arguments.h"

#include <windows.h>

#include <cstdint>

#include "commands.h"
#include "compilers/compiler_keys.h"

namespace qz::host {
namespace {

struct Verb {
    const wchar_t* name;
    size_t arguments;
    bool json;  // whether it can answer in JSON
};

const Verb kVerbs[] = {{L"load", 0, false},     {L"options", 0, true},     {L"set", 2, false},
                       {L"reset", 1, false},    {L"compilers", 0, true},   {L"select", 2, false},
                       {L"clear", 1, false},    {L"sample", 0, false},     {L"setdir", 3, false},
                       {L"register", 0, false}, {L"unregister", 0, false}, {L"pages", 2, false},
                       {L"doctor", 0, true},    {L"export", 1, false},     {L"import", 1, false}};

// The longest close-after delay: a day, well within the timer's milliseconds.
constexpr long long kMaxCloseAfterSeconds = 86400;

// A decimal whole number from `low` to `high`, or why not.
std::wstring ReadNumber(const std::wstring& text, long long low, long long high, const wchar_t* unit, int* number) {
    size_t at = text.size() > 1 && (text[0] == L'-' || text[0] == L'+') ? 1 : 0;
    if (at == text.size()) return L"'" + text + L"' is not a number";
    long long value = 0;
    for (; at < text.size(); ++at) {
        if (text[at] < L'0' || text[at] > L'9') return L"'" + text + L"' is not a number";
        // Past the range the value stops growing, so that it cannot overflow.
        if (value <= high - low) value = value * 10 + (text[at] - L'0');
    }
    if (text[0] == L'-') value = -value;
    if (value < low || value > high) {
        return L"'" + text + L"' is out of range (" + std::to_wstring(low) + L" to " + std::to_wstring(high) + unit +
               L")";
    }
    *number = static_cast<int>(value);
    return {};
}

// A platform of the product's compiler keys, as the selection stores it (case ignored).
bool IsPlatformName(const std::wstring& name) {
    for (const std::wstring& platform : compilers::PlatformNames()) {
        if (CompareStringOrdinal(platform.c_str(), -1, name.c_str(), -1, TRUE) == CSTR_EQUAL) return true;
    }
    return false;
}

std::wstring PlatformList() {
    std::wstring list;
    for (const std::wstring& platform : compilers::PlatformNames()) list += (list.empty() ? L"" : L", ") + platform;
    return list;
}

// The first usage error of a complete command line, or empty.
std::wstring CheckCommand(const std::vector<std::wstring>& command, bool json, bool checkNetwork, int* number) {
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
    if (checkNetwork && verb != L"doctor") return L"--check-network applies to doctor only";
    if ((verb == L"clear" || verb == L"select") && !IsPlatformName(command[1])) {
        return L"no platform is named '" + command[1] + L"' (" + PlatformList() + L")";
    }
    if ((verb == L"set" || verb == L"reset") && !FindOptionRow(command[1])) {
        return L"no option is named '" + command[1] + L"'";
    }
    if (verb == L"pages" && !pagesWindow && command[1] != L"--png" && command[1] != L"--close-after") {
        return L"pages takes nothing, --png FOLDER or --close-after SECONDS";
    }
    if (verb == L"setdir" && !IsDirectoryName(command[2])) {
        return L"'" + command[2] + L"' is none of IncludeDir, LibDir, BinDir, DefaultOptions";
    }
    if (verb == L"set" && !OptionIsText(FindOptionRow(command[1]))) {
        return ReadNumber(command[2], INT32_MIN, INT32_MAX, L"", number);  // what an automation number holds
    }
    if (verb == L"pages" && !pagesWindow && command[1] == L"--close-after") {
        return ReadNumber(command[2], 0, kMaxCloseAfterSeconds, L" seconds", number);
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
        } else if (arg == L"--check-network") {
            parsed.checkNetwork = true;
        } else {
            parsed.command.push_back(arg);
        }
    }
    if (parsed.command.empty()) parsed.command.push_back(L"load");
    parsed.error = CheckCommand(parsed.command, parsed.json, parsed.checkNetwork, &parsed.number);
    return parsed;
}

}  // namespace qz::host
