#!/usr/bin/env python3
"""Proves that check_dll.py catches real faults: each case damages one thing in
a copy of the Analyzer DLL and expects exactly that check to fail.

Usage: check_dll_selftest.py [--objdump PROGRAM] ANALYZER_DLL
"""

import os
import struct
import sys
import tempfile
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import check_dll  # noqa: E402


class Tools:
    objdump = "i686-w64-mingw32-objdump"
    cxxfilt = "c++filt"


ORIGINAL = None  # bytes of the Analyzer DLL, set in main


class CheckerCatchesFaults(unittest.TestCase):
    def damaged(self, damage):
        """A copy of the DLL under its own name, with `damage(bytearray)` applied."""
        data = bytearray(ORIGINAL)
        damage(data)
        folder = tempfile.mkdtemp()
        path = os.path.join(folder, "Varnok's Analyzer.dll")
        with open(path, "wb") as f:
            f.write(data)
        return path, check_dll.PeImage(bytes(data))

    def assertFails(self, check, *arguments):
        with self.assertRaises(check_dll.CheckFailed):
            check(*arguments)

    def test_the_undamaged_dll_passes(self):
        path, image = self.damaged(lambda data: None)
        name = os.path.basename(path)
        check_dll.check_exports(image, name)
        check_dll.check_imports(image, name)
        check_dll.check_resources(image, name)

    def test_an_extra_or_renamed_export(self):
        def rename(data):
            at = data.index(b"\0GetInfo\0") + 1
            data[at:at + 7] = b"GetInfX"
        _, image = self.damaged(rename)
        self.assertFails(check_dll.check_exports, image, "Varnok's Analyzer.dll")

    def test_a_mingw_runtime_import(self):
        def runtime(data):
            at = data.lower().index(b"msvcrt.dll\0")
            data[at:at + 10] = b"libstd.dll"
        _, image = self.damaged(runtime)
        self.assertFails(check_dll.check_imports, image, "Varnok's Analyzer.dll")

    def test_an_import_that_windows_xp_lacks(self):
        def newer(data):
            at = data.index(b"TlsGetValue\0")
            data[at] = ord("F")  # FlsGetValue: Vista and later
        _, image = self.damaged(newer)
        self.assertFails(check_dll.check_imports, image, "Varnok's Analyzer.dll")

    def test_a_control_without_its_tab_stop(self):
        def untab(data):
            image = check_dll.PeImage(bytes(data))
            dialog = image.resource(check_dll.RT_DIALOG, check_dll.DIALOG_ID)
            close = struct.pack("<I", check_dll.WS_CHILD | check_dll.WS_VISIBLE
                                | check_dll.WS_TABSTOP | check_dll.BS_DEFPUSHBUTTON)
            at = data.index(dialog) + dialog.index(close)
            data[at:at + 4] = struct.pack("<I", struct.unpack("<I", close)[0] & ~check_dll.WS_TABSTOP)
        _, image = self.damaged(untab)
        self.assertFails(check_dll.check_resources, image, "Varnok's Analyzer.dll")

    def test_a_menu_entry_checked_in_the_template(self):
        def check_mark(data):
            image = check_dll.PeImage(bytes(data))
            menu = image.resource(check_dll.RT_MENU, check_dll.MENU_ID)
            self.assertEqual(struct.unpack_from("<H", menu, 0)[0], 0, "plain MENU template expected")
            at = data.index(menu) + menu.index("&1 Tick".encode("utf-16-le")) - 4
            data[at] |= check_dll.MF_CHECKED
        _, image = self.damaged(check_mark)
        self.assertFails(check_dll.check_resources, image, "Varnok's Analyzer.dll")

    def test_two_slots_swapped(self):
        def swap(data):
            image = check_dll.PeImage(bytes(data))
            table = next(rva for name, rva in image.symbols().items()
                         if name.startswith("__ZTV") and "AnalyzerMachine" in name) + 8
            render, halt = image.offset(table + 4 * 3), image.offset(table + 4 * 5)
            data[render:render + 4], data[halt:halt + 4] = data[halt:halt + 4], data[render:render + 4]
        path, image = self.damaged(swap)
        self.assertFails(check_dll.check_slot_tables, image, "Varnok's Analyzer.dll", path, Tools)


def main():
    global ORIGINAL
    arguments = sys.argv[1:]
    if arguments[:1] == ["--objdump"]:
        Tools.objdump = arguments[1]
        arguments = arguments[2:]
    with open(arguments[0], "rb") as f:
        ORIGINAL = f.read()
    suite = unittest.defaultTestLoader.loadTestsFromTestCase(CheckerCatchesFaults)
    return 0 if unittest.TextTestRunner(verbosity=2).run(suite).wasSuccessful() else 1


if __name__ == "__main__":
    sys.exit(main())
