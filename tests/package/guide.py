"""What the Windows packages hold beside the programs: the guide as Notepad wants it, and
the pages it points to, which must come with it."""

import re

# The folders whose files the packages carry for the guide's sake.
PAGE_FOLDERS = ("docs", "bench")


def crlf(data):
    return data.replace(b"\r\n", b"\n").replace(b"\n", b"\r\n")


def linked_pages(readme):
    """Every file of this tree the README links to or names by its path under docs/ or
    bench/, as a path with '/'."""
    links = re.findall(r"\]\(([^)#\s]+)(?:#[^)]*)?\)", readme)
    named = re.findall(r"`((?:%s)/[^`\s]+)`" % "|".join(PAGE_FOLDERS), readme)
    return {page for page in links + named if not re.match(r"[a-z]+:", page)}


def windows_paragraph(readme):
    """The README's paragraph that says what the zip holds."""
    [paragraph] = re.findall(r"(?ms)^\*\*Windows\*\*: unpack .*?(?=\n\n)", readme)
    return paragraph
