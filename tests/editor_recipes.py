#!/usr/bin/env python3
"""Checks the editor recipes of the README and tries them as an editor would.

Each recipe is the fenced block after a "<!-- recipe: NAME -->" marker. The
JSON ones must parse; the Notepad++ one must be well-formed XML. Then each
command is run with the editor's variable for the current file filled in,
with the native tool in place of "brackwin", against a stand-in java that
records its arguments and a stand-in opener.

Usage: editor_recipes.py README BRACKWIN STAND_INS
"""
import json
import os
import re
import shlex
import subprocess
import sys
import tempfile
import time
import xml.etree.ElementTree as ElementTree


def recipe(readme, name):
    match = re.search(
        r"<!-- recipe: %s -->\n```\w*\n(.*?)\n```" % re.escape(name), readme, re.S)
    if not match:
        sys.exit(f"FAIL: no {name} recipe")
    return match.group(1)


def try_command(argv, brackwin, env, source, switches):
    """Runs the tool as the recipe starts it; checks what java and the
    opener received."""
    assert argv[0].lower().endswith(("brackwin", "brackwin.exe")), argv
    for record in ("BRACKWIN_TEST_RECORD", "BRACKWIN_TEST_OPEN_RECORD"):
        if os.path.exists(env[record]):
            os.remove(env[record])
    result = subprocess.run([brackwin] + argv[1:], env=env, capture_output=True)
    if result.returncode != 0 or result.stdout:
        sys.exit(f"FAIL: {argv}: status {result.returncode}, {result.stdout!r}")
    with open(env["BRACKWIN_TEST_RECORD"], "rb") as java:
        fields = java.read().split(b"\0")
    if fields[4] != source.encode():
        sys.exit(f"FAIL: {argv}: java got {fields[4]!r}")
    if "-r" in switches:
        for _ in range(100):
            if os.path.exists(env["BRACKWIN_TEST_OPEN_RECORD"]):
                break
            time.sleep(0.05)
        else:
            sys.exit(f"FAIL: {argv}: nothing was opened")
    print("ok:", " ".join(argv))


def main():
    readme_path, brackwin, stand_ins = sys.argv[1:4]
    readme = open(readme_path, encoding="utf-8").read()
    with tempfile.TemporaryDirectory() as work:
        bin_dir = os.path.join(work, "bin")
        os.mkdir(bin_dir)
        for program in ("java", "xdg-open"):
            os.symlink(os.path.join(stand_ins, program), os.path.join(bin_dir, program))
        kickass = os.path.join(work, "kickass")
        os.mkdir(kickass)
        open(os.path.join(kickass, "KickAss.jar"), "w").close()
        source = os.path.join(work, "my project", "demo.asm")
        os.mkdir(os.path.dirname(source))
        env = dict(os.environ, PATH=bin_dir + ":" + os.environ["PATH"],
                   KICKASS_PATH=kickass,
                   BRACKWIN_TEST_RECORD=os.path.join(work, "java.args"),
                   BRACKWIN_TEST_OPEN_RECORD=os.path.join(work, "open.args"))
        env.pop("DISPLAY", None)

        tasks = json.loads(recipe(readme, "vscode"))
        for task in tasks["tasks"]:
            args = [a.replace("${file}", source) for a in task["args"]]
            try_command([task["command"]] + args, brackwin, env, source, args)

        build = json.loads(recipe(readme, "sublime"))
        for cmd in [build["cmd"]] + [v["cmd"] for v in build["variants"]]:
            argv = [a.replace("$file", source) for a in cmd]
            try_command(argv, brackwin, env, source, argv)

        command = ElementTree.fromstring(recipe(readme, "notepad++")).text
        prefix = "cmd /k "
        assert command.startswith(prefix), command
        # Notepad++ puts the path in place; cmd.exe passes the rest on.
        line = command[len(prefix):].replace("$(FULL_CURRENT_PATH)", source)
        argv = shlex.split(line.replace("\\", "/"))
        try_command(argv, brackwin, env, source, argv)


if __name__ == "__main__":
    main()
