"""What a program's --help lists: its commands, and the sub-commands each
command's own --help shows on its usage lines."""
import re
import subprocess


def run_help(program, *words):
    out = subprocess.run([program, *words, "--help"], capture_output=True, text=True, timeout=30)
    if out.returncode != 0:
        raise AssertionError(f"{program} {' '.join(words)} --help exited {out.returncode}: {out.stderr}")
    return out.stdout


def commands(program):
    """The names under "commands:" in PROGRAM --help."""
    names, listing = [], False
    for line in run_help(program).splitlines():
        if line.strip() == "commands:":
            listing = True
        elif listing and not line.strip():
            break
        elif listing:
            match = re.match(r"^  ([a-z][a-z0-9-]*)\s", line)
            if match:
                names.append(match.group(1))
    return names


def sub_commands(program, name, command):
    """The first word after "NAME COMMAND" on each usage line; "start|stop" counts as two."""
    found = []
    for line in run_help(program, command).splitlines():
        match = re.match(r"^(?:usage:)?\s+\S*" + re.escape(name) + r"\s+" + re.escape(command) + r"\s+(\S+)", line)
        if not match:
            continue
        for word in match.group(1).split("|"):
            if re.fullmatch(r"[a-z][a-z0-9-]*", word) and word not in found:
                found.append(word)
    return found
