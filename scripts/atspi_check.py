#!/usr/bin/python3
"""Reads Kestrum's windows as a screen reader does, over AT-SPI, and checks what it hears.

Started by atspi-check.sh with the program already scanning; it
  1. waits for the scan's result, prints the main window's accessible tree and checks the name,
     role and description of every control;
  2. selects rows through the list's AT-SPI selection and checks that the list's description and
     the "Selected" field's text change with events a reader hears;
  3. opens the Exclusions dialog and the Largest files window from the Options menu and the list of
     what was not counted from the line under the list (pointer clicks at the places AT-SPI gives),
     printing and checking each one's tree.
Expected texts come from the string table (res/StringTable.cpp, res/Resource.h), translated
through the build's catalogue when LANGUAGE names a language.

    atspi_check.py SOURCE_DIR LOCALE_DIR
Exits 1 when a check fails.
"""
import gettext
import os
import re
import subprocess
import sys
import time

import pyatspi

source_dir, locale_dir = sys.argv[1], sys.argv[2]
failures = []


def fail(message):
    failures.append(message)
    print("FAIL: " + message)


# --- The string table, in the language the program speaks -------------------------------------
def read_table():
    ids = {}
    for match in re.finditer(r"^#define\s+((?:AFX_)?IDS_\w+)\s+(\d+)", open(os.path.join(source_dir, "res/Resource.h")).read(), re.M):
        ids[match.group(1)] = match.group(2)
    texts = {}
    table = open(os.path.join(source_dir, "res/StringTable.cpp"), encoding="utf-8").read()
    for match in re.finditer(r'\{((?:AFX_)?IDS_\w+),\s*"((?:[^"\\]|\\.)*)"\}', table):
        texts[match.group(1)] = match.group(2).encode().decode("unicode_escape").encode("latin-1").decode("utf-8")
    return ids, texts


IDS, ENGLISH = read_table()
language = os.environ.get("LANGUAGE", "")
catalogue = gettext.translation("kestrum", localedir=locale_dir, languages=[language], fallback=True) if language else gettext.NullTranslations()


def text(name):
    return catalogue.pgettext(IDS[name], ENGLISH[name])


def plain(label):
    """A button's or label's text as a reader says it: without the mnemonic's "&"."""
    return label.replace("&&", "\0").replace("&", "").replace("\0", "&")


# --- Reading the tree ---------------------------------------------------------------------------
def children(node):
    try:
        return [node.getChildAtIndex(i) for i in range(node.childCount)]
    except Exception:
        return []


def walk(node, depth=0):
    yield node, depth
    # Rows and cells of a list are its content, not controls; the tree stops at the list.
    if node.getRole() in (pyatspi.ROLE_TABLE, pyatspi.ROLE_TREE_TABLE, pyatspi.ROLE_TREE, pyatspi.ROLE_LIST):
        return
    for child in children(node):
        yield from walk(child, depth + 1)


def dump(title, root, out):
    out.append("== " + title)
    for node, depth in walk(root):
        out.append("%s%s | name=%r | description=%r" % ("  " * depth, node.getRoleName(), node.name, node.description))
    out.append("")


def controls(root):
    return [node for node, _ in walk(root) if node is not root]


def find(root, role, name=None):
    for node, _ in walk(root):
        if node.getRole() == role and (name is None or node.name == name):
            return node
    return None


def wait_for(what, probe, seconds=20):
    deadline = time.time() + seconds
    while time.time() < deadline:
        found = probe()
        if found:
            return found
        time.sleep(0.2)
    fail("timed out waiting for " + what)
    return None


def application():
    desktop = pyatspi.Registry.getDesktop(0)
    for app in children(desktop):
        if app is not None and app.name in ("kestrum", "Kestrum"):
            return app
    return None


def window(app, title):
    for node in children(app):
        if node.name == title:
            return node
    return None


def check(root, expected, where):
    """expected: (role, name, description or None for "none expected") for each control that must be
    there; every button, text field, list and check box shown must have a name."""
    nodes = controls(root)
    for role, name, description in expected:
        found = [n for n in nodes if n.getRole() == role and n.name == name]
        if not found:
            fail("%s: no %s named %r" % (where, role, name))
            continue
        if description is not None and found[0].description != description:
            fail("%s: %r is described %r, not %r" % (where, name, found[0].description, description))
    # A label's name is its text, and an empty label says nothing: only controls must be named.
    named_roles = (pyatspi.ROLE_PUSH_BUTTON, pyatspi.ROLE_TEXT, pyatspi.ROLE_ENTRY, pyatspi.ROLE_TABLE,
                   pyatspi.ROLE_TREE_TABLE, pyatspi.ROLE_TREE, pyatspi.ROLE_LIST, pyatspi.ROLE_CHECK_BOX)
    for node in nodes:
        if node.getRole() in named_roles and not node.name.strip():
            state = node.getState()
            if state.contains(pyatspi.STATE_SHOWING):
                fail("%s: a %s has no name" % (where, node.getRoleName()))


def click(node):
    x, y, w, h = node.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
    subprocess.run(["xdotool", "mousemove", str(x + w // 2), str(y + h // 2), "click", "1"], check=True)


def key(name):
    subprocess.run(["xdotool", "key", name], check=True)


def menu_order():
    """The Options menu's command ids in the template's order (it has no separators)."""
    menu = open(os.path.join(source_dir, "res/MenuTemplate.cpp"), encoding="utf-8").read()
    return re.findall(r'\{((?:ID_|IDM_)\w+), "[^"]*"\}', menu)


def run_menu_command(main, command):
    """Opens the Options menu from the keyboard (Space on the button) and chooses the command with
    the arrow keys: a pop-up menu is no child of the application on the accessibility bus."""
    subprocess.run(["xdotool", "search", "--onlyvisible", "--name", "^" + main.name + "$", "windowactivate", "--sync"])
    find(main, pyatspi.ROLE_PUSH_BUTTON, text("IDS_ACC_OPTIONS")).queryComponent().grabFocus()
    time.sleep(0.3)
    key("space")
    time.sleep(0.5)
    for _ in range(menu_order().index(command) + 1):
        key("Down")
    key("Return")


# --- 1. The main window after the scan ----------------------------------------------------------
out = []
app = wait_for("the program on the accessibility bus", application, 30)
if not app:
    sys.exit(1)
title = text("AFX_IDS_APP_TITLE") if "AFX_IDS_APP_TITLE" in IDS else "Kestrum"
main = wait_for("the main window", lambda: window(app, title))
contains = find(main, pyatspi.ROLE_TEXT, text("IDS_ACC_CONTAINS")) if main else None
if not contains:
    fail("no Contains field")
    print("\n".join(out))
    sys.exit(1)
wait_for("the scan's counts", lambda: contains.queryText().getText(0, -1).strip())
time.sleep(1)  # the list fills on the same timer tick
dump("main window", main, out)

buttons = {node.name for node in controls(main) if node.getRole() == pyatspi.ROLE_PUSH_BUTTON}
print("buttons: " + ", ".join(sorted(buttons)))
line = next((n for n in controls(main) if n.getRole() == pyatspi.ROLE_LABEL and n.description.startswith(text("IDS_TIP_INCOMPLETE").split("%s")[0])), None)
expected = [
    (pyatspi.ROLE_TEXT, text("IDS_ACC_FOLDER"), text("IDS_TIP_FOLDER")),
    (pyatspi.ROLE_TEXT, text("IDS_ACC_CONTAINS"), ""),
    (pyatspi.ROLE_TEXT, text("IDS_ACC_SIZE"), ""),
    (pyatspi.ROLE_TEXT, text("IDS_ACC_SELECTED"), ""),
    (pyatspi.ROLE_TREE, text("IDS_ACC_LIST"), text("IDS_TIP_LIST")),
    (pyatspi.ROLE_PUSH_BUTTON, text("IDS_ACC_OPTIONS"), ""),
]
check(main, expected, "main window")
# The four buttons with tips: each described by its tip (their names are their own texts).
for tip in ("IDS_TIP_FIND", "IDS_TIP_SCAN", "IDS_TIP_STOP", "IDS_TIP_EXIT"):
    if not any(n.getRole() == pyatspi.ROLE_PUSH_BUTTON and n.description == text(tip) for n in controls(main)):
        fail("main window: no button described %r" % text(tip))
if not line:
    fail("main window: the line under the list is not described by its tip")
elif not line.name or not line.description.endswith(text("IDS_TIP_PROBLEMS_OPEN")):
    fail("main window: the line under the list says %r, described %r" % (line.name, line.description))

# --- 2. Selecting rows is announced ------------------------------------------------------------
events = []


def on_event(event):
    events.append((event.type, event.source.name if event.source else "", event.any_data))


types = ["object:property-change:accessible-description", "object:text-changed", "object:property-change:accessible-name"]
pyatspi.Registry.registerEventListener(on_event, *types)
listview = find(main, pyatspi.ROLE_TREE, text("IDS_ACC_LIST"))
selected = find(main, pyatspi.ROLE_TEXT, text("IDS_ACC_SELECTED"))
if listview and selected:
    listview.queryComponent().grabFocus()
    listview.queryTable().addRowSelection(0)
    from gi.repository import GLib
    GLib.timeout_add(2000, pyatspi.Registry.stop)
    pyatspi.Registry.start()
    summary = selected.queryText().getText(0, -1)
    out.append("== after selecting the first row")
    out.append("Selected field: %r; list described %r" % (summary, listview.description))
    out.append("events: " + "; ".join("%s on %r" % (kind, source) for kind, source, _ in events))
    out.append("")
    if not summary:
        fail("selecting a row left the Selected field empty")
    if listview.description != summary:
        fail("the list is described %r, not the selection's totals %r" % (listview.description, summary))
    if not any(kind.startswith("object:property-change:accessible-description") and source == listview.name for kind, source, _ in events):
        fail("no description-change event from the list when rows were selected")
    if not any(kind.startswith("object:text-changed") and source == selected.name for kind, source, _ in events):
        fail("no text-changed event from the Selected field")
pyatspi.Registry.deregisterEventListener(on_event, *types)

# --- 3. The dialogs ---------------------------------------------------------------------------
run_menu_command(main, "ID_OPTIONS_EXCLUDE")
exclude = wait_for("the Exclusions dialog", lambda: window(app, text("IDS_EXCLUDE_TITLE")))
if exclude:
    dump("Exclusions dialog", exclude, out)
    check(exclude, [(pyatspi.ROLE_TEXT, text("IDS_ACC_EXCLUDE"), None)], "Exclusions dialog")
    if sum(1 for n in controls(exclude) if n.getRole() == pyatspi.ROLE_PUSH_BUTTON and n.name) < 2:
        fail("Exclusions dialog: OK and Cancel are not both named")
    key("Escape")
    wait_for("the Exclusions dialog to close", lambda: not window(app, text("IDS_EXCLUDE_TITLE")))

run_menu_command(main, "ID_OPTIONS_LARGEST")
largest = wait_for("the Largest files window", lambda: next((n for n in children(app) if n.name.startswith(text("IDS_LARGEST_TITLE").split("%s")[0])), None))
if largest:
    time.sleep(1)
    dump("Largest files window", largest, out)
    check(largest, [(pyatspi.ROLE_TREE, text("IDS_ACC_LARGEST_LIST"), None),
                    (pyatspi.ROLE_PUSH_BUTTON, plain(text("IDS_LARGEST_OPEN_FOLDER")), None),
                    (pyatspi.ROLE_PUSH_BUTTON, plain(text("IDS_LARGEST_STOP")), None),
                    (pyatspi.ROLE_PUSH_BUTTON, plain(text("IDS_LARGEST_CLOSE")), None)], "Largest files window")
    click(find(largest, pyatspi.ROLE_PUSH_BUTTON, plain(text("IDS_LARGEST_CLOSE"))))
    wait_for("the Largest files window to close", lambda: not any(n.name == largest.name for n in children(app)))

if line:
    click(line)
    problems = wait_for("the list of what was not counted", lambda: window(app, text("IDS_PROBLEMS_TITLE")))
    if problems:
        dump("Not counted dialog", problems, out)
        check(problems, [(pyatspi.ROLE_TREE, text("IDS_ACC_PROBLEMS_LIST"), None),
                         (pyatspi.ROLE_PUSH_BUTTON, plain(text("IDS_PROBLEMS_COPY")), None),
                         (pyatspi.ROLE_PUSH_BUTTON, plain(text("IDS_PROBLEMS_CLOSE")), None)], "Not counted dialog")
        key("Escape")

print("\n".join(out))
print("%d failure(s)" % len(failures))
sys.exit(1 if failures else 0)
