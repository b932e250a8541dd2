// The export and import commands: the user's settings as a registry export file.
#include <cstdio>

#include "commands.h"
#include "reg_transfer.h"

namespace qz::host {

bool ExportSettings(const std::wstring& file, Report& report) {
    std::vector<BYTE> bytes;
    const RegTransfer done = ExportKey(HKEY_CURRENT_USER, kUserSettingsKey, &bytes);
    if (!done.ok) return report.Step(false, done.error + L"; nothing was exported");
    FILE* out = _wfopen(file.c_str(), L"wb");
    const bool written = out && std::fwrite(bytes.data(), 1, bytes.size(), out) == bytes.size();
    const bool closed = out && std::fclose(out) == 0;
    return report.Step(written && closed, L"exported " + std::to_wstring(done.keys) + L" key(s), " +
                                              std::to_wstring(done.values) + L" value(s) to " + file);
}

bool ImportSettings(const std::wstring& file, Report& report) {
    FILE* in = _wfopen(file.c_str(), L"rb");
    if (!report.Step(in != nullptr, L"could not open " + file, false)) return false;
    std::vector<BYTE> bytes;
    BYTE buffer[4096];
    for (size_t got; (got = std::fread(buffer, 1, sizeof buffer, in)) > 0;)
        bytes.insert(bytes.end(), buffer, buffer + got);
    std::fclose(in);
    const RegTransfer done = ImportKey(HKEY_CURRENT_USER, kUserSettingsKey, bytes);
    if (!done.ok) return report.Step(false, done.fileRefused ? file + L": " + done.error : done.error);
    return report.Step(true, L"imported " + std::to_wstring(done.keys) + L" key(s), " + std::to_wstring(done.values) +
                                 L" value(s) from " + file);
}

}  // namespace qz::host
