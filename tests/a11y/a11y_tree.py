"""What a screen reader gets from the running program through AT-SPI: names, roles, descriptions and
key bindings of the controls and menu items, the grid as a table, the entry dialog's labelled fields,
the delete question, the find bar's answer, and the focus walked through every control with Tab.

Run by run_a11y.sh, which starts the X server, the session bus and the program (its pid in argv[1]).
Keys are typed with xdotool, as a person would; every wait is bounded and fails with what it waited for.
"""
import subprocess
import sys
import time

import pyatspi

WAIT_SECONDS = 10
program_pid = sys.argv[1]
failures = []


def check(condition, what):
    if not condition:
        failures.append(what)
        print("FAIL:", what)
    return condition


def wait_until(find, what):
    deadline = time.monotonic() + WAIT_SECONDS
    while time.monotonic() < deadline:
        found = find()
        if found:
            return found
        time.sleep(0.05)
    print("FAIL: waited %ds for %s" % (WAIT_SECONDS, what))
    for failure in failures:
        print("  and earlier:", failure)
    sys.exit(1)


def press(*keys):
    subprocess.run(["xdotool", "key", "--delay", "30", *keys], check=True, timeout=WAIT_SECONDS)


def type_text(text):
    subprocess.run(["xdotool", "type", "--delay", "30", text], check=True, timeout=WAIT_SECONDS)


def children(accessible):
    return [child for child in accessible if child is not None]


def descendants(accessible, depth=0):
    for child in children(accessible):
        yield child
        if child.getRoleName() != "table" and depth < 12:
            yield from descendants(child, depth + 1)


def showing(accessible):
    return accessible.getState().contains(pyatspi.STATE_SHOWING)


def application():
    for app in children(pyatspi.Registry.getDesktop(0)):
        if app.name.lower() == "numberwell":
            return app
    return None


def window(app, title, role=None):
    for candidate in children(app):
        if candidate.name == title and showing(candidate) and (role is None or candidate.getRoleName() == role):
            return candidate
    return None


def find(root, role, name=None):
    for accessible in descendants(root):
        if accessible.getRoleName() == role and (name is None or accessible.name == name):
            return accessible
    return None


def key_binding(accessible, action_name):
    try:
        actions = accessible.queryAction()
    except NotImplementedError:
        return None
    for index in range(actions.nActions):
        if actions.getName(index) == action_name:
            return actions.getKeyBinding(index)
    return None


def focused(app):
    for top in children(app):
        if not showing(top):
            continue
        for accessible in descendants(top):
            if accessible.getState().contains(pyatspi.STATE_FOCUSED) and accessible.getRoleName() != "panel":
                return accessible
    return None


def focus_name(app):
    accessible = focused(app)
    return None if accessible is None else (accessible.getRoleName(), accessible.name)


def walk_focus(app, expected, what):
    """Tab through the window and back to where it started: each control in turn gets the focus."""
    seen = []
    for role_and_name in expected[1:] + expected[:1]:
        press("Tab")
        reached = wait_until(lambda: focus_name(app) == role_and_name and role_and_name,
                             "%s: Tab to %s after %s" % (what, role_and_name, seen))
        seen.append(reached)


app = wait_until(application, "the program among the desktop's applications")
subprocess.run(["xdotool", "search", "--sync", "--onlyvisible", "--pid", program_pid, "--name", "Numberwell",
                "windowfocus", "--sync"], check=True, timeout=WAIT_SECONDS, stdout=subprocess.DEVNULL)
main = wait_until(lambda: window(app, "Numberwell V1.0 ", "frame"), "the main window after its first activation")

# ---- the controls of the main window ----
search_box = find(main, "text", "Search text")
check(search_box is not None and search_box.description == "Enter the searching text here", "the search box")
selector = find(main, "combo box")
check(selector is not None and selector.name == "Search Name:" and selector.description, "the field selector")
for name, keys in [("Add", "Alt+A"), ("Delete", "Alt+D"), ("Change", "Alt+C"), ("e-mail", "Alt+E"),
                   ("Homepage", "Alt+H")]:
    button = find(main, "push button", name)
    if check(button is not None, "a button named %s" % name):
        check(button.description != "", "a description for the button %s" % name)
        check(key_binding(button, "Press") == keys,
              "%s pressed by %s, not %s" % (name, keys, key_binding(button, "Press")))
check(find(main, "push button", "Homepage").description.startswith("https://"), "the link's address")

# ---- the menus ----
shortcuts = {"Add": "F2", "Delete": "F3", "Change": "F4", "e-mail": "F5", "Find...": "Ctrl+F",
             "Find next": "Ctrl+G", "Print list": "F8", "Synchronise": "F9"}
menus = children(find(main, "menu bar"))
check([menu.name for menu in menus] == ["Info", "Options", "Address", "Quit"],
      "the menus, not %s" % [menu.name for menu in menus])
items = []
for menu in menus:
    for item in children(children(menu)[0]):  # the menu's pop-up
        if item.getRoleName() == "separator":
            continue
        items.append(item)
        check(item.getRoleName() == "menu item" and item.name and "&" not in item.name,
              "a menu item read without its marker: %s %r" % (item.getRoleName(), item.name))
        if menu.name == "Address" and item.name in shortcuts:
            check(key_binding(item, "Press") == shortcuts[item.name],
                  "%s reached by %s, not %s" % (item.name, shortcuts[item.name], key_binding(item, "Press")))
check(len(items) == 14, "fourteen menu items, not %d" % len(items))

# ---- the grid ----
grid = find(main, "table", "Addresses")
if check(grid is not None, "the grid as a table named Addresses"):
    table = grid.queryTable()
    headings = [table.getColumnHeader(column).name for column in range(table.nColumns)]
    check(headings == ["Name", "Firstname", "Alias", "Address", "Tel / Fax", "e-mail", "Note"],
          "the column headings, not %s" % headings)
    check(table.nRows == 2, "two rows, not %d" % table.nRows)
    first = [table.getAccessibleAt(0, column).name for column in range(table.nColumns)]
    check(first == ["Adams", "Bea", "B.", "Hauptstr. 1, Trier", "0651 4711", "bea@example.org", "Geb. 1.2."],
          "the first record's cells, not %s" % first)
    check(table.getAccessibleAt(1, 0).name == "Zuse", "the second record's name")

# ---- the keyboard alone: Tab through the main window ----
wait_until(lambda: focus_name(app) == ("text", "Search text"), "the search box to have the focus at start")
walk_focus(app, [("text", "Search text"), ("combo box", "Search Name:"), ("push button", "Add"),
                 ("push button", "Delete"), ("push button", "Change"), ("push button", "e-mail"),
                 ("table", "Addresses")], "main window")

# ---- the entry dialog ----
press("F2")
dialog = wait_until(lambda: window(app, "Add", "dialog"), "the entry dialog after F2")
labels = ["Name", "First name", "Alias", "Address", "Tel / Fax", "e-mail", "Note"]
for label in labels:
    field = find(dialog, "text", label)
    if check(field is not None, "an entry field named %s" % label):
        labelled_by = [relation.getTarget(0).name for relation in field.getRelationSet()
                       if relation.getRelationType() == pyatspi.RELATION_LABELLED_BY]
        check(labelled_by == [label], "the field %s labelled by its label, not %s" % (label, labelled_by))
wait_until(lambda: focus_name(app) == ("text", "Name"), "the Name field to have the focus")
walk_focus(app, [("text", label) for label in labels] + [("push button", "OK"), ("push button", "Abbrechen")],
           "entry dialog")
press("Escape")
wait_until(lambda: window(app, "Add", "dialog") is None, "the entry dialog to close on Escape")
wait_until(lambda: focus_name(app) == ("text", "Search text"), "the focus back in the search box")

# ---- the delete question ----
press("F3")
question = wait_until(lambda: window(app, "Bestätigung"), "the delete question after F3")
check(find(question, "label", "Really delete?") is not None, "the question's text")
check(find(question, "push button", "OK") is not None and find(question, "push button", "Abbrechen") is not None,
      "the question's buttons")
press("Escape")
wait_until(lambda: window(app, "Bestätigung") is None, "the question to close on Escape")

# ---- the find bar tells its answer ----
press("ctrl+f")
wait_until(lambda: focus_name(app) == ("text", "Find:"), "the find bar's text to have the focus after Ctrl+F")
check(find(main, "push button", "Find next") is not None, "the find bar's button")
type_text("Berlin")
press("Return")
wait_until(lambda: find(main, "label", "Not found: Berlin"), "the find bar to say the text is not found")
press("Escape")
wait_until(lambda: focus_name(app) == ("text", "Search text"), "the focus back in the search box after Escape")

if failures:
    sys.exit(1)
print("the accessibility tree: ok")
