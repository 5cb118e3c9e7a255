#!/usr/bin/python3
"""Checks that the English and the German user guide are in step.

    check_guides.py <user-guide.md> <benutzerhandbuch.md> <packaging dir>

- Both show the same pictures.
- Both explain the same messages: the English guide heads each with the
  message in bold quotes, **"..."**, the German one with the same message,
  in English as the plug-in shows it, in bold code font, **`...`**.
- Each guide quotes every refusal of its language's installer package
  (the Text* definitions of texts-en.wxi and texts-de.wxi), with "…" where
  the package puts in a file or property name.
Prints what one guide has and the other lacks; exit status 1 then.
"""
import os
import re
import sys

PICTURE = re.compile(r"\(images/([^)\s]+)\)")
MESSAGE = {"en": re.compile(r'^\*\*"(.+)"\*\*', re.M), "de": re.compile(r"^\*\*`(.+)`\*\*", re.M)}
DEFINE = re.compile(r'<\?define\s+(Text\w+)\s*=\s*"(.*)"\s*\?>')


def compare(what, english, german):
    """Lines naming what each guide has that the other lacks."""
    lines = [f"only in the English guide, {what}: {x}" for x in sorted(english - german)]
    lines += [f"only in the German guide, {what}: {x}" for x in sorted(german - english)]
    return lines


def main(argv):
    if len(argv) != 4:
        print(__doc__, file=sys.stderr)
        return 2
    texts = {}
    for lang, path in (("en", argv[1]), ("de", argv[2])):
        with open(path, encoding="utf-8") as f:
            texts[lang] = f.read()
    problems = compare("picture", set(PICTURE.findall(texts["en"])), set(PICTURE.findall(texts["de"])))
    messages = {lang: set(MESSAGE[lang].findall(text)) for lang, text in texts.items()}
    problems += compare("message", messages["en"], messages["de"])
    for lang, text in texts.items():
        if not messages[lang]:
            problems.append(f"the {lang} guide explains no messages")
        with open(os.path.join(argv[3], f"texts-{lang}.wxi"), encoding="utf-8") as f:
            for name, refusal in DEFINE.findall(f.read()):
                quoted = refusal.replace("[1]", "…")
                if quoted not in text:
                    problems.append(f"the {lang} guide does not quote the installer's {name}: {quoted}")
    for line in problems:
        print("check_guides: " + line, file=sys.stderr)
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
