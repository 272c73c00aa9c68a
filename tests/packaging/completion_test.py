#!/usr/bin/env python3
"""bash completion for oroctl, run by a real bash against the real program:
it offers what oroctl's --help lists, the words a usage spells out, the
options of the sub-command at hand, and file names where a file goes.
Usage: completion_test.py BIN_FOLDER COMPLETION_FILE"""
import os
import shutil
import subprocess
import sys
import tempfile
import unittest

import help_text

BIN, SCRIPT = sys.argv[1], sys.argv[2]
OROCTL = os.path.join(BIN, "oroctl")


def complete(*words, cwd=None):
    """What the completion offers with the cursor at the end of the last word."""
    script = ('source "$1"; shift; COMP_WORDS=("$@"); COMP_CWORD=$((${#COMP_WORDS[@]} - 1)); _oroctl; '
              'printf "%s\\n" "${COMPREPLY[@]}"')
    env = dict(os.environ, PATH=BIN + os.pathsep + os.environ.get("PATH", ""))
    out = subprocess.run(["bash", "--norc", "--noprofile", "-c", script, "complete", SCRIPT, "oroctl", *words],
                         capture_output=True, text=True, env=env, cwd=cwd, timeout=60)
    if out.returncode != 0:
        raise AssertionError(f"completion of {words} failed: {out.stderr}")
    return sorted(w for w in out.stdout.splitlines() if w)


class Completion(unittest.TestCase):
    def test_commands_and_sub_commands_follow_the_programs_help(self):
        listed = help_text.commands(OROCTL)
        self.assertGreater(len(listed), 3)
        self.assertEqual(complete(""), sorted(listed + ["--help"]))
        self.assertEqual(complete("vol"), ["volume"])
        for command in listed:
            with self.subTest(command=command):
                subs = help_text.sub_commands(OROCTL, "oroctl", command)
                if subs:
                    self.assertEqual(complete(command, ""), sorted(subs))
        self.assertEqual(complete("reg", "q"), ["query"])

    def test_words_the_usage_spells_out(self):
        self.assertEqual(complete("volume", "get", ""), ["capture", "render"])
        self.assertEqual(complete("volume", "mute", "render", ""), ["0", "1"])
        self.assertEqual(complete("headset", "firmware", "image.bin", "--target", ""), ["dongle", "earphone"])
        self.assertEqual(complete("headset", "firmware", "image.bin", "--target", "d"), ["dongle"])

    def test_options_belong_to_the_sub_command(self):
        self.assertEqual(complete("eq", "import", "--"), ["--apply", "--name"])
        self.assertEqual(complete("apo", "status", "--"), ["--json"])
        # Options on a continued usage line count too.
        self.assertIn("--timeout", complete("ftp", "get", "--"))
        self.assertEqual(complete("netcfg", "show", "f.fsc", "--"), ["--show-password"])

    def test_file_names_where_the_usage_takes_a_file_and_nothing_past_the_arguments(self):
        with tempfile.TemporaryDirectory() as folder:
            for name in ("curve.csv", "cables.txt"):
                open(os.path.join(folder, name), "w").close()
            self.assertEqual(complete("eq", "import", "cu", cwd=folder), ["curve.csv"])
            self.assertEqual(complete("init", "", cwd=folder), [])
            self.assertEqual(complete("volume", "set", "render", "40", "", cwd=folder), [])


if __name__ == "__main__":
    if not shutil.which("bash"):
        print("bash is not installed")
        sys.exit(77)
    result = unittest.main(argv=sys.argv[:1], exit=False).result
    sys.exit(0 if result.wasSuccessful() else 1)
