#!/usr/bin/env python3
"""Checks a 32-bit machine plug-in DLL as the host will meet it: its file
format, its exports and imports, the slot tables of its machine classes and,
for the Analyzer, its dialog and menu resources.

Usage: check_dll.py [--objdump PROGRAM] [--cxxfilt PROGRAM] DLL

Each check prints one line with its result; the exit code is 1 when any failed.
Only the Python standard library is used; objdump disassembles and c++filt
demangles.
"""

import argparse
import os
import re
import struct
import subprocess
import sys

# What every deliverable must export, and nothing else.
EXPORTS = {"GetInfo", "CreateMachine"}
# What a deliverable may import from the system: functions that Windows XP SP3
# already exports, no later ones, and only as many as the DLLs need. MinGW's
# runtime DLLs are not among them.
SYSTEM_IMPORTS = {
    "kernel32.dll": {
        "CloseHandle", "CreateFileMappingA", "DeleteCriticalSection", "EnterCriticalSection",
        "FreeLibrary", "GetLastError", "GetModuleHandleA", "GetModuleHandleW", "GetProcAddress",
        "InitializeCriticalSection", "IsDBCSLeadByteEx", "LeaveCriticalSection", "LoadLibraryA",
        "MapViewOfFile", "MultiByteToWideChar", "OpenFileMappingA", "Sleep", "TlsGetValue",
        "UnmapViewOfFile", "VirtualProtect", "VirtualQuery", "WideCharToMultiByte",
    },
    "msvcrt.dll": {
        "__mb_cur_max", "__setusermatherr", "_amsg_exit", "_control87", "_errno", "_initterm",
        "_iob", "_lock", "_unlock", "abort", "atoi", "calloc", "fputc", "free", "fwrite",
        "localeconv", "malloc", "memcpy", "memmove", "memset", "realloc", "setlocale", "strchr",
        "strcmp", "strerror", "strlen", "strncmp", "vfprintf", "wcslen",
    },
    "user32.dll": {
        "CheckMenuRadioItem", "CreateDialogParamA", "DestroyWindow", "GetDlgItem", "GetMenu",
        "GetWindowLongA", "MessageBoxA", "PostMessageA", "SetWindowLongA", "SetWindowTextA",
        "ShowWindow",
    },
}
SYSTEM_DLLS = set(SYSTEM_IMPORTS)
HOST_DSP_DLL = "dsplib.dll"

# Per deliverable: whether it binds the host's DSP_Add, and its resources.
DELIVERABLES = {
    "Varnok's Analyzer.dll": {"dsplib": False, "resources": True},
    "Varnok's Chip.dll": {"dsplib": False, "resources": False},
    "Varnok's Pulse.dll": {"dsplib": True, "resources": False},
}

# The machine object's operations in slot order, with their argument counts
# (the callee pops 4 bytes per argument under __thiscall).
SLOTS = [
    ("DeletingDestructor", 1), ("Initialize", 1), ("ApplyTick", 0), ("Render", 3),
    ("RenderSecondary", 4), ("Halt", 0), ("SaveState", 1), ("ApplyAttributes", 0),
    ("RunCommand", 1), ("SetTrackCount", 1), ("ExtTrackNotify", 1), ("ExtTrackQuery", 1),
    ("OnMidiNote", 3), ("OnHostEvent", 1), ("ExtDescribe", 2), ("ExtList", 0),
    ("ExtStart", 3), ("ExtStop", 0), ("ExtPosition", 1),
]

# Window styles of the Analyzer's resources.
WS_POPUP, WS_CHILD, WS_VISIBLE = 0x80000000, 0x40000000, 0x10000000
WS_CAPTION, WS_SYSMENU, WS_GROUP, WS_TABSTOP = 0x00C00000, 0x00080000, 0x00020000, 0x00010000
DS_SETFONT, DS_MODALFRAME = 0x40, 0x80
BS_PUSHBUTTON, BS_DEFPUSHBUTTON, BS_GROUPBOX, BS_LEFT = 0, 1, 7, 0x100
SS_LEFT, SS_RIGHT = 0, 2
BUTTON, STATIC = 0x80, 0x82  # predefined window class atoms
CLASS_ATOMS = {"button": BUTTON, "static": STATIC}  # the same classes, named

DIALOG_ID, MENU_ID = 101, 103
RT_MENU, RT_DIALOG = 4, 5
DIALOG = {
    "style": WS_POPUP | WS_VISIBLE | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT,
    "rect": (0, 0, 158, 82),
    "menu": MENU_ID,
    "caption": "Varnok's Analyzer",
    "font": (8, "MS Sans Serif"),
}
LEFT_LABEL = (STATIC, WS_CHILD | WS_VISIBLE | WS_GROUP | SS_LEFT)
RIGHT_LABEL = (STATIC, WS_CHILD | WS_VISIBLE | WS_GROUP | SS_RIGHT)
# id, (class, style), text, (x, y, width, height), in template order
CONTROLS = [
    (1, (BUTTON, WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON), "Close", (103, 63, 50, 14)),
    (-1, LEFT_LABEL, "Rms Power", (11, 24, 37, 8)),
    (1000, RIGHT_LABEL, "xx dB", (60, 24, 38, 8)),
    (-1, (BUTTON, WS_CHILD | WS_VISIBLE | BS_GROUPBOX), "Amplitude", (5, 5, 148, 52)),
    (-1, LEFT_LABEL, "Amplitude", (11, 34, 32, 8)),
    (1001, RIGHT_LABEL, "0%", (60, 34, 38, 8)),
    (-1, RIGHT_LABEL, "Current", (74, 14, 24, 8)),
    (1002, RIGHT_LABEL, "xx dB", (107, 24, 38, 8)),
    (1003, RIGHT_LABEL, "0%", (107, 34, 38, 8)),
    (-1, RIGHT_LABEL, "Average", (117, 14, 28, 8)),
    (2, (BUTTON, WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON), "About", (48, 63, 50, 14)),
    (-1, LEFT_LABEL, "Dc Offset", (11, 44, 31, 8)),
    (1004, RIGHT_LABEL, "0", (60, 44, 38, 8)),
    (1005, RIGHT_LABEL, "0", (107, 44, 38, 8)),
]
# A group box's text is left-aligned whether or not BS_LEFT says so.
STYLE_ALLOWANCE = {BS_GROUPBOX: BS_LEFT}
# (text, id or sub-menu); no entry carries a check mark.
MENU = [("&Options", [
    ("&Refresh Rate", [("&1 Tick", 40001), ("&2 Ticks", 40002), ("&4 Ticks", 40003)]),
    ("Averaging", [("Low", 40004), ("Medium", 40005), ("High", 40006)]),
])]
MF_CHECKED, MF_POPUP, MF_END = 0x08, 0x10, 0x80


class CheckFailed(Exception):
    pass


class Skipped(Exception):
    pass


def expect(condition, message):
    if not condition:
        raise CheckFailed(message)


class PeImage:
    """What the checks read of a PE file."""

    def __init__(self, data):
        self.data = d = data
        expect(d[:2] == b"MZ", "no MZ header")
        pe = struct.unpack_from("<I", d, 0x3C)[0]
        expect(d[pe:pe + 4] == b"PE\0\0", "no PE signature")
        (self.machine, sections, _, self.symbol_table, self.symbol_count, optional_size,
         self.characteristics) = struct.unpack_from("<HHIIIHH", d, pe + 4)
        optional = pe + 24
        self.magic = struct.unpack_from("<H", d, optional)[0]
        expect(self.magic == 0x10B, "optional header magic 0x%x, not PE32 (0x10b)" % self.magic)
        self.image_base = struct.unpack_from("<I", d, optional + 28)[0]
        directory_count = struct.unpack_from("<I", d, optional + 92)[0]
        self.directories = [struct.unpack_from("<II", d, optional + 96 + 8 * i)
                            for i in range(directory_count)]
        self.sections = []
        at = optional + optional_size
        for i in range(sections):
            name, vsize, rva, raw_size, raw_at = struct.unpack_from("<8sIIII", d, at + 40 * i)
            self.sections.append((name.rstrip(b"\0").decode(), rva, max(vsize, raw_size), raw_at))

    def offset(self, rva):
        for _, start, size, raw_at in self.sections:
            if start <= rva < start + size:
                return raw_at + rva - start
        raise CheckFailed("address 0x%x lies in no section" % rva)

    def u16(self, rva):
        return struct.unpack_from("<H", self.data, self.offset(rva))[0]

    def u32(self, rva):
        return struct.unpack_from("<I", self.data, self.offset(rva))[0]

    def c_string(self, rva):
        at = self.offset(rva)
        return self.data[at:self.data.index(b"\0", at)].decode("latin-1")

    def directory(self, index):
        return self.directories[index] if index < len(self.directories) else (0, 0)

    def exports(self):
        rva, _ = self.directory(0)
        if rva == 0:
            return 0, []
        functions, names, _, names_rva = struct.unpack_from("<IIII", self.data,
                                                            self.offset(rva) + 20)
        return functions, [self.c_string(self.u32(names_rva + 4 * i)) for i in range(names)]

    def imports(self):
        """{dll name: [imported names]}"""
        rva, _ = self.directory(1)
        result = {}
        while rva and self.u32(rva + 12):
            lookup = self.u32(rva) or self.u32(rva + 16)
            names = []
            while self.u32(lookup):
                entry = self.u32(lookup)
                names.append("#%d" % (entry & 0xFFFF) if entry & 0x80000000
                             else self.c_string(entry + 2))
                lookup += 4
            result[self.c_string(self.u32(rva + 12))] = names
            rva += 20
        return result

    def symbols(self):
        """{name: rva} from the COFF symbol table that -g builds keep."""
        expect(self.symbol_table != 0, "no symbol table (stripped DLL)")
        strings = self.symbol_table + 18 * self.symbol_count
        result = {}
        i = 0
        while i < self.symbol_count:
            at = self.symbol_table + 18 * i
            raw, value, section, _, _, aux = struct.unpack_from("<8sIhHBB", self.data, at)
            if raw[:4] == b"\0\0\0\0":
                start = strings + struct.unpack_from("<I", raw, 4)[0]
                name = self.data[start:self.data.index(b"\0", start)].decode("latin-1")
            else:
                name = raw.rstrip(b"\0").decode("latin-1")
            if 0 < section <= len(self.sections):
                result[name] = self.sections[section - 1][1] + value
            i += 1 + aux
        return result

    def resource(self, kind, ident):
        """Bytes of resource `kind`/`ident` (first language), or None."""
        base, _ = self.directory(2)
        if base == 0:
            return None

        def entries(directory_rva):
            named, numbered = struct.unpack_from("<HH", self.data, self.offset(directory_rva) + 12)
            for i in range(named + numbered):
                name, target = struct.unpack_from("<II", self.data,
                                                  self.offset(directory_rva + 16 + 8 * i))
                yield name, target

        def find(directory_rva, wanted):
            for name, target in entries(directory_rva):
                if wanted is None or name == wanted:
                    return target
            return None

        level = base
        for wanted in (kind, ident, None):
            target = find(level, wanted)
            if target is None:
                return None
            level = base + (target & 0x7FFFFFFF)
        data_rva, size = struct.unpack_from("<II", self.data, self.offset(level))
        at = self.offset(data_rva)
        return self.data[at:at + size]


# ----------------------------------------------------------------- the checks

def check_format(image, name):
    expect(image.machine == 0x14C, "machine 0x%x, not i386 (0x14c)" % image.machine)
    expect(image.characteristics & 0x2000, "not marked as a DLL")
    return "PE32 DLL for i386"


def check_exports(image, name):
    count, names = image.exports()
    expect(set(names) == EXPORTS and count == len(EXPORTS),
           "exports %s (%d entries); expected exactly %s" % (sorted(names), count, sorted(EXPORTS)))
    return "exports exactly " + ", ".join(sorted(names))


def check_imports(image, name):
    imports = {dll.lower(): names for dll, names in image.imports().items()}
    foreign = sorted(set(imports) - SYSTEM_DLLS - {HOST_DSP_DLL})
    expect(not foreign, "imports DLLs that Windows does not ship: %s" % ", ".join(foreign))
    unlisted = sorted("%s from %s" % (function, dll) for dll in SYSTEM_DLLS
                      for function in set(imports.get(dll, [])) - SYSTEM_IMPORTS[dll])
    expect(not unlisted, "imports what is not among the allowed Windows XP SP3 exports: %s"
           % ", ".join(unlisted))
    wants_dsplib = DELIVERABLES.get(name, {}).get("dsplib", False)
    if wants_dsplib:
        expect(imports.get(HOST_DSP_DLL) == ["DSP_Add"],
               "must import exactly DSP_Add from dsplib.dll, imports %s" % imports.get(HOST_DSP_DLL))
    else:
        expect(HOST_DSP_DLL not in imports, "must not import the host's dsplib.dll")
    return "imports " + ", ".join(sorted(imports))


def demangle(cxxfilt, names):
    # COFF names of i386 carry an extra leading underscore.
    stripped = [n[1:] if n.startswith("__Z") else n for n in names]
    out = subprocess.run([cxxfilt], input="\n".join(stripped), capture_output=True, text=True,
                         check=True).stdout.splitlines()
    return dict(zip(names, out))


def operation_name(demangled):
    """'varnok::MachineBase::Render(float*, int, int)' -> 'Render'"""
    return demangled.split("(", 1)[0].rsplit("::", 1)[-1]


def callee_pops(objdump, path, start, end):
    """The byte counts of every ret in [start, end), as objdump disassembles it."""
    listing = subprocess.run(
        [objdump, "-d", "--no-show-raw-insn", "--start-address=0x%x" % start,
         "--stop-address=0x%x" % end, path], capture_output=True, text=True, check=True).stdout
    pops = []
    for line in listing.splitlines():
        match = re.search(r"\sret[lw]?\s*(\$0x([0-9a-f]+))?\s*$", line)
        if match:
            pops.append(int(match.group(2), 16) if match.group(2) else 0)
    return pops


def check_slot_tables(image, name, path, tools):
    """Every machine class's table lists the operations in slot order, slot 1 is
    the deleting destructor, and each entry pops its arguments as __thiscall."""
    symbols = image.symbols()
    functions = {}
    for symbol, rva in symbols.items():
        if symbol.startswith("__ZN"):
            functions.setdefault(rva, []).append(symbol)
    demangled = demangle(tools.cxxfilt, [s for names in functions.values() for s in names]
                         + [s for s in symbols if s.startswith("__ZTV")])
    addresses = sorted(functions)

    def names_at(rva):
        return {operation_name(demangled[s]) for s in functions.get(rva, [])}

    def next_function(rva):
        later = [a for a in addresses if a > rva]
        return later[0] if later else rva + 256

    machine_tables = []
    for symbol, rva in symbols.items():
        if not symbol.startswith("__ZTV"):
            continue
        first = image.u32(rva + 8) - image.image_base  # after offset-to-top and type info
        owner = demangled[symbol].replace("vtable for ", "")
        if "DeletingDestructor" in names_at(first) or owner == "varnok::MachineBase":
            machine_tables.append((owner, rva + 8))
    expect(any(o != "varnok::MachineBase" for o, _ in machine_tables),
           "no machine class whose table starts with DeletingDestructor")

    for owner, table in machine_tables:
        for slot, (operation, arguments) in enumerate(SLOTS, start=1):
            entry = image.u32(table + 4 * (slot - 1)) - image.image_base
            if owner == "varnok::MachineBase" and slot == 1:
                continue  # pure in the base; its table never reaches the host
            found = names_at(entry)
            expect(operation in found, "%s slot %d is %s, expected %s"
                   % (owner, slot, sorted(found) or "an unnamed address", operation))
            pops = callee_pops(tools.objdump, path, image.image_base + entry,
                               image.image_base + next_function(entry))
            expect(all(p == 4 * arguments for p in pops),
                   "%s slot %d (%s) returns popping %s bytes, expected %d (__thiscall)"
                   % (owner, slot, operation, pops, 4 * arguments))
    return "slot tables in order, __thiscall: " + ", ".join(sorted(o for o, _ in machine_tables))


def sz_or_ordinal(data, at):
    """A resource name field: (value, next offset); value is None, an int or a str."""
    first = struct.unpack_from("<H", data, at)[0]
    if first == 0:
        return None, at + 2
    if first == 0xFFFF:
        return struct.unpack_from("<H", data, at + 2)[0], at + 4
    return utf16_string(data, at)


def utf16_string(data, at):
    end = at
    while struct.unpack_from("<H", data, end)[0] != 0:
        end += 2
    return data[at:end].decode("utf-16-le"), end + 2


def align4(at):
    return (at + 3) & ~3


def parse_dialog(data):
    """DIALOG or DIALOGEX template -> (header dict, [controls])."""
    extended = struct.unpack_from("<HH", data, 0) == (1, 0xFFFF)
    if extended:
        _, _, _, _, style, count, x, y, cx, cy = struct.unpack_from("<HHIIIHhhhh", data, 0)
        at = 26
    else:
        style, _, count, x, y, cx, cy = struct.unpack_from("<IIHhhhh", data, 0)
        at = 18
    menu, at = sz_or_ordinal(data, at)
    window_class, at = sz_or_ordinal(data, at)
    caption, at = utf16_string(data, at)
    font = None
    if style & DS_SETFONT:
        points = struct.unpack_from("<H", data, at)[0]
        at += 6 if extended else 2
        face, at = utf16_string(data, at)
        font = (points, face)
    header = {"style": style, "rect": (x, y, cx, cy), "menu": menu, "caption": caption,
              "font": font, "class": window_class}
    controls = []
    for _ in range(count):
        at = align4(at)
        if extended:
            _, _, item_style, ix, iy, icx, icy, ident = struct.unpack_from("<IIIhhhhi", data, at)
            at += 24
        else:
            item_style, _, ix, iy, icx, icy, ident = struct.unpack_from("<IIhhhhh", data, at)
            at += 18
        item_class, at = sz_or_ordinal(data, at)
        if isinstance(item_class, str):
            item_class = CLASS_ATOMS.get(item_class.lower(), item_class)
        text, at = sz_or_ordinal(data, at)
        extra = struct.unpack_from("<H", data, at)[0]
        at += 2 + extra
        controls.append((ident, (item_class, item_style), text, (ix, iy, icx, icy)))
    return header, controls


def parse_menu(data):
    """MENU or MENUEX template -> nested [(text, id or sub-list)]; raises on a check mark."""
    version, offset = struct.unpack_from("<HH", data, 0)
    if version == 0:
        at = 4 + offset

        def items(at):
            result = []
            while True:
                flags = struct.unpack_from("<H", data, at)[0]
                expect(not flags & MF_CHECKED, "a menu entry is checked in the template")
                if flags & MF_POPUP:
                    text, at = utf16_string(data, at + 2)
                    children, at = items(at)
                    result.append((text, children))
                else:
                    ident = struct.unpack_from("<H", data, at + 2)[0]
                    text, at = utf16_string(data, at + 4)
                    result.append((text, ident))
                if flags & MF_END:
                    return result, at
        return items(at)[0]

    expect(version == 1, "unknown menu template version %d" % version)

    def items_ex(at):
        result = []
        while True:
            at = align4(at)
            _, state, ident, flags = struct.unpack_from("<IIIH", data, at)
            expect(not state & MF_CHECKED, "a menu entry is checked in the template")
            text, at = utf16_string(data, at + 14)
            if flags & 0x01:
                children, at = items_ex(align4(at) + 4)
                result.append((text, children))
            else:
                result.append((text, ident))
            if flags & MF_END:
                return result, at
    return items_ex(4 + offset)[0]


def control_matches(actual, expected):
    (a_id, (a_class, a_style), a_text, a_rect) = actual
    (e_id, (e_class, e_style), e_text, e_rect) = expected
    allowance = STYLE_ALLOWANCE.get(e_style & 0xF, 0) if e_class == BUTTON else 0
    a_id = -1 if a_id in (0xFFFF, -1) else a_id
    return (a_id == e_id and a_class == e_class and a_text == e_text and a_rect == e_rect
            and (a_style & ~allowance) == e_style)


def describe_control(control):
    ident, (window_class, style), text, rect = control
    return "id %s class %s style 0x%08x %r at %s" % (ident, window_class, style, text, rect)


def check_resources(image, name):
    if not DELIVERABLES.get(name, {}).get("resources"):
        raise Skipped("no window resources in this deliverable")
    dialog = image.resource(RT_DIALOG, DIALOG_ID)
    expect(dialog is not None, "no dialog resource %d" % DIALOG_ID)
    header, controls = parse_dialog(dialog)
    for field, wanted in DIALOG.items():
        expect(header[field] == wanted, "dialog %d %s is %r, expected %r"
               % (DIALOG_ID, field, header[field], wanted))
    expect(len(controls) == len(CONTROLS), "dialog %d has %d controls, expected %d"
           % (DIALOG_ID, len(controls), len(CONTROLS)))
    for index, (actual, expected) in enumerate(zip(controls, CONTROLS), start=1):
        expect(control_matches(actual, expected), "control %d is %s, expected %s"
               % (index, describe_control(actual), describe_control(expected)))
    menu = image.resource(RT_MENU, MENU_ID)
    expect(menu is not None, "no menu resource %d" % MENU_ID)
    entries = parse_menu(menu)
    expect(entries == MENU, "menu %d is %r, expected %r" % (MENU_ID, entries, MENU))
    return "dialog %d (%d controls) and menu %d as designed" % (DIALOG_ID, len(controls), MENU_ID)


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--objdump", default="i686-w64-mingw32-objdump")
    parser.add_argument("--cxxfilt", default="c++filt")
    parser.add_argument("dll")
    tools = parser.parse_args()
    name = os.path.basename(tools.dll)

    try:
        with open(tools.dll, "rb") as f:
            image = PeImage(f.read())
    except (OSError, CheckFailed, struct.error) as error:
        print("%s: Failed: not a PE32 image: %s" % (name, error))
        return 1
    checks = [
        ("format", lambda: check_format(image, name)),
        ("exports", lambda: check_exports(image, name)),
        ("imports", lambda: check_imports(image, name)),
        ("slot tables", lambda: check_slot_tables(image, name, tools.dll, tools)),
        ("resources", lambda: check_resources(image, name)),
    ]
    failed = 0
    for title, run in checks:
        try:
            print("%s: %s: Success: %s" % (name, title, run()))
        except Skipped as reason:
            print("%s: %s: Skipped: %s" % (name, title, reason))
        except (CheckFailed, struct.error, ValueError) as error:
            failed += 1
            print("%s: %s: Failed: %s" % (name, title, error))
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
