#!/usr/bin/env python3
"""Checks the editor files that ship (dist/editors) with the editors
themselves: each of KickAssembler's two forms of error, on its own, goes
through Vim's errorformat (vim -es), Emacs's compilation-mode (emacs
--batch), Geany's error_regex (GLib's GRegex, the engine Geany uses), the
problem matchers of VS Code (node: JavaScript regular expressions, as VS
Code runs them) and Sublime Text's file_regex (Python's re, as Sublime's
exec command uses it); each must find the file, with spaces and
parentheses in its name, the line and, but in Geany, the column. Then the
commands of the VS Code and Sublime Text files run, with the editor's
variable filled in and the native tool for "brackwin", against a stand-in
java and opener.

Usage: editor_files.py EDITORS BRACKWIN STAND_INS
"""
import json
import os
import re
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))

# Each form of one error in line 5, column 9, with what surrounds it.
FORMS = {
    "summary": "Got 1 errors while executing:\n"
               "  ({file} 5:9) Error: Unknown symbol 'foo'\n\n",
    "at-line": "Error: Unknown symbol 'foo'\n"
               "at line 5, column 9 in {file}\n\n    lda foo\n        ^\n",
}


# A failed assembly as KickAssembler prints it: the summary of two errors,
# then the first again in the detailed form, naming the file in full or by
# its name alone. Each error must be listed once, as the summary names it.
COMBINED = ("Got 2 errors while executing:\n"
            "  ({file} 5:9) Error: Unknown symbol 'foo'\n"
            "  ({file} 7:1) Error: Unknown preprocessor directive\n\n"
            "Error: Unknown symbol 'foo'\n"
            "at line 5, column 9 in {detailed}\n\n    lda foo\n        ^\n")


def run(argv, **kwargs):
    result = subprocess.run(argv, capture_output=True, text=True, **kwargs)
    if result.returncode != 0:
        sys.exit(f"FAIL: {argv[0]} exited {result.returncode}: "
                 f"{result.stderr[-2000:]}")
    return result.stdout


def vim(editors, output, work):
    result = os.path.join(work, "vim.out")
    run(["vim", "-es", "-u", "NONE", "-i", "NONE", "-N",
         "--cmd", "set rtp^=" + os.path.join(editors, "vim"),
         "-c", "compiler brackwin", "-c", "cgetfile " + output,
         "-c", "call writefile(map(filter(getqflist(), 'v:val.valid'), "
               "{_, v -> bufname(v.bufnr) . '|' . v.lnum . '|' . v.col}), '"
               + result + "')",
         "-c", "qa!"])
    return [tuple(line.split("|")) for line in open(result).read().splitlines()]


EMACS = """
(require 'brackwin)
(with-temp-buffer
  (insert-file-contents (car command-line-args-left))
  (compilation-mode)
  (compilation--ensure-parse (point-max))
  (goto-char (point-min))
  (condition-case nil
      (while t
        (compilation-next-error 1)
        (let ((loc (compilation--message->loc
                    (get-text-property (point) 'compilation-message))))
          (princ (format "%s|%s|%s\\n"
                         (caar (compilation--loc->file-struct loc))
                         (compilation--loc->line loc)
                         (compilation--loc->col loc)))))
    (error nil)))
"""


def emacs(editors, output, work):
    script = os.path.join(work, "emacs.el")
    open(script, "w").write(EMACS)
    out = run(["emacs", "--batch", "-Q", "-L", os.path.join(editors, "emacs"),
               "-l", script, output])
    return [tuple(line.split("|")) for line in out.splitlines()]


GEANY = """
import sys
from gi.repository import GLib
keys = GLib.KeyFile.new()
keys.load_from_file(sys.argv[1], GLib.KeyFileFlags.NONE)
regex = GLib.Regex.new(keys.get_string("build_settings", "error_regex"), 0, 0)
for line in open(sys.argv[2], encoding="utf-8").read().splitlines():
    matched, info = regex.match(line, 0)
    if matched:
        # Positions, not fetch(): the matched text is not kept alive.
        data = line.encode()
        parts = [data[s:e].decode() for _, s, e in
                 (info.fetch_pos(1), info.fetch_pos(2))]
        print("|".join(parts))
"""


def geany(editors, output, work):
    # Debian's own Python, whose python3-gi brings GLib.
    out = run(["/usr/bin/python3", "-c", GEANY,
               os.path.join(editors, "geany", "filetypes.asm"), output])
    return [tuple(line.split("|")) for line in out.splitlines()]


def vscode(editors, output, work):
    # The workspace is the source's folder, against which VS Code resolves
    # a relative name ("autoDetect").
    workspace = os.path.join(work, "my (old) project")
    out = run(["node", os.path.join(HERE, "editor_matchers.js"),
               os.path.join(editors, "vscode", "tasks.json"), output,
               workspace])
    found = [tuple(line.split("|")) for line in out.splitlines()]
    # Each task must find it; the locations, once each, as VS Code keeps
    # one problem for each owner, file and place.
    labels = {label for label, *_ in found}
    if len(labels) != 2:
        sys.exit(f"FAIL: VS Code: not every task found it: {found}")
    return sorted({tuple(rest) for _, *rest in found})


def sublime_build(editors):
    text = open(os.path.join(editors, "sublime", "KickAssembler.sublime-build"),
                encoding="utf-8").read()
    # Sublime's files may hold // comments, outside strings here.
    return json.loads(re.sub(r"^\s*//.*$", "", text, flags=re.M))


def sublime(editors, output, work):
    regex = sublime_build(editors)["file_regex"]
    found = []
    for line in open(output, encoding="utf-8").read().splitlines():
        match = re.search(regex, line)
        if match:
            found.append((match.group(1), match.group(2), match.group(3)))
    return found


def check_matchers(editors, work):
    source = os.path.join(work, "my (old) project", "demo.asm")
    for form, text in FORMS.items():
        output = os.path.join(work, form + ".txt")
        open(output, "w", encoding="utf-8").write(text.format(file=source))
        for name, editor, expected in (
                ("Vim", vim, [(source, "5", "9")]),
                ("Emacs", emacs, [(source, "5", "9")]),
                ("Geany", geany,
                 [(source, "5")] if form == "summary" else []),
                ("VS Code", vscode, [(source, "5", "9")]),
                ("Sublime Text", sublime, [(source, "5", "9")])):
            found = editor(editors, output, work)
            if found != expected:
                sys.exit(f"FAIL: {name}, {form}: found {found}, "
                         f"expected {expected}")
            print(f"ok: {name} reads the {form} form")
    for detailed in (source, os.path.basename(source)):
        output = os.path.join(work, "combined.txt")
        open(output, "w", encoding="utf-8").write(
            COMBINED.format(file=source, detailed=detailed))
        both = [(source, "5", "9"), (source, "7", "1")]
        for name, editor, expected in (
                ("Vim", vim, both), ("Emacs", emacs, both),
                ("Geany", geany, [(source, "5"), (source, "7")]),
                ("VS Code", vscode, both),
                # One regular expression, line by line: the repeat stays.
                ("Sublime Text", sublime, both + [(detailed, "5", "9")])):
            found = editor(editors, output, work)
            if found != expected:
                sys.exit(f"FAIL: {name}, both forms, detailed {detailed}: "
                         f"found {found}, expected {expected}")
        print(f"ok: each error once, the detailed form naming {detailed}")


def try_command(argv, brackwin, env, source):
    """Runs the tool as the editor starts it; checks what java and the
    opener received."""
    assert argv[0] == "brackwin", argv
    for record in ("BRACKWIN_TEST_RECORD", "BRACKWIN_TEST_OPEN_RECORD"):
        if os.path.exists(env[record]):
            os.remove(env[record])
    result = subprocess.run([brackwin] + argv[1:], env=env, capture_output=True)
    expected = b"opened with xdg-open\n" if "-r" in argv else b""
    if result.returncode != 0 or not result.stdout.endswith(expected):
        sys.exit(f"FAIL: {argv}: status {result.returncode}, {result.stdout!r}"
                 f" {result.stderr!r}")
    with open(env["BRACKWIN_TEST_RECORD"], "rb") as java:
        fields = java.read().split(b"\0")
    if fields[4] != source.encode():
        sys.exit(f"FAIL: {argv}: java got {fields[4]!r}")
    if "-r" in argv:
        for _ in range(100):
            if os.path.exists(env["BRACKWIN_TEST_OPEN_RECORD"]):
                break
            time.sleep(0.05)
        else:
            sys.exit(f"FAIL: {argv}: nothing was opened")
    print("ok:", " ".join(argv))


def check_commands(editors, brackwin, stand_ins, work):
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
    tasks_text = open(os.path.join(editors, "vscode", "tasks.json")).read()
    plain = subprocess.run(
        ["node", "-e", "process.stdout.write(JSON.stringify(" +
         "eval('(' + require('fs').readFileSync(0, 'utf8') + ')')))"],
        input=tasks_text, capture_output=True, text=True, check=True).stdout
    for task in json.loads(plain)["tasks"]:
        args = [a.replace("${file}", source) for a in task["args"]]
        try_command([task["command"]] + args, brackwin, env, source)
    build = sublime_build(editors)
    for cmd in [build["cmd"]] + [v["cmd"] for v in build["variants"]]:
        try_command([a.replace("$file", source) for a in cmd], brackwin, env,
                    source)


def main():
    editors, brackwin, stand_ins = map(os.path.abspath, sys.argv[1:4])
    for tool in ("vim", "emacs", "node"):
        if subprocess.run(["sh", "-c", "command -v " + tool],
                          capture_output=True).returncode != 0:
            sys.exit(f"FAIL: {tool} is not installed")
    with tempfile.TemporaryDirectory() as work:
        check_matchers(editors, work)
        check_commands(editors, brackwin, stand_ins, work)


if __name__ == "__main__":
    main()
