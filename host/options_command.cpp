// The options commands: list, set and reset the thirteen options.
#include "commands.h"

#include <cstdio>

#include "json.h"
#include "text_output.h"

namespace qz::host {

struct OptionRow {
    const wchar_t* name;  // the registry value name, which is also the command-line name
    int ordinal;
    bool isText;
    HRESULT (STDMETHODCALLTYPE IQZToolOptions::*getText)(BSTR*);
    HRESULT (STDMETHODCALLTYPE IQZToolOptions::*getNumber)(INT*);
    HRESULT (STDMETHODCALLTYPE IQZToolOptions::*getLong)(LONG*);
};

namespace {

const OptionRow kOptionRows[] = {
    {L"ExtFree", 0, true, &IQZToolOptions::GetFreeFormatExt, nullptr, nullptr},
    {L"HeadersFree", 1, true, &IQZToolOptions::GetFreeFormatExtHdr, nullptr, nullptr},
    {L"ExtFixed", 2, true, &IQZToolOptions::GetFixedFormatExt, nullptr, nullptr},
    {L"HeadersFixed", 3, true, &IQZToolOptions::GetFixedFormatExtHdr, nullptr, nullptr},
    {L"LogBuilds", 4, false, nullptr, nullptr, &IQZToolOptions::GetBuildLog},
    {L"ShowEnvInLog", 5, false, nullptr, nullptr, &IQZToolOptions::GetShowEnvInLog},
    {L"ContinueOnErrors", 6, false, nullptr, nullptr, &IQZToolOptions::GetContinueOnErrors},
    {L"GapLevel", 7, false, nullptr, &IQZToolOptions::GetGapLevel, nullptr},
    {L"GapSuppressWarnings", 8, false, nullptr, &IQZToolOptions::GetGapSuppressWarnings, nullptr},
    {L"GapSuppressRemarks", 9, true, &IQZToolOptions::GetGapSuppressRemarks, nullptr, nullptr},
    {L"GapRemarksToFile", 10, false, nullptr, &IQZToolOptions::GetGapRemarksToFile, nullptr},
    {L"GapRemarksFile", 11, true, &IQZToolOptions::GetGapRemarksFile, nullptr, nullptr},
    {L"GapShowDialogs", 12, false, nullptr, &IQZToolOptions::GetGapShowDialog, nullptr},
};

constexpr wchar_t kReadStep[] = L"read the thirteen options through the service and the automation object";

OptionValue ReadOption(IQZToolOptions* service, IDispatch* automation, const OptionRow& row) {
    OptionValue value;
    value.row = &row;
    if (row.getText) {
        platform::Bstr text;
        value.hr = (service->*row.getText)(text.Put());
        value.text.assign(text.Text(), text.Length());
    } else if (row.getNumber) {
        INT number = 0;
        value.hr = (service->*row.getNumber)(&number);
        value.number = number;
    } else {
        LONG number = 0;
        value.hr = (service->*row.getLong)(&number);
        value.number = number;
    }
    value.hrDefault = CallByName(automation, L"GetPropertyDef", {Int4(row.ordinal)}, value.byDefault.Put());
    return value;
}

bool AllRead(const OptionsResult& options) {
    bool ok = true;
    for (const OptionValue& value : options) ok = ok && SUCCEEDED(value.hr) && SUCCEEDED(value.hrDefault);
    return ok;
}

void WriteVariant(JsonWriter& json, const VARIANT& v) {
    if (V_VT(&v) == VT_BSTR) {
        json.String(std::wstring(V_BSTR(&v), SysStringLen(V_BSTR(&v))));
        return;
    }
    platform::Variant number;
    if (SUCCEEDED(VariantChangeType(number.Put(), const_cast<VARIANT*>(&v), 0, VT_I4))) {
        json.Number(number.AsInt());
    } else {
        json.Null();
    }
}

}  // namespace

const OptionRow* FindOptionRow(const std::wstring& name) {
    for (const OptionRow& row : kOptionRows) {
        if (CompareStringOrdinal(row.name, -1, name.c_str(), -1, TRUE) == CSTR_EQUAL) return &row;
    }
    return nullptr;
}

bool OptionIsText(const OptionRow* row) { return row->isText; }

OptionsResult ReadOptions(IQZToolOptions* service, IDispatch* automation) {
    OptionsResult options;
    for (const OptionRow& row : kOptionRows) options.push_back(ReadOption(service, automation, row));
    return options;
}

bool PrintOptions(const OptionsResult& options, Report& report) {
    Print(L"\nOptions (HKEY_CURRENT_USER\\%ls):\n", kUserSettingsKey);
    Print(L"  %-20ls %-22ls %ls\n", L"name", L"value", L"default");
    for (const OptionValue& read : options) {
        std::wstring value = read.row->isText ? L"\"" + read.text + L"\"" : std::to_wstring(read.number);
        if (FAILED(read.hr)) value = L"error " + HresultText(read.hr);
        const std::wstring byDefault =
            SUCCEEDED(read.hrDefault) ? VariantText(read.byDefault.Get()) : L"error " + HresultText(read.hrDefault);
        Print(L"  %-20ls %-22ls %ls\n", read.row->name, value.c_str(), byDefault.c_str());
    }
    return report.Step(AllRead(options), kReadStep);
}

std::string OptionsJson(const OptionsResult& options, Report& report) {
    JsonWriter json;
    json.BeginArray();
    for (const OptionValue& read : options) {
        json.BeginObject();
        json.Key(L"name");
        json.String(read.row->name);
        json.Key(L"value");
        if (FAILED(read.hr)) {
            json.Null();
        } else if (read.row->isText) {
            json.String(read.text);
        } else {
            json.Number(read.number);
        }
        json.Key(L"default");
        if (SUCCEEDED(read.hrDefault)) {
            WriteVariant(json, read.byDefault.Get());
        } else {
            json.Null();
        }
        json.EndObject();
    }
    json.EndArray();
    report.Step(AllRead(options), kReadStep, false);
    return json.Text();
}

bool StoreOption(Session& session, Report& report, const std::vector<std::wstring>& command, int number) {
    const OptionRow* row = FindOptionRow(command[1]);
    platform::Variant value;
    HRESULT hr = S_OK;
    if (command[0] == L"reset") {
        hr = CallByName(session.Automation(), L"GetPropertyDef", {Int4(row->ordinal)}, value.Put());
    } else {
        value = row->isText ? platform::Variant::Text(command[2].c_str()) : platform::Variant::Int(number);
    }
    if (SUCCEEDED(hr))
        hr = CallByName(session.Automation(), L"PutProperty", {Int4(row->ordinal), value.Get()}, nullptr);
    return report.Step(SUCCEEDED(hr), L"stored " + std::wstring(row->name) + L" = " + VariantText(value.Get()) + L": " +
                                          HresultText(hr));
}

}  // namespace qz::host
