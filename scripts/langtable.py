#!/usr/bin/env python3
"""Edits the per-window message tables in resources/lang/*.sil.

A table is Windows-1252 text with CR LF line ends. A section starts with a line holding only
its name; every other line is a key followed by 0x01 and a text for each language (English,
German), and ends with 0x01. The files are edited with this tool rather than by hand because
an editor would silently re-encode them or change the line ends.

  langtable.py new  FILE                               empty table with the dialog captions
  langtable.py set  FILE SECTION KEY ENGLISH GERMAN    add or replace one row
  langtable.py dump FILE                               readable listing

Texts are taken exactly as given: a backslash-n stays two characters, spaces at either end
stay. `set` creates FILE first when it does not exist.
"""
import os
import sys

SECTIONS = ["stCaptions", "stHints", "stDisplayLabels", "stFonts", "stMultiLines",
            "stDlgsCaptions", "stStrings", "stOtherStrings", "stLocales", "stCollections",
            "stCharSets"]
LANGUAGES = 2
MARK = "\x01"

# Every table carries the captions of the standard message box buttons and titles.
DIALOG_WORDS = [
    ("Abort", "Abbrechen"), ("All", "Alle"), ("Cancel", "Abbrechen"),
    ("Confirm", "Bestätigen"), ("Error", "Fehler"), ("Help", "Hilfe"),
    ("Ignore", "Ignorieren"), ("Information", "Information"), ("No", "Nein"),
    ("No To All", "Alle Nein"), ("OK", "OK"), ("Retry", "Wiederholen"),
    ("Warning", "Warnung"), ("Yes", "Ja"), ("Yes To All", "Alle Ja"),
]


def empty_table():
    table = {name: [] for name in SECTIONS}
    table["stDlgsCaptions"] = [[word, word, german] for word, german in DIALOG_WORDS]
    return table


def read(path):
    table = {name: [] for name in SECTIONS}
    current = None
    with open(path, "rb") as f:
        text = f.read().decode("cp1252")
    for line in text.split("\r\n"):
        if MARK not in line:
            if line in table:
                current = table[line]
            elif line:
                sys.exit(f"{path}: unreadable line {line!r}")
            continue
        fields = line.split(MARK)
        if current is None or len(fields) != LANGUAGES + 2 or fields[-1]:
            sys.exit(f"{path}: malformed row {line!r}")
        current.append(fields[:-1])
    return table


def write(path, table):
    lines = []
    for name in SECTIONS:
        lines.append(name)
        lines.extend(MARK.join(row) + MARK for row in table[name])
    try:
        data = ("\r\n".join(lines) + "\r\n").encode("cp1252")
    except UnicodeEncodeError as e:
        sys.exit(f"{e.object[e.start:e.end]!r} has no Windows-1252 byte")
    with open(path, "wb") as f:
        f.write(data)


def set_row(table, section, key, texts):
    if section not in table:
        sys.exit(f"unknown section {section!r}; one of: {' '.join(SECTIONS)}")
    for text in [key, *texts]:
        if MARK in text or "\r" in text or "\n" in text:
            sys.exit(f"{text!r}: 0x01 and line breaks cannot be stored in a table")
    rows = table[section]
    for row in rows:
        if row[0] == key:
            row[1:] = texts
            return
    rows.append([key, *texts])


def dump(table):
    for name in SECTIONS:
        print(f"[{name}]")
        for key, *texts in table[name]:
            print(f"  {key}: " + "  |  ".join(f'"{t}"' for t in texts))


def main(argv):
    if len(argv) == 3 and argv[1] == "new":
        write(argv[2], empty_table())
    elif len(argv) == 7 and argv[1] == "set":
        path = argv[2]
        table = read(path) if os.path.exists(path) else empty_table()
        set_row(table, argv[3], argv[4], argv[5:7])
        write(path, table)
    elif len(argv) == 3 and argv[1] == "dump":
        dump(read(argv[2]))
    else:
        sys.exit(__doc__)


if __name__ == "__main__":
    main(sys.argv)
