#!/usr/bin/python3
"""Glimmerbox's main window as a screen reader finds it on the accessibility bus, in lines of
tab-separated fields. Commands: controls (role and name of each control that takes the focus or
can be pressed), cells (role, name and tick of each child of the "Thumbnails" list), labels (the
status bar's texts), act NAME DO N (does action DO, any case, of the control named NAME, then
prints name and new tick of each of the first N check boxes heard ticked or unticked; exits 3
when there is no such control, 4 when the action fails). Exits 2 while the window is not on the
bus."""
import sys

import pyatspi
from gi.repository import GLib


def walk(node):
    yield node
    for child in node:
        if child is not None:
            yield from walk(child)


def action_names(node):
    try:
        action = node.queryAction()
    except NotImplementedError:
        return []
    return [action.getName(i).lower() for i in range(action.nActions)]


def main(command, *arguments):
    windows = [window for app in pyatspi.Registry.getDesktop(0) for window in app or []
               if window and window.getRole() == pyatspi.ROLE_FRAME and window.name == "Glimmerbox"]
    nodes = list(walk(windows[0])) if windows else sys.exit(2)
    if command == "controls":
        for node in nodes:
            if node.getState().contains(pyatspi.STATE_FOCUSABLE) or action_names(node):
                print(node.getRoleName(), node.name, sep="\t")
    elif command == "cells":
        for grid in (node for node in nodes if node.getRole() == pyatspi.ROLE_LIST):
            for cell in grid if grid.name == "Thumbnails" else []:
                ticked = cell.getState().contains(pyatspi.STATE_CHECKED)
                print(cell.getRoleName(), cell.name, "checked" if ticked else "unchecked", sep="\t")
    elif command == "labels":
        for bar in (node for node in nodes if node.getRole() == pyatspi.ROLE_STATUS_BAR):
            for label in (node for node in walk(bar) if node.getRole() == pyatspi.ROLE_LABEL):
                print(label.name)
    elif command == "act":
        name, wanted, expected = arguments[0], arguments[1].lower(), int(arguments[2])
        heard = []

        def hear(event):
            print(event.source.name, event.detail1, sep="\t", flush=True)
            heard.append(event)
            if len(heard) == expected:  # stopped from the loop: a stop inside a callback is lost
                GLib.idle_add(pyatspi.Registry.stop)

        if expected:
            pyatspi.Registry.registerEventListener(hear, "object:state-changed:checked")
        target = next((node for node in nodes if node.name == name and wanted in action_names(node)),
                      None)
        if target is None:
            sys.exit(3)
        if not target.queryAction().doAction(action_names(target).index(wanted)):
            sys.exit(4)
        if expected:
            GLib.timeout_add_seconds(15, pyatspi.Registry.stop)
            pyatspi.Registry.start()


if __name__ == "__main__":
    main(*sys.argv[1:])
