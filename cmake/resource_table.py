#!/usr/bin/env python3
"""Writes one dialog and its menu from a resource script as C++ constant data.

The script stays the one source of both: windres builds it into the Windows
DLL, and the headless builds read the table this writes. Only what the script
uses is understood: DIALOGEX with STYLE, CAPTION, MENU, FONT and CONTROL
lines, and a MENU of one pop-up holding pop-ups of MENUITEMs. Anything else
stops the build with the line it could not read.
"""
import re
import sys

STYLES = {
    "WS_POPUP": "kStylePopup", "WS_CHILD": "kStyleChild", "WS_VISIBLE": "kStyleVisible",
    "WS_CAPTION": "kStyleCaption", "WS_SYSMENU": "kStyleSystemMenu", "WS_GROUP": "kStyleGroup",
    "WS_TABSTOP": "kStyleTabStop", "DS_MODALFRAME": "kStyleModalFrame",
    "BS_PUSHBUTTON": "kButtonPush", "BS_DEFPUSHBUTTON": "kButtonDefaultPush",
    "BS_GROUPBOX": "kButtonGroupBox", "BS_LEFT": "kButtonLeft",
    "SS_LEFT": "kStaticLeft", "SS_RIGHT": "kStaticRight",
}
CLASSES = {"Button": "kButton", "Static": "kStatic"}


class ScriptError(Exception):
    pass


def arguments(text):
    """Splits at commas outside quotes; a doubled quote stands for one."""
    return [part.strip() for part in re.findall(r'(?:"(?:[^"]|"")*"|[^,])+', text)]


def unquoted(text):
    if len(text) < 2 or text[0] != '"' or text[-1] != '"':
        raise ScriptError("expected a quoted text, got " + text)
    return text[1:-1].replace('""', '"')


def cpp_string(text):
    return '"' + text.replace("\\", "\\\\").replace('"', '\\"') + '"'


def style(text):
    names = [word for word in text.split() if word != "|"]
    for name in names:
        if name not in STYLES:
            raise ScriptError("unknown style " + name)
    return " | ".join("platform::" + STYLES[name] for name in names) or "0u"


def read_lines(path):
    lines = []
    with open(path, encoding="latin-1") as script:
        for number, line in enumerate(script, 1):
            line = line.strip()
            if line and not line.startswith("//") and not line.startswith("#"):
                lines.append((number, line))
    return lines


def after(line, keyword):
    if not line.startswith(keyword + " "):
        raise ScriptError("expected " + keyword)
    return line[len(keyword) + 1:].strip()


def parse(lines):
    dialog, menu, at = None, None, 0
    while at < len(lines):
        _, line = lines[at]
        head = line.split(None, 2)
        if len(head) >= 2 and head[1] == "DIALOGEX":
            dialog, at = parse_dialog(lines, at)
        elif len(head) == 2 and head[1] == "MENU":
            menu, at = parse_menu(lines, at)
        else:
            raise ScriptError("expected a DIALOGEX or MENU resource")
    if dialog is None or menu is None or dialog["menu"] != menu["id"]:
        raise ScriptError("expected one dialog and the menu it names")
    return dialog, menu


def parse_dialog(lines, at):
    ident, _, box = lines[at][1].split(None, 2)
    dialog = {"id": ident, "box": arguments(box), "controls": []}
    fields = {}
    at += 1
    while lines[at][1] != "BEGIN":
        keyword, _, rest = lines[at][1].partition(" ")
        fields[keyword] = rest.strip()
        at += 1
    dialog["style"] = style(fields["STYLE"])
    dialog["caption"] = unquoted(fields["CAPTION"])
    dialog["menu"] = fields["MENU"]
    points, font = arguments(fields["FONT"])
    dialog["font"] = (unquoted(font), points)
    at += 1
    while lines[at][1] != "END":
        text, ident, kind, bits, x, y, w, h = arguments(after(lines[at][1], "CONTROL"))
        if unquoted(kind) not in CLASSES:
            raise ScriptError("unknown control class " + kind)
        dialog["controls"].append((ident, CLASSES[unquoted(kind)], unquoted(text), style(bits), x, y, w, h))
        at += 1
    return dialog, at + 1


def parse_menu(lines, at):
    menu = {"id": lines[at][1].split()[0], "popups": []}
    if lines[at + 1][1] != "BEGIN":
        raise ScriptError("expected BEGIN")
    menu["text"] = unquoted(after(lines[at + 2][1], "POPUP"))
    at += 3
    if lines[at][1] != "BEGIN":
        raise ScriptError("expected BEGIN")
    at += 1
    while lines[at][1] != "END":
        popup = (unquoted(after(lines[at][1], "POPUP")), [])
        at += 2  # and its BEGIN
        while lines[at][1] != "END":
            text, ident = arguments(after(lines[at][1], "MENUITEM"))
            popup[1].append((ident, unquoted(text)))
            at += 1
        menu["popups"].append(popup)
        at += 1
    return menu, at + 2  # the closing END of the outer pop-up and of the menu


def write(dialog, menu, source, header, namespace, out):
    w = out.write
    w("// Generated from %s by resource_table.py at build time; edit the script.\n" % source)
    w('#include "%s"\n\nnamespace %s {\nnamespace {\n\n' % (header, namespace))
    w("const platform::ControlResource kControls[] = {\n")
    for ident, kind, text, bits, x, y, width, height in dialog["controls"]:
        w("    {%s, platform::ControlClass::%s, %s, %s, %s, %s, %s, %s},\n"
          % (ident, kind, cpp_string(text), bits, x, y, width, height))
    w("};\n\n")
    for index, (_, items) in enumerate(menu["popups"]):
        w("const platform::MenuItemResource kItems%d[] = {\n" % index)
        for ident, text in items:
            w("    {%s, %s},\n" % (ident, cpp_string(text)))
        w("};\n\n")
    w("const platform::MenuPopupResource kPopups[] = {\n")
    for index, (text, items) in enumerate(menu["popups"]):
        w("    {%s, kItems%d, %d},\n" % (cpp_string(text), index, len(items)))
    w("};\n\n}  // namespace\n\n")
    w("const platform::MenuResource kMeterMenu = {%s, %s, kPopups, %d};\n\n"
      % (menu["id"], cpp_string(menu["text"]), len(menu["popups"])))
    font, points = dialog["font"]
    w("const platform::DialogResource kMeterDialog = {\n    %s, %s,\n    %s,\n    %s, %s, %s, &kMeterMenu,\n"
      "    kControls, %d};\n\n}  // namespace %s\n"
      % (dialog["id"], dialog["style"], ", ".join(dialog["box"]), cpp_string(font), points,
         cpp_string(dialog["caption"]), len(dialog["controls"]), namespace))


def main():
    if len(sys.argv) != 5:
        sys.exit("usage: resource_table.py SCRIPT.rc OUT.cpp HEADER NAMESPACE")
    source, target, header, namespace = sys.argv[1:]
    lines = read_lines(source)
    try:
        dialog, menu = parse(lines)
    except (ScriptError, ValueError, IndexError, KeyError) as error:
        sys.exit("%s: cannot read the dialog or menu: %s" % (source, error))
    with open(target, "w") as out:
        write(dialog, menu, source.rsplit("/", 1)[-1], header, namespace, out)


if __name__ == "__main__":
    main()
