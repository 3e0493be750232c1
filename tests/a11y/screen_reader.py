#!/usr/bin/python3
"""What a screen reader finds in Glimmerbox's main window, read through the accessibility bus.

  screen_reader.py controls       each control that takes the focus or can be pressed: role, name
  screen_reader.py cells          each child of the "Thumbnails" list: role, name, checked or not
  screen_reader.py labels         the text of each label in the status bar
  screen_reader.py act NAME DO    does the action DO (any case) of the control named NAME

Lines are tab-separated. Exits 2 while the window is not on the bus yet, 3 when NAME or its
action is not there.
"""
import sys

import pyatspi


def find_main_window():
    for app in pyatspi.Registry.getDesktop(0):
        for window in app or []:
            if window and window.getRole() == pyatspi.ROLE_FRAME and window.name == "Glimmerbox":
                return window
    sys.exit(2)


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


def tick_of(node):
    return "checked" if node.getState().contains(pyatspi.STATE_CHECKED) else "unchecked"


def say(*fields):
    print("\t".join(fields))


def main(command, *arguments):
    nodes = list(walk(find_main_window()))
    if command == "controls":
        for node in nodes:
            if node.getState().contains(pyatspi.STATE_FOCUSABLE) or action_names(node):
                say(node.getRoleName(), node.name)
    elif command == "cells":
        for grid in nodes:
            if grid.getRole() == pyatspi.ROLE_LIST and grid.name == "Thumbnails":
                for cell in grid:
                    say(cell.getRoleName(), cell.name, tick_of(cell))
    elif command == "labels":
        for bar in (node for node in nodes if node.getRole() == pyatspi.ROLE_STATUS_BAR):
            for label in (node for node in walk(bar) if node.getRole() == pyatspi.ROLE_LABEL):
                say(label.name)
    elif command == "act":
        name, wanted = arguments
        for node in (node for node in nodes if node.name == name):
            if wanted.lower() in action_names(node):
                node.queryAction().doAction(action_names(node).index(wanted.lower()))
                return
        sys.exit(3)


if __name__ == "__main__":
    main(*sys.argv[1:])
