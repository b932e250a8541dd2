// QZIdeHost: plays the IDE for the tool-options package. It loads the DLL
// through DllGetClassObject, sites the package with the stand-in IDE and
// reports what the package does, step by step.
#include <windows.h>
#include <objbase.h>

#include <cstdio>
#include <string>
#include <vector>

#include "QZToolOpt.h"
#include "arguments.h"
#include "commands.h"
#include "doctor.h"
#include "ide/message_watch.h"
#include "ide/stand_in_ide.h"
#include "module/identifiers.h"
#include "platform/com_ptr.h"
#include "platform/module.h"
#include "platform/vs_interfaces.h"
#include "satellite/resource_ids.h"
#include "text_output.h"

namespace {

using namespace qz::host;

constexpr int kExitOk = 0;
constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;

const wchar_t kUsageHead[] =
    L"Usage: QZIdeHost [--package PATH] [--json] [COMMAND [ARGUMENTS]]\n"
    L"\n"
    L"Plays the IDE for the Tavrel Fortran tool-options package.\n"
    L"\n"
    L"Commands:\n"
    L"  load       load the package as the IDE does: class factory, SetSite (the\n"
    L"             satellite library is loaded, the tool-options service offered),\n"
    L"             ask the IDE for the service twice, Close, release, and ask the\n"
    L"             DLL whether it can unload (the default command); while sited\n"
    L"             it also lists the options as below\n"
    L"  options    the thirteen options: value (through the tool-options service)\n"
    L"             and default (through the automation object)\n"
    L"  set NAME VALUE   store an option by its name (for example GapLevel 3);\n"
    L"             texts as given, numbers as decimal, -2147483648 to 2147483647\n"
    L"  reset NAME store the option's default\n"
    L"  compilers  each platform (supported or not) with its compilers: handle,\n"
    L"             identifier, display string, suite, version, flags, product\n"
    L"             directory, package information, directories; * marks the\n"
    L"             selected, + the default one\n"
    L"  select PLATFORM COMPILER   keep COMPILER as PLATFORM's choice (Win32, x64\n"
    L"             or Ventrix); COMPILER is its identifier (for example\n"
    L"             111.065|PX32_HY64) or its handle\n"
    L"  clear PLATFORM   forget PLATFORM's choice (its default serves again)\n"
    L"  setdir COMPILER NAME VALUE   store a compiler's IncludeDir, LibDir, BinDir\n"
    L"             or DefaultOptions for this user (the committed layer)\n"
    L"  register   call the DLL's DllRegisterServer and show the package's entries\n"
    L"             below the IDE's hive (with EnvSdk_RootSuffix) and its type library\n"
    L"  unregister call DllUnregisterServer and show what is left\n"
    L"  pages      the Options window with the three pages on the X display, until\n"
    L"             it is closed (OK applies the pages' changes, Cancel drops them)\n"
    L"  pages --close-after SECONDS   the same, cancelled after SECONDS (0 to 86400)\n"
    L"  pages --png FOLDER   draw the three Tools > Options pages, as the package\n"
    L"             creates them, into FOLDER\\general.png, compilers.png, gap.png\n"
    L"  sample     install the built-in sample compilers into this machine's\n"
    L"             registry (HKEY_LOCAL_MACHINE), unless compilers are installed\n"
    L"  doctor     why each installed compiler is offered or not, where each offered\n"
    L"             one's IncludeDir, LibDir, BinDir, DefaultOptions come from,\n"
    L"             which directories are missing, and stored selections that no\n"
    L"             offered compiler matches (the default serves instead);\n"
    L"             directories on other machines (\\\\server\\share) are left\n"
    L"             unchecked, and listed so, unless --check-network is given\n"
    L"  export FILE   write this user's settings (the whole options key named\n"
    L"             below, its subkeys included) to FILE"
    L" as a registry export\n"
    L"             file (Windows Registry Editor Version 5.00)\n"
    L"  import FILE   write the keys and values of such a file into the registry,\n"
    L"             all or nothing: refused, writing nothing, if any key lies outside\n"
    L"             those settings or the file holds what the registry or another\n"
    L"             reader would take otherwise (see the README); when a write\n"
    L"             fails, the settings are put back as they were\n"
    L"\n"
    L"Options are kept in the registry of the machine (or Wine prefix) the host\n"
    L"runs on, below HKEY_CURRENT_USER\\";
const wchar_t kUsageTail[] =
    L".\n"
    L"\n"
    L"Options:\n"
    L"  --package PATH   the package DLL (default: QZToolOpt.dll beside this program)\n"
    L"  --json           options, compilers and doctor print one JSON document (UTF-8)\n"
    L"                   instead of the text; failed steps go to stderr\n"
    L"  --check-network  doctor also checks directories on other machines\n"
    L"  --help           this text\n"
    L"\n"
    L"Text goes to a console as such and to a pipe or file as UTF-8. With\n"
    L"QZ_HOST_SIGN_OFF=FILE in the environment the host writes its exit code to\n"
    L"FILE as it ends by itself (under Wine a host cut short reports success).\n"
    L"\n"
    L"Exit codes: 0 every step succeeded, 1 a step failed, 2 wrong usage (also a\n"
    L"number out of range or an unknown platform).\n";

void WriteJson(const std::string& document) {
    std::fflush(stdout);
    std::fwrite(document.data(), 1, document.size(), stdout);
    std::fputs("\n", stdout);
}

int Run(const std::wstring& packagePath, const std::vector<std::wstring>& command, bool json, int number) {
    // Stdout carries the JSON document alone.
    Report report(json ? stderr : stdout);
    const bool verbose = command[0] == L"load";
    if (verbose) Print(L"Package DLL: %ls\n", packagePath.c_str());
    HRESULT unload = E_UNEXPECTED;
    {
        Session session(packagePath);
        if (session.Open(report, verbose)) {
            if (verbose) {
                const std::wstring satellite = session.Ide().SatellitePath();
                report.Step(session.Ide().LoadUILibraryCalls() == 1,
                            L"the package had the IDE load its satellite library: " + satellite);
                const std::wstring node = qz::ide::SatelliteText(satellite, IDS_PACKAGE_NODE);
                report.Step(!node.empty(), L"the satellite names the Tools > Options node \"" + node + L"\"");
                bool offered = false;
                for (const auto& entry : session.Ide().Proffered()) {
                    offered |= IsEqualGUID(entry.sid, qz::module::SID_SQZToolOptions) != 0;
                }
                report.Step(offered,
                            L"the package offered SID_SQZToolOptions " + GuidText(qz::module::SID_SQZToolOptions));
                ComPtr<IQZToolOptions> again;
                const HRESULT hr = session.Ide().Provider()->QueryService(qz::module::SID_SQZToolOptions,
                                                                          IID_IQZToolOptions, again.PutVoid());
                report.Step(SUCCEEDED(hr) && again.Get() == session.Service(),
                            L"asked again, the IDE handed out the same IQZToolOptions object");
                PrintOptions(ReadOptions(session.Service(), session.Automation()), report);
            } else if (command[0] == L"options") {
                const OptionsResult options = ReadOptions(session.Service(), session.Automation());
                if (json) {
                    WriteJson(OptionsJson(options, report));
                } else {
                    PrintOptions(options, report);
                }
            } else if (command[0] == L"set" || command[0] == L"reset") {
                StoreOption(session, report, command, number);
            } else if (command[0] == L"compilers") {
                const CompilersResult compilers = ReadCompilers(session.Service(), session.Automation());
                if (json) {
                    WriteJson(CompilersJson(compilers, report));
                } else {
                    PrintCompilers(compilers, report);
                }
            } else if (command[0] == L"pages" && command.size() > 1 && command[1] == L"--png") {
                DrawPages(session, report, command[2]);
            } else if (command[0] == L"pages") {
                ShowOptionsWindow(session, report, command.size() > 1 ? number : -1);
            } else if (command[0] == L"setdir") {
                StoreDirectory(session.Service(), report, command);
            } else {
                SelectCompiler(session.Service(), session.Automation(), report, command);
            }
        }
        unload = session.Close(report, verbose);
    }
    report.Step(unload == S_OK, L"DllCanUnloadNow answered " + HresultText(unload) + L" once everything was released",
                verbose);
    if (verbose) Print(L"%ls\n", report.Failed() ? L"Some steps failed." : L"Every step succeeded.");
    return report.Failed() ? kExitFailed : kExitOk;
}

std::wstring Usage() { return std::wstring(kUsageHead) + kUserSettingsKey + kUsageTail; }

int UsageError(const std::wstring& what) {
    PrintTo(stderr, L"QZIdeHost: %ls\n\n%ls", what.c_str(), Usage().c_str());
    return kExitUsage;
}

std::wstring DefaultPackagePath() {
    std::wstring path = qz::platform::ModuleFileName(nullptr);
    path.resize(path.find_last_of(L"\\/") + 1);
    return path + qz::ide::kPackageFileName;
}

int RunArguments(const Arguments& arguments) {
    if (arguments.help) {
        Write(stdout, Usage());
        return kExitOk;
    }
    if (!arguments.error.empty()) return UsageError(arguments.error);
    const std::wstring& packagePath = arguments.packagePath;
    const std::vector<std::wstring>& command = arguments.command;
    const std::wstring& verb = command[0];
    if (verb == L"sample") {
        Report report;
        return InstallSample(report) ? kExitOk : kExitFailed;
    }
    if (verb == L"doctor") {
        Report report(arguments.json ? stderr : stdout);
        const doctor::Findings findings = doctor::Examine(arguments.checkNetwork);
        if (arguments.json) {
            WriteJson(doctor::FindingsJson(findings, report));
        } else {
            doctor::PrintFindings(findings, report);
        }
        return report.Failed() ? kExitFailed : kExitOk;
    }
    if (verb == L"export" || verb == L"import") {
        Report report;
        return (verb == L"export" ? ExportSettings : ImportSettings)(command[1], report) ? kExitOk : kExitFailed;
    }
    if (verb == L"register" || verb == L"unregister") {
        CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
        Report report;
        const bool ok = Register(packagePath, verb == L"register", report);
        CoUninitialize();
        return ok ? kExitOk : kExitFailed;
    }

    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    const qz::ide::MessageBoxWatcher messages([](const std::wstring& caption, const std::wstring& text) {
        Print(L"[message] %ls: %ls\n", caption.c_str(), text.c_str());
        std::fflush(stdout);
    });
    const int result = Run(packagePath, command, arguments.json, arguments.number);
    CoUninitialize();
    return result;
}

// Under Wine a host whose server ends under it stops where it is and reports
// success; a script that must tell the two apart names a file in
// QZ_HOST_SIGN_OFF, and the host writes its exit code there as it ends by itself.
void SignOff(int exitCode) {
    std::wstring path(GetEnvironmentVariableW(L"QZ_HOST_SIGN_OFF", nullptr, 0), L'\0');
    if (path.empty()) return;
    path.resize(GetEnvironmentVariableW(L"QZ_HOST_SIGN_OFF", &path[0], static_cast<DWORD>(path.size())));
    if (FILE* file = _wfopen(path.c_str(), L"w")) {
        std::fprintf(file, "%d\n", exitCode);
        std::fclose(file);
    }
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    const int exitCode =
        RunArguments(ParseArguments(std::vector<std::wstring>(argv + 1, argv + argc), DefaultPackagePath()));
    SignOff(exitCode);
    return exitCode;
}
