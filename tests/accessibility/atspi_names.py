#!/usr/bin/python3
# What a screen reader hears of the window, read through AT-SPI, the bus Orca reads: the program
# runs against its simulated unit with Qt's accessibility bridge on, in English and in Chinese,
# and the walk of its tree finds every control a user operates named, no list named by the
# entry it shows, and each channel's lamps as one level. Run under a display and a session bus:
#   xvfb-run -a dbus-run-session -- tests/accessibility/atspi_names.py build/quenda
import os
import subprocess
import sys
import time

import pyatspi

OPERATED = {"push button", "toggle button", "combo box", "text", "slider", "spin button", "check box", "chart"}
LANGUAGES = [
    ("C.UTF-8", ["CH A attack, up", "CH B gain in dB, down", "Rate", "Panel Lock", "CH A static notch", "CH B FBX",
                 "CH A noise gate", "CH A mute", "CH B equalizer"], ["CH A level", "CH B level"]),
    ("zh_CN.UTF-8", ["通道 A 启动时间，增大", "通道 B 增益（dB），减小", "检测速度", "面板锁", "通道 A 静态滤波器", "通道 B 移频",
                     "通道 A 噪声门", "通道 A 静音", "通道 B 均衡器"], ["通道 A 电平", "通道 B 电平"]),
]
APPEAR_SECONDS = 30


def find_application(pid):
    deadline = time.monotonic() + APPEAR_SECONDS
    while time.monotonic() < deadline:
        for app in pyatspi.Registry.getDesktop(0):
            if app is not None and app.get_process_id() == pid and app.childCount > 0:
                return app
        time.sleep(0.1)
    return None


def children_of(node):
    return [child for child in (node.getChildAtIndex(i) for i in range(node.childCount)) if child is not None]


# The entries of a combo box: the items of the list it drops down.
def entries_of(combo):
    return [item.name for child in children_of(combo) if child.getRoleName() == "list" for item in children_of(child)]


# Every node as (role, name, entries); a combo box's entries are not walked as controls.
def walk(node, depth, lines, nodes):
    role = node.getRoleName()
    entries = entries_of(node) if role == "combo box" else []
    lines.append("%s%s %r" % ("  " * depth, role, node.name))
    nodes.append((role, node.name, entries))
    if role != "combo box":
        for child in children_of(node):
            walk(child, depth + 1, lines, nodes)


def check(language, expected, levels, program):
    env = dict(os.environ, QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1", LANG=language, LC_ALL=language,
               HOME=os.environ.get("HOME", "/tmp"))
    process = subprocess.Popen([program, "--demo"], env=env)
    try:
        app = find_application(process.pid)
        if app is None:
            return ["%s: the window never appeared on the accessibility bus" % language], []
        lines, nodes = [], []
        walk(app, 0, lines, nodes)
    finally:
        process.terminate()
        process.wait()
    faults = []
    names = [name for _, name, _ in nodes]
    for role, name, entries in nodes:
        if role == "unknown":
            faults.append("%s: a node of unknown role %r (a lamp of its own?)" % (language, name))
        if role not in OPERATED:
            continue
        if not name.strip():
            faults.append("%s: a %s without a name" % (language, role))
        if role == "combo box" and name in entries:
            faults.append("%s: a list named by an entry it shows, %r" % (language, name))
    for name in expected + levels:
        if name not in names:
            faults.append("%s: no control named %r" % (language, name))
    if sum(1 for role, _, _ in nodes if role == "progress bar") != len(levels):
        faults.append("%s: the lamps do not read as one level per channel" % language)
    return faults, lines


def main():
    program = sys.argv[1]
    faults = []
    for language, expected, levels in LANGUAGES:
        found, lines = check(language, expected, levels, program)
        faults += found
        if found or os.environ.get("QUENDA_ATSPI_DUMP"):
            print("\n".join(lines))
    for fault in faults:
        print("FAULT " + fault)
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main())
