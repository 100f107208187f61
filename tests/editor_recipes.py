#!/usr/bin/env python3
"""Checks the editor recipes of the README and tries them as an editor would.

Each recipe is the fenced block after a "<!-- recipe: NAME -->" marker. The
JSON ones must parse; the Notepad++ one is an NppExec script. Each command
is run with the editor's variable for the current file filled in, with the
native tool in place of "brackwin", against a stand-in java that records its
arguments and a stand-in opener. The problem matchers of VS Code and
Sublime Text are applied to KickAssembler's two forms of error, as the
editors apply them, and must find the file, line and column of each.

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
    # Assembling prints nothing of its own; a run names its route.
    expected = b"opened with xdg-open\n" if "-r" in switches else b""
    if result.returncode != 0 or not result.stdout.endswith(expected):
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


# KickAssembler's report of one error, in both forms: the summary line, and
# the message followed by where it is.
ERROR_OUTPUT = """Got 1 errors while executing:
  ({file} 5:9) Error: Unknown symbol 'foo'

Error: Unknown symbol 'foo'
at line 5, column 9 in {file}

    lda foo
        ^
"""


def vscode_problems(matcher, lines):
    """Applies a VS Code problem matcher: each pattern of a multi-line
    matcher must match the next line in turn. JavaScript reads these
    regular expressions as Python does."""
    patterns = matcher["pattern"]
    if isinstance(patterns, dict):
        patterns = [patterns]
    problems = []
    for start in range(len(lines) - len(patterns) + 1):
        fields = {}
        for pattern, line in zip(patterns, lines[start:]):
            match = re.search(pattern["regexp"], line)
            if not match:
                break
            for key in ("file", "line", "column", "message"):
                if key in pattern:
                    fields[key] = match.group(pattern[key])
        else:
            problems.append((fields["file"], int(fields["line"]),
                             int(fields["column"])))
    return problems


def check_problem_matchers(tasks, build, source):
    lines = ERROR_OUTPUT.format(file=source).splitlines()
    expected = (source, 5, 9)
    for task in tasks["tasks"]:
        for matcher in task["problemMatcher"]:
            if vscode_problems(matcher, lines) != [expected]:
                sys.exit(f"FAIL: VS Code matcher {matcher} found "
                         f"{vscode_problems(matcher, lines)}")
    # Sublime Text: groups 1 to 4 are file, line, column and message.
    found = []
    for line in lines:
        match = re.search(build["file_regex"], line)
        if match:
            found.append((match.group(1), int(match.group(2)),
                          int(match.group(3))))
    if found != [expected, expected]:
        sys.exit(f"FAIL: Sublime's file_regex found {found}")
    print("ok: the problem matchers find", expected)


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

        check_problem_matchers(tasks, build, source)

        # NppExec: save the file first, then run the tool; NppExec puts the
        # path in place and splits the line as Windows does.
        script = recipe(readme, "notepad++").splitlines()
        if script[0] != "NPP_SAVE" or len(script) != 2:
            sys.exit(f"FAIL: the Notepad++ script does not save first: {script}")
        line = script[1].replace("$(FULL_CURRENT_PATH)", source)
        argv = shlex.split(line.replace("\\", "/"))
        try_command(argv, brackwin, env, source, argv)


if __name__ == "__main__":
    main()
