#!/usr/bin/python3
"""Checks QMCommandsUpdater.exe from the file itself: the PE header, the DLLs it
imports and every resource (dialog template, icon, version record, manifest).

Usage: check_executable.py PATH/TO/QMCommandsUpdater.exe [PROBE_URL DOWNLOAD_URL] [unittest arguments]
The URLs that the executable must have compiled in default to the vendor's.
Needs Debian's python3-pefile.
"""

import os
import re
import struct
import sys
import unittest
import xml.etree.ElementTree as ElementTree

import pefile

EXECUTABLE = None
PROBE_URL = "http://www.quillmate.com"
DOWNLOAD_URL = "http://quillmate.com/downloads/MyQMCommands.xml"


def expected(header):
    """The one-line texts of a header of tests/support, as every test expects them."""
    path = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "support", header)
    with open(path, encoding="utf-8") as source:
        return dict(re.findall(r'inline const std::wstring (\w+) = L"([^"]*)";', source.read()))


IDENTITY = expected("expected_identity.h")
TEXTS = expected("expected_texts.h")

RT_ICON, RT_DIALOG, RT_GROUP_ICON, RT_VERSION, RT_MANIFEST = 3, 5, 14, 16, 24
GERMAN, US_ENGLISH = 1031, 1033

# DLLs that every Windows since XP ships; nothing of the compiler's runtime.
SYSTEM_DLLS = {"kernel32.dll", "user32.dll", "comctl32.dll", "urlmon.dll", "wininet.dll", "msvcrt.dll"}

WS_POPUP, WS_CHILD, WS_VISIBLE, WS_DISABLED = 0x80000000, 0x40000000, 0x10000000, 0x08000000
WS_CAPTION, WS_BORDER, WS_SYSMENU, WS_TABSTOP = 0x00C00000, 0x00800000, 0x00080000, 0x00010000
DS_SETFONT, DS_MODALFRAME, DS_FIXEDSYS = 0x40, 0x80, 0x8
WS_EX_STATICEDGE = 0x20000
BS_DEFPUSHBUTTON, BS_PUSHBUTTON = 1, 0
ES_MULTILINE, ES_AUTOHSCROLL, ES_READONLY = 0x4, 0x80, 0x800
BUTTON, EDIT = 0x80, 0x81
EDIT_STYLE = WS_CHILD | WS_VISIBLE | WS_TABSTOP | ES_AUTOHSCROLL | ES_READONLY


def resources(pe):
    """{(type, id): [(language, bytes)]} of every resource."""
    found = {}
    for kind in pe.DIRECTORY_ENTRY_RESOURCE.entries:
        for name in kind.directory.entries:
            for language in name.directory.entries:
                entry = language.data.struct
                data = pe.get_data(entry.OffsetToData, entry.Size)
                found.setdefault((kind.id, name.id), []).append((language.id, data))
    return found


class Reader:
    """Reads the little-endian fields of a resource in order."""

    def __init__(self, data):
        self.data, self.at = data, 0

    def take(self, layout):
        values = struct.unpack_from("<" + layout, self.data, self.at)
        self.at += struct.calcsize("<" + layout)
        return values if len(values) > 1 else values[0]

    def text(self):
        end = self.at
        while self.data[end:end + 2] != b"\0\0":
            end += 2
        value = self.data[self.at:end].decode("utf-16-le")
        self.at = end + 2
        return value

    def name_or_ordinal(self):
        if self.take("H") == 0xFFFF:
            return self.take("H")
        self.at -= 2
        return self.text()

    def align(self):
        self.at += -self.at % 4


def parse_dialog(data):
    reader = Reader(data)
    version, signature, _help, ex_style, style, count, x, y, cx, cy = reader.take("HHIIIHhhhh")
    dialog = {"version": version, "signature": signature, "exStyle": ex_style, "style": style,
              "rect": (x, y, cx, cy), "menu": reader.name_or_ordinal(), "class": reader.name_or_ordinal(),
              "caption": reader.text()}
    dialog["font"] = reader.take("HHBB") + (reader.text(),)
    dialog["controls"] = []
    for _ in range(count):
        reader.align()
        _help, ex_style, style, x, y, cx, cy, control_id = reader.take("IIIhhhhI")
        control = {"id": control_id, "exStyle": ex_style, "style": style, "rect": (x, y, cx, cy),
                   "class": reader.name_or_ordinal(), "text": reader.name_or_ordinal()}
        extra_bytes = reader.take("H")
        reader.at += extra_bytes
        dialog["controls"].append(control)
    return dialog


class Executable(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.pe = pefile.PE(EXECUTABLE)
        cls.resources = resources(cls.pe)

    def only(self, kind, name, language):
        found = self.resources[(kind, name)]
        self.assertEqual([lang for lang, _ in found], [language])
        return found[0][1]

    def test_header_is_a_32_bit_gui_program_for_windows_5_01(self):
        header = self.pe.OPTIONAL_HEADER
        self.assertEqual(self.pe.FILE_HEADER.Machine, 0x14C)
        self.assertEqual(header.Magic, 0x10B)
        self.assertEqual(header.Subsystem, 2)
        self.assertEqual((header.MajorOperatingSystemVersion, header.MinorOperatingSystemVersion), (5, 1))
        self.assertEqual((header.MajorSubsystemVersion, header.MinorSubsystemVersion), (5, 1))

    def test_imports_only_system_dlls(self):
        imported = {entry.dll.decode().lower() for entry in self.pe.DIRECTORY_ENTRY_IMPORT}
        self.assertLessEqual(imported, SYSTEM_DLLS)
        self.assertTrue({"kernel32.dll", "user32.dll", "urlmon.dll", "wininet.dll"} <= imported)

    def test_imports_are_exactly_the_expected_list(self):
        """A new import is a new dependency: update expected-imports.txt on purpose."""
        imported = sorted(f"{entry.dll.decode().lower()} {symbol.name.decode() if symbol.name else symbol.ordinal}"
                          for entry in self.pe.DIRECTORY_ENTRY_IMPORT for symbol in entry.imports)
        listed = os.path.join(os.path.dirname(os.path.abspath(__file__)), "expected-imports.txt")
        with open(listed, encoding="ascii") as expected:
            self.assertEqual(imported, expected.read().split("\n")[:-1])

    def test_resources_are_the_five_with_their_languages(self):
        kinds = {(kind, name) for kind, name in self.resources if kind != RT_ICON}
        self.assertEqual(kinds, {(RT_DIALOG, 101), (RT_GROUP_ICON, 104), (RT_VERSION, 1), (RT_MANIFEST, 1)})
        for (kind, _name), found in self.resources.items():
            expected = US_ENGLISH if kind == RT_MANIFEST else GERMAN
            self.assertEqual([language for language, _ in found], [expected])

    def test_dialog_template(self):
        dialog = parse_dialog(self.only(RT_DIALOG, 101, GERMAN))
        self.assertEqual((dialog["version"], dialog["signature"]), (1, 0xFFFF))
        self.assertEqual(dialog["style"], WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT | DS_FIXEDSYS)
        self.assertEqual(dialog["exStyle"], WS_EX_STATICEDGE)
        self.assertEqual(dialog["rect"], (0, 0, 227, 117))
        self.assertEqual((dialog["menu"], dialog["class"]), ("", ""))
        self.assertEqual(dialog["caption"], IDENTITY["Caption"])
        self.assertEqual(dialog["font"], (10, 400, 0, 0, "MS Shell Dlg"))
        controls = [(c["id"], c["class"], c["text"], c["style"], c["exStyle"], c["rect"]) for c in dialog["controls"]]
        self.assertEqual(controls, [
            (2, BUTTON, TEXTS["CloseCaption"], WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON, 0, (161, 96, 50, 14)),
            (1, BUTTON, TEXTS["UpdateCaption"], WS_CHILD | WS_TABSTOP | WS_DISABLED | BS_PUSHBUTTON, 0, (20, 96, 50, 14)),
            (1001, EDIT, "", EDIT_STYLE, 0, (18, 6, 196, 12)),
            (1002, EDIT, "", EDIT_STYLE, 0, (18, 17, 196, 12)),
            (1003, EDIT, "", EDIT_STYLE | ES_MULTILINE, 0, (18, 36, 196, 49)),
        ])
        self.assertFalse(any(c["style"] & WS_BORDER for c in dialog["controls"]))

    def test_icon_has_four_uncompressed_32_bit_images(self):
        group = Reader(self.only(RT_GROUP_ICON, 104, GERMAN))
        self.assertEqual(group.take("HHH"), (0, 1, 4))
        sizes = []
        for _ in range(4):
            width, height, colours, _reserved, planes, bits, size, icon_id = group.take("BBBBHHIH")
            sizes.append((width, height))
            self.assertEqual((colours, planes, bits), (0, 1, 32))
            image = self.only(RT_ICON, icon_id, GERMAN)
            self.assertEqual(len(image), size)
            self.assertFalse(image.startswith(b"\x89PNG"))
            header_size, dib_width, dib_height, dib_planes, dib_bits, compression = struct.unpack_from("<IiiHHI", image)
            self.assertEqual((header_size, dib_width, dib_height), (40, width, 2 * height))
            self.assertEqual((dib_planes, dib_bits, compression), (1, 32, 0))
            # A real alpha channel: some pixels wholly transparent, some wholly opaque.
            alphas = set(image[header_size + 3:header_size + 4 * width * height:4])
            self.assertLessEqual({0, 255}, alphas)
        self.assertEqual(sizes, [(48, 48), (32, 32), (24, 24), (16, 16)])

    def test_version_record(self):
        fixed = self.pe.VS_FIXEDFILEINFO[0]
        major, minor, patch, tweak = (int(number) for number in IDENTITY["Version"].split("."))
        numbers = ((major << 16) | minor, (patch << 16) | tweak)
        self.assertEqual((fixed.FileVersionMS, fixed.FileVersionLS), numbers)
        self.assertEqual((fixed.ProductVersionMS, fixed.ProductVersionLS), numbers)
        self.assertEqual((fixed.FileFlagsMask, fixed.FileFlags), (0x3F, 0))
        self.assertEqual((fixed.FileOS, fixed.FileType), (0x40004, 1))
        tables = [table for info in self.pe.FileInfo[0] if info.Key == b"StringFileInfo" for table in info.StringTable]
        self.assertEqual([table.LangID for table in tables], [b"040904b0"])
        strings = {key.decode(): value.decode() for key, value in tables[0].entries.items()}
        self.assertEqual(set(strings), {"CompanyName", "FileDescription", "FileVersion", "InternalName",
                                        "LegalCopyright", "OriginalFilename", "ProductName", "ProductVersion"})
        self.assertEqual(strings["FileDescription"], "Quillmate Commands Update Utility")
        self.assertEqual(strings["InternalName"], "QMCommandsUpdater.exe")
        self.assertEqual(strings["OriginalFilename"], "QMCommandsUpdater.exe")
        self.assertEqual(strings["ProductName"], "QM Commands Updater")
        self.assertEqual((strings["FileVersion"], strings["ProductVersion"]), (IDENTITY["Version"], IDENTITY["Version"]))
        self.assertIn("QM Commands Updater", strings["CompanyName"])
        self.assertIn("MIT", strings["LegalCopyright"])
        translations = [var.entry for info in self.pe.FileInfo[0] if info.Key == b"VarFileInfo" for var in info.Var]
        self.assertEqual(translations, [{b"Translation": "0x0409 0x04b0"}])

    def test_compiled_in_site_download_and_mutex_name(self):
        with open(EXECUTABLE, "rb") as executable:
            data = executable.read()
        # Zero-terminated UTF-16 texts of printable ASCII, as the program keeps them.
        texts = {run.decode("utf-16-le") for run in re.findall(rb"(?<=\0\0)(?:[\x20-\x7e]\0){8,}(?=\0\0)", data)}
        self.assertEqual({text for text in texts if re.fullmatch(r"https?://.+", text)}, {PROBE_URL, DOWNLOAD_URL})
        # Data may stand right before a text, so the name is looked for whole.
        self.assertIn(IDENTITY["InstanceMutex"].encode("utf-16-le") + b"\0\0", data)

    def test_manifest_holds_only_the_as_invoker_trust_block(self):
        manifest = ElementTree.fromstring(self.only(RT_MANIFEST, 1, US_ENGLISH))
        children = [child.tag for child in manifest]
        self.assertEqual(children, ["{urn:schemas-microsoft-com:asm.v3}trustInfo"])
        levels = [element.attrib for element in manifest.iter() if element.tag.endswith("requestedExecutionLevel")]
        self.assertEqual(levels, [{"level": "asInvoker", "uiAccess": "false"}])
        self.assertEqual(sum(1 for _ in manifest.iter()), 5)


if __name__ == "__main__":
    EXECUTABLE = sys.argv.pop(1)
    if len(sys.argv) > 2 and not sys.argv[1].startswith("-"):
        PROBE_URL, DOWNLOAD_URL = sys.argv.pop(1), sys.argv.pop(1)
    unittest.main(verbosity=2)
