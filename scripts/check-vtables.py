#!/usr/bin/env python3
"""Checks, without running it, that every COM method of the 32-bit DLL is __stdcall.

A COM client calls a method through a vtable slot, pushing `this` and the
arguments, and expects the method to pop them all (`ret N`, N = 4 + the bytes of
the arguments). A method compiled with another convention works in the 64-bit
build, where there is only one, and corrupts the caller's stack on i686.

For every vtable of the DLL (read through its symbol table) whose slots begin
with QueryInterface, AddRef and Release, the script names the interface each
part of the vtable implements (among the interfaces the DLL has type
information for), follows each slot to its code (through this-adjusting thunks
and tail calls) and compares every `ret` with what the interface declaration
says the caller pushes. The expected sizes come from the compiler itself: the
parameter lists of the declarations in the headers given are compiled for
i686 and their sizes summed as a caller pushes them. A declaration written
without STDMETHODCALLTYPE compiles, and its methods are found here.

usage: check-vtables.py DLL INCLUDE_DIR... -- HEADER...
"""
import bisect
import os
import re
import struct
import subprocess
import sys
import tempfile

TRIPLE = "i686-w64-mingw32"
CXX = f"{TRIPLE}-g++-posix"
# Headers of the system interfaces a COM class of the DLL may implement.
SYSTEM_HEADERS = ["windows.h", "ole2.h", "ocidl.h", "servprov.h", "docobj.h"]


def fail(message):
    print(f"check-vtables: {message}", file=sys.stderr)
    sys.exit(1)


def run(args, **kwargs):
    result = subprocess.run(args, capture_output=True, text=True, **kwargs)
    if result.returncode != 0:
        fail(f"{' '.join(args[:2])} failed:\n{result.stderr[-3000:]}")
    return result.stdout


# ---- the interface declarations ------------------------------------------------

def matching(text, start, open_char, close_char):
    """Index just past the bracket closing the one at `start`."""
    depth = 0
    for i in range(start, len(text)):
        if text[i] == open_char:
            depth += 1
        elif text[i] == close_char:
            depth -= 1
            if depth == 0:
                return i + 1
    return len(text)


def interfaces(preprocessed):
    """name -> (base or None, [(return type, method, parameters)]) of every
    struct that declares pure virtual methods."""
    found = {}
    for m in re.finditer(r"\bstruct\s+(\w+)\s*(?::\s*public\s+(\w+)\s*)?\{", preprocessed):
        body = preprocessed[m.end() - 1:matching(preprocessed, m.end() - 1, "{", "}")]
        methods = []
        for v in re.finditer(r"\bvirtual\s+((?:[^;{}()]|\(\([^()]*\)\))*?)\s*\b(?!__attribute__)(\w+)\s*\(", body):
            end = matching(body, v.end() - 1, "(", ")")
            if not re.match(r"\s*=\s*0\s*;", body[end:]):
                continue
            ret = re.sub(r"__attribute__\s*\(\(\s*__stdcall__\s*\)\)", "", v.group(1)).strip()
            methods.append((ret, v.group(2), body[v.end():end - 1].strip()))
        if methods or m.group(1) == "IUnknown":
            found[m.group(1)] = (m.group(2), methods)
    return found


def flattened(name, declared):
    base, methods = declared[name]
    inherited = flattened(base, declared) if base else []
    return inherited + [(name, ret, method, params) for ret, method, params in methods]


def expected_pops(names, declared, include_dirs, headers):
    """interface -> the bytes each slot must pop, as the compiler sizes the declarations."""
    lines = [f"#include <{h}>" for h in SYSTEM_HEADERS] + [f'#include "{h}"' for h in headers]
    lines += [
        "#include <type_traits>",
        "template <class F> struct Pops;",
        "template <class R, class... A> struct Pops<R(A...)> {",
        "    template <class T> static constexpr unsigned Pushed() {",
        "        return (std::is_reference_v<T> ? sizeof(void*) : sizeof(T) + 3) & ~3u;",
        "    }",
        "    static constexpr unsigned value = 4 + (0u + ... + Pushed<A>());",
        "};",
    ]
    for name in names:
        entries = []
        for _, ret, _, params in flattened(name, declared):
            entries.append(f"Pops<{ret}({params})>::value")
        lines.append(f"extern \"C\" const unsigned qz_pops_{name}[] = {{{', '.join(entries)}}};")
    with tempfile.TemporaryDirectory() as scratch:
        source = os.path.join(scratch, "pops.cpp")
        with open(source, "w") as f:
            f.write("\n".join(lines) + "\n")
        assembly = run([CXX, "-std=c++17", "-DUNICODE", "-D_UNICODE", "-S", "-o", "-", source] +
                       [f"-I{d}" for d in include_dirs])
    pops = {}
    for m in re.finditer(r"_qz_pops_(\w+):\s*\n((?:\s*\.long\s+\d+\s*\n)+)", assembly):
        pops[m.group(1)] = [int(n) for n in re.findall(r"\.long\s+(\d+)", m.group(2))]
    return pops


# ---- the DLL -----------------------------------------------------------------

class Image:
    def __init__(self, path):
        with open(path, "rb") as f:
            self.data = f.read()
        pe = struct.unpack_from("<I", self.data, 0x3C)[0]
        sections, optional_size = struct.unpack_from("<H12xH", self.data, pe + 6)
        self.base = struct.unpack_from("<I", self.data, pe + 24 + 28)[0]
        self.sections = []
        table = pe + 24 + optional_size
        for i in range(sections):
            size, rva, raw_size, raw = struct.unpack_from("<IIII", self.data, table + 40 * i + 8)
            self.sections.append((self.base + rva, max(size, raw_size), raw, raw_size))

    def word(self, address):
        for start, size, raw, raw_size in self.sections:
            if start <= address < start + size:
                offset = address - start
                return struct.unpack_from("<I", self.data, raw + offset)[0] if offset + 4 <= raw_size else 0
        return None


def symbols(dll):
    """(address, demangled name) sorted by address, and the addresses of code symbols."""
    plain = run([f"{TRIPLE}-nm", "--defined-only", dll]).splitlines()
    demangled = run([f"{TRIPLE}-nm", "--defined-only", "-C", dll]).splitlines()
    table, code = [], set()
    for raw, line in zip(plain, demangled):
        parts = line.split(" ", 2)
        if len(parts) < 3 or not parts[0]:
            continue
        address = int(parts[0], 16)
        table.append((address, parts[2]))
        if parts[1] in "tT":
            code.add(address)
    table.sort()
    return table, code


def method_name(symbol):
    """`Name` of `non-virtual thunk to a::b<c::d>::Name(args)`."""
    symbol = symbol.replace("non-virtual thunk to ", "").replace("virtual thunk to ", "")
    depth = 0
    for i, c in enumerate(symbol):
        if c == "<":
            depth += 1
        elif c == ">":
            depth -= 1
        elif c == "(" and depth == 0:
            symbol = symbol[:i]
            break
    return symbol.rsplit("::", 1)[-1]


class Code:
    """The disassembled .text, to find what each function pops on return."""

    def __init__(self, dll, code_addresses):
        listing = run([f"{TRIPLE}-objdump", "-d", "--no-show-raw-insn", "-j", ".text", dll])
        self.instructions = []
        for m in re.finditer(r"^\s*([0-9a-f]+):\s+(.*)$", listing, re.M):
            self.instructions.append((int(m.group(1), 16), m.group(2).strip()))
        self.addresses = [a for a, _ in self.instructions]
        self.starts = sorted(code_addresses)

    def pops(self, address, seen=None):
        """The byte counts of every `ret` reachable from `address` without a call."""
        seen = set() if seen is None else seen
        if address in seen:
            return set()
        seen.add(address)
        nxt = bisect.bisect_right(self.starts, address)
        end = self.starts[nxt] if nxt < len(self.starts) else float("inf")
        found = set()
        i = bisect.bisect_left(self.addresses, address)
        while i < len(self.instructions) and self.instructions[i][0] < end:
            text = self.instructions[i][1]
            ret = re.match(r"ret[lw]?\s*(?:\$0x([0-9a-f]+))?\s*$", text)
            if ret:
                found.add(int(ret.group(1) or "0", 16))
            # Jumps out of the function: thunks, tail calls and the function's cold
            # part, followed to the next symbol. An indirect jump (a switch, or a
            # tail call through another object's vtable) cannot be followed here.
            jump = re.match(r"j\w+\s+([0-9a-f]+)\b", text)
            if jump:
                target = int(jump.group(1), 16)
                if not address <= target < end:
                    found |= self.pops(target, seen)
            i += 1
        return found


def main():
    args = sys.argv[1:]
    if "--" not in args or len(args) < 3:
        fail(__doc__.strip().splitlines()[-1])
    split = args.index("--")
    dll, include_dirs, headers = args[0], args[1:split], args[split + 1:]

    table, code_addresses = symbols(dll)
    if not table:
        fail(f"{dll} has no symbol table: the check needs the unstripped image")
    addresses = [a for a, _ in table]
    # Section symbols (".text$...") share their addresses with the functions and data in them;
    # identical functions folded into one share an address too.
    name_at, methods_at = {}, {}
    for address, name in table:
        if not name.startswith("."):
            name_at.setdefault(address, name)
            methods_at.setdefault(address, set()).add(method_name(name))
    typeinfos = {a: n[len("typeinfo for "):] for a, n in table if n.startswith("typeinfo for ")}

    preprocess = "".join(f"#include <{h}>\n" for h in SYSTEM_HEADERS) + "".join(f'#include "{h}"\n' for h in headers)
    declared = interfaces(run([CXX, "-std=c++17", "-DUNICODE", "-D_UNICODE", "-x", "c++", "-E", "-P", "-"] +
                              [f"-I{d}" for d in include_dirs], input=preprocess))
    # Candidates: the declared interfaces that the DLL has type information for, i.e. bases of its classes.
    candidates = sorted({n for n in typeinfos.values() if n in declared and declared[n][0] is not None or n == "IUnknown"})
    pops = expected_pops(candidates, declared, include_dirs, headers)
    slot_names = {n: [m for _, _, m, _ in flattened(n, declared)] for n in candidates}

    image = Image(dll)
    code = Code(dll, code_addresses)
    problems, checked, classes, implemented = [], 0, 0, set()
    for index, (address, name) in enumerate(table):
        if not name.startswith("vtable for "):
            continue
        end = next((a for a in addresses[index + 1:] if a > address), address)
        words = [image.word(a) for a in range(address, end, 4)]
        # Parts: offset to top, type information, then the slots.
        parts, i = [], 0
        while i < len(words):
            if i + 1 < len(words) and words[i + 1] in typeinfos and (words[i] == 0 or words[i] >= 0xFFFFF000):
                parts.append([])
                i += 2
                continue
            if parts:
                parts[-1].append(words[i])
            i += 1
        owner = name[len("vtable for "):]
        com = False
        for slots in parts:
            names = [name_at.get(s, "") for s in slots]
            # A pure virtual slot of an abstract base (null here) is never called through a made object.
            methods = [{"*"} if s == 0 else methods_at.get(s, set()) for s in slots]
            fits = [c for c in candidates if len(slot_names[c]) <= len(methods) and
                    all("*" in m or want in m for m, want in zip(methods, slot_names[c]))]
            if len(methods) < 3 or not all("*" in m or want in m for m, want in
                                           zip(methods, ["QueryInterface", "AddRef", "Release"])):
                continue
            if not fits:
                problems.append(f"{owner}: no declared interface has the slots {', '.join(names)}")
                continue
            longest = max(len(slot_names[c]) for c in fits)
            interface = sorted(c for c in fits if len(slot_names[c]) == longest)[0]
            com = True
            implemented.add(interface)
            for slot, (target, method) in enumerate(zip(slots, methods)):
                if slot >= longest or "*" in method:
                    continue
                checked += 1
                want = pops[interface][slot]
                got = code.pops(target)
                if got != {want}:
                    shown = ", ".join(str(g) if isinstance(g, str) else f"ret {g}" for g in sorted(got, key=str)) or "no ret"
                    problems.append(f"{owner}, {interface} slot {slot} ({names[slot]}): "
                                    f"must pop {want} bytes (ret {want}), found {shown}")
        classes += com
    if problems:
        fail("methods that do not pop what their interface's callers push (not __stdcall?):\n  " +
             "\n  ".join(problems))
    if checked == 0:
        fail(f"found no COM vtable in {dll}")
    print(f"check-vtables: {checked} COM vtable slots of {classes} vtables in {dll} pop exactly `this` and "
          f"their arguments ({', '.join(sorted(implemented))})")


if __name__ == "__main__":
    main()
