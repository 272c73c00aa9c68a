#!/usr/bin/env python3
"""The manual pages render without a warning, name their program, and list
every command (for oroctl, every sub-command too) that the program's --help
lists. Usage: man_pages_test.py BIN_FOLDER MAN_FOLDER"""
import os
import re
import shutil
import subprocess
import sys
import unittest

import help_text

BIN, MAN = sys.argv[1], sys.argv[2]
PAGES = {"oroctl": "oroctl.1", "oro-sim": "oro-sim.1", "oro_panel": "oro_panel.1", "oro_raduri": "oro_raduri.8"}


def render(page):
    env = dict(os.environ, MANWIDTH="200", LANG="C.UTF-8", LC_ALL="C.UTF-8")
    out = subprocess.run(["man", "--warnings", "--no-hyphenation", "--no-justification", "-l", page],
                         capture_output=True, text=True, env=env, timeout=60)
    return out.returncode, out.stdout, out.stderr


def command_entries(text):
    """The tag lines of the COMMANDS section, as word lists ("a | b" and "a|b" split)."""
    entries, inside = [], False
    for line in text.splitlines():
        if re.match(r"^[A-Z]", line):
            inside = line.strip() == "COMMANDS"
        elif inside and re.match(r"^ {7}\S", line):
            entries.append([w for w in re.split(r"[\s|]+", line.strip()) if w])
    return entries


class ManPages(unittest.TestCase):
    def page(self, program):
        code, text, warnings = render(os.path.join(MAN, PAGES[program]))
        self.assertEqual(code, 0, f"man -l {PAGES[program]} failed: {warnings}")
        self.assertEqual(warnings.strip(), "", f"{PAGES[program]} renders with warnings")
        return text

    def test_every_page_renders_and_names_its_program(self):
        for program in PAGES:
            with self.subTest(program=program):
                text = self.page(program)
                self.assertRegex(text, r"(?m)^NAME\n\s+" + re.escape(program) + r" - \S")
                self.assertRegex(text, r"(?m)^SYNOPSIS\n\s+" + re.escape(program) + r"\b")

    def check_commands(self, program, with_sub_commands):
        tool = os.path.join(BIN, program)
        listed = help_text.commands(tool)
        self.assertGreater(len(listed), 3, f"{program} --help lists no commands")
        entries = command_entries(self.page(program))
        for command in listed:
            with self.subTest(command=command):
                own = [e for e in entries if e[0] == command]
                self.assertTrue(own, f"{PAGES[program]} does not list the command '{command}' "
                                     f"that {program} --help lists")
                if not with_sub_commands:
                    continue
                words = {w for e in own for w in e[1:]}
                for sub in help_text.sub_commands(tool, program, command):
                    self.assertIn(sub, words, f"{PAGES[program]} does not list '{command} {sub}' "
                                              f"that {program} {command} --help lists")

    def test_oroctl_lists_every_command_and_sub_command(self):
        self.check_commands("oroctl", True)

    def test_oro_sim_lists_every_command(self):
        self.check_commands("oro-sim", False)


if __name__ == "__main__":
    if not shutil.which("man"):
        print("man is not installed (Debian package man-db)")
        sys.exit(77)
    result = unittest.main(argv=sys.argv[:1], exit=False).result
    sys.exit(0 if result.wasSuccessful() else 1)
