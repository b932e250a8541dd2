// The host's command line, checked before anything is loaded.
#pragma once

#include <string>
#include <vector>

namespace qz::host {

struct Arguments {
    std::wstring packagePath;
    bool json = false;
    bool help = false;
    bool checkNetwork = false;          // doctor --check-network
    std::vector<std::wstring> command;  // the verb and its arguments; "load" when none was given
    int number = 0;                     // of set NAME NUMBER and pages --close-after SECONDS, range-checked
    std::wstring error;                 // set for wrong usage
};

// Parses the arguments after the program name.
Arguments ParseArguments(const std::vector<std::wstring>& args, const std::wstring& defaultPackagePath);

}  // namespace qz::host
