"""The guides' Markdown tables: every row has as many cells as its header, and no
table is broken off by a paragraph and then continued (rows a renderer would show as
text, as once happened to the codes 40 and 50 of the serial protocol); and what the
README promises a newcomer."""

import os
import re
import unittest

SOURCE = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..")
GUIDES = ("README.md", "docs/DEVELOPING.md")
DELIMITER = re.compile(r"^\s*\|?\s*:?-+:?\s*(\|\s*:?-+:?\s*)*\|?\s*$")


def read(guide):
    with open(os.path.join(SOURCE, guide), encoding="utf-8") as text:
        return text.read()


def cells(row):
    """The cells of a table row: split at pipes that are not escaped."""
    inner = row.strip()
    inner = inner[1:] if inner.startswith("|") else inner
    inner = inner[:-1] if inner.endswith("|") and not inner.endswith("\\|") else inner
    return re.split(r"(?<!\\)\|", inner)


def problems(text):
    """What is wrong with the tables of `text`, one line each, with line numbers."""
    found = []
    lines = text.split("\n")
    fenced = False
    columns = None  # the header's cell count while inside a table
    skip = False
    for number, line in enumerate(lines, 1):
        if skip:  # a delimiter row, already checked
            skip = False
            continue
        if line.lstrip().startswith("```"):
            fenced, columns = not fenced, None
            continue
        is_row = not fenced and line.lstrip().startswith("|")
        if columns is not None and is_row:
            if len(cells(line)) != columns:
                found.append(f"line {number}: {len(cells(line))} cells, the header has {columns}")
            continue
        columns = None
        if not is_row:
            continue
        following = lines[number] if number < len(lines) else ""
        if following.strip() and DELIMITER.match(following):
            columns, skip = len(cells(line)), True
            if len(cells(following)) != columns:
                found.append(f"line {number + 1}: the delimiter row has "
                             f"{len(cells(following))} cells, the header {columns}")
        else:
            found.append(f"line {number}: a table row outside any table (a table broken "
                         f"off by text, or one without its header)")
    return found


class Checker(unittest.TestCase):
    def test_a_sound_table_passes_and_broken_ones_are_named(self):
        sound = "| a | b |\n|---|:-:|\n| `x` | y \\| z |\n\nText.\n"
        self.assertEqual(problems(sound), [])
        broken_off = ("| code | action |\n|------|--------|\n| `10` | click |\n"
                      "When a button lies near the top...\n| `40` | show |\n| `50` | hide |\n")
        self.assertEqual(len(problems(broken_off)), 2)
        self.assertIn("line 5: a table row outside any table", problems(broken_off)[0])
        self.assertEqual(problems("| a | b |\n|---|---|\n| 1 | 2 | 3 |\n"),
                         ["line 3: 3 cells, the header has 2"])
        self.assertEqual(len(problems("| a | b |\n|---|\n")), 1)
        self.assertEqual(problems("```\n| not | a table\n```\n"), [])


class Guides(unittest.TestCase):
    def test_every_table_of_the_guides_is_whole(self):
        for guide in GUIDES:
            with self.subTest(guide=guide):
                content = read(guide)
                self.assertIn("|---", content)  # the check has tables to look at
                self.assertEqual(problems(content), [])


class Readme(unittest.TestCase):
    def test_the_two_commands_from_source_come_before_installing(self):
        readme = read("README.md")
        top = readme[:readme.index("\n## Installing")]
        for command in ("make demo", "make test"):
            with self.subTest(command=command):
                self.assertRegex(top, rf"(?m)^{command}\b", "a line of its own to copy")


if __name__ == "__main__":
    unittest.main(verbosity=2)
