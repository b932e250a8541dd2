// Runs a registry script over the registry in force (platform::Registry()).
//
// Register: ForceRemove keys are deleted with their contents and written anew,
// NoRemove and plain keys are created when missing, default values and `val`
// values are set, `Delete` entries remove that subkey tree.
// Unregister: ForceRemove keys are deleted with their contents, `val` values are
// deleted wherever they stand, NoRemove keys stay (their entries are still
// walked); any other key loses its children and its default value first and goes
// only when it is left empty. Missing keys and values are not errors.
#pragma once

#include <windows.h>

#include <functional>
#include <string_view>
#include <vector>

#include "core/script_parser.h"

namespace qz::registration {

enum class ScriptMode { Register, Unregister };

// HRESULT_FROM_WIN32(ERROR_INVALID_DATA): the script does not parse.
constexpr HRESULT kScriptSyntaxError = static_cast<HRESULT>(0x8007000DL);

// What registering does after the script, as part of it (the type library).
using FinishStep = std::function<HRESULT()>;

// Register answers S_OK or the first failure, HRESULT_FROM_WIN32 of the registry
// error (E_OUTOFMEMORY when memory ran out), or that of `finish`, which runs
// after the script when given. A failed registration runs the unregister pass
// over the whole script, with the NoRemove keys that this run created treated
// as plain keys: what it created is gone, what stood before and is not claimed
// by the script stays.
// Unregister goes on past failures and answers the first one.
HRESULT RunScript(const core::Script& script, ScriptMode mode, const FinishStep& finish = {});

// Substitutes the variables, parses and runs. A script that does not parse
// touches nothing: the answer is kScriptSyntaxError and *syntaxError (when given)
// says where and why; it is left alone otherwise.
HRESULT RunScript(std::u16string_view script, const std::vector<core::ScriptVariable>& variables, ScriptMode mode,
                  core::ScriptError* syntaxError, const FinishStep& finish = {});

}  // namespace qz::registration
